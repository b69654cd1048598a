#include "archive/download_file_name.h"

#include <filesystem>

#include "logger/logger_file_name.h"

namespace trackctl {

std::optional<ArchiveDownload> DownloadOfFileName(std::string_view path) {
  const std::string name = std::filesystem::path(path).filename().string();
  const std::optional<LoggerFileNameParts> parts = ReadLoggerFileName(name);
  if (!parts) return std::nullopt;
  ArchiveDownload download;
  download.fileName = name;
  download.device = parts->serialKey;
  download.sector = parts->sectorLetter == SectorLetter(Sector::kSms) ? Sector::kSms : Sector::kDataCall;
  download.downloaded = parts->downloaded;
  return download;
}

}  // namespace trackctl
