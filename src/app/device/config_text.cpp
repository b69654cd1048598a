#include "app/device/config_text.h"

#include <cstdio>
#include <type_traits>

#include "protocol/frame.h"

namespace trackctl {
namespace {

// Appends "label = value" for each field, in block order.
auto LineWriter(std::string& out, DeviceTextMode mode) {
  return [&out, mode](const FieldInfo& field, const auto& member) {
    out += field.label;
    out += " = ";
    if constexpr (std::is_arithmetic_v<std::remove_cvref_t<decltype(member)>>) {
      switch (field.kind) {
        case FieldKind::kTimeWord:
          out += FormatTime(TimeOfWord(member));
          return;
        case FieldKind::kDateWord:
          out += FormatDate(DecodeDateWord(member));
          return;
        default:
          out += std::to_string(member);
      }
    } else {
      out += ShownDeviceText(member.data(), mode);
    }
    out += '\n';
  };
}

}  // namespace

std::string FormatTime(TimeOfDay time) {
  return std::to_string(time.hours) + ':' + std::to_string(time.minutes) + ':' + std::to_string(time.seconds);
}

std::string FormatDate(CalendarDate date) {
  return std::to_string(date.day) + '/' + std::to_string(date.month) + '/' + std::to_string(date.year) + '\n';
}

std::string FormatConfigRecord(const ConfigRecord& record, DeviceTextMode mode) {
  std::string out;
  ForEachConfigField(record, LineWriter(out, mode));
  return out;
}

std::string FormatStatusRecord(const StatusRecord& record, DeviceTextMode mode) {
  std::string out;
  ForEachStatusField(record, LineWriter(out, mode));
  return out;
}

std::string DescribeConfigReply(const ConfigReply& reply, DeviceTextMode mode) {
  switch (ClassifyConfigReply(reply)) {
    case ConfigReplyKind::kShort: {
      char text[96];
      std::snprintf(text, sizeof text, "\nshort reply from device: %u of %u bytes received.\n",
                    static_cast<unsigned>(reply.length), static_cast<unsigned>(reply.announcedLength));
      return text;
    }
    case ConfigReplyKind::kDeviceError:
      return "\nan error occured. " + ShownDeviceText(ReplyText(reply.bytes), mode) + "\n";
    case ConfigReplyKind::kUnknown:
      return "\nunknown error occured.";
    case ConfigReplyKind::kRecords:
      break;
  }
  const ConfigReplyRecords records = DecodeConfigReply(reply);
  std::string out = "...DONE\n";
  if (CarriesConfigBlock(records.config.kind)) out += FormatConfigRecord(records.config, mode);
  if (CarriesStatusBlock(records.config.kind)) out += FormatStatusRecord(records.status, mode);
  return out;
}

}  // namespace trackctl
