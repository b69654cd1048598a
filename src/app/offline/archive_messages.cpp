#include "app/offline/archive_messages.h"

#include <algorithm>
#include <cstdlib>

#include <nlohmann/json.hpp>

#include "archive/archive_name.h"

namespace trackctl {
namespace {

constexpr const char* kDefaultArchive = "tracks.gpkg";

std::string Why(const ArchiveError& error) {
  switch (error.kind) {
    case ArchiveError::Kind::kMissing: return "no archive there (" + error.detail + ")";
    case ArchiveError::Kind::kNotArchive: return "not an archive of trackctl (" + error.detail + ")";
    case ArchiveError::Kind::kNewer: return "written by a newer trackctl (" + error.detail + ")";
    case ArchiveError::Kind::kFailed: return error.detail;
    case ArchiveError::Kind::kNotBuilt:
      return "the " + (error.detail.empty() ? std::string() : error.detail + " ") +
             "archive is not built into this build of trackctl";
  }
  return error.detail;
}

std::string Padded(std::string text, std::size_t width, bool right) {
  if (text.size() >= width) return text;
  const std::string fill(width - text.size(), ' ');
  return right ? fill + text : text + fill;
}

}  // namespace

std::string ArchivePath(const std::optional<std::string>& given) {
  if (given) return *given;
  const char* environment = std::getenv("TRACKCTL_ARCHIVE");
  return environment != nullptr && *environment != '\0' ? environment : kDefaultArchive;
}

std::string ArchiveErrorLine(std::string_view command, const std::string& archive, const ArchiveError& error) {
  // The store's own words may quote the connection string.
  return "trackctl " + std::string(command) + ": cannot use " + ShownArchiveName(archive) + ": " +
         MaskedSecrets(Why(error), archive);
}

std::string ImportCountsText(const ImportCounts& counts) {
  return std::to_string(counts.read) + " read, " + std::to_string(counts.added) + " new, " +
         std::to_string(counts.alreadyArchived) + " already archived, " + std::to_string(counts.notValid) +
         " not valid";
}

std::string OtherUtcText(const ImportCounts& counts) {
  return std::to_string(counts.otherUtc) + " of the records already archived hold other UTC times (imported before"
         " under another time zone?); the archive keeps its times";
}

std::string FleetTable(const std::vector<DeviceSummary>& fleet, DeviceTextMode deviceText) {
  const std::vector<std::string> header = {"device", "records", "first (UTC)", "last (UTC)", "downloads",
                                           "last download", "version", "type"};
  std::vector<std::vector<std::string>> rows = {header};
  const auto shown = [deviceText](const std::optional<std::string>& text) {
    return text ? ShownDeviceText(*text, deviceText) : std::string("-");
  };
  const auto time = [](const std::optional<UtcTime>& utc) { return utc ? IsoUtcText(*utc) : std::string("-"); };
  for (const DeviceSummary& device : fleet) {
    rows.push_back({ShownDeviceText(device.device, deviceText), std::to_string(device.records),
                    time(device.firstUtc), time(device.lastUtc), std::to_string(device.downloads),
                    device.lastDownload, shown(device.version), shown(device.deviceType)});
  }
  std::vector<std::size_t> widths(header.size(), 0);
  for (const auto& row : rows) {
    for (std::size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], row[i].size());
  }
  std::string text;
  for (const auto& row : rows) {
    std::string line;
    for (std::size_t i = 0; i < row.size(); ++i) {
      if (i > 0) line += "  ";
      const bool number = i == 1 || i == 4;
      line += Padded(row[i], i + 1 == row.size() ? 0 : widths[i], number);
    }
    text += line + "\n";
  }
  return text;
}

std::string FleetJson(const std::vector<DeviceSummary>& fleet) {
  nlohmann::ordered_json devices = nlohmann::ordered_json::array();
  const auto optional = [](const std::optional<std::string>& text) {
    return text ? nlohmann::ordered_json(*text) : nlohmann::ordered_json(nullptr);
  };
  const auto time = [](const std::optional<UtcTime>& utc) {
    return utc ? nlohmann::ordered_json(IsoUtcText(*utc)) : nlohmann::ordered_json(nullptr);
  };
  for (const DeviceSummary& device : fleet) {
    devices.push_back({{"device", device.device},
                       {"records", device.records},
                       {"firstUtc", time(device.firstUtc)},
                       {"lastUtc", time(device.lastUtc)},
                       {"downloads", device.downloads},
                       {"lastDownload", device.lastDownload},
                       {"version", optional(device.version)},
                       {"deviceType", optional(device.deviceType)}});
  }
  // Serial keys and versions come from the device: bytes that are not UTF-8 are replaced.
  return devices.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

}  // namespace trackctl
