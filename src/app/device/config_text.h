// The console's lines for a read-configuration reply.
#pragma once

#include <string>

#include "app/console/device_text.h"
#include "protocol/config_record.h"
#include "protocol/read_configuration.h"

namespace trackctl {

// "%d:%d:%d", no newline: the next label follows on the same line.
std::string FormatTime(TimeOfDay time);
// "%d/%d/%d\n": day, month, year.
std::string FormatDate(CalendarDate date);
// One "label = value" line per field, except that a time shares its line with
// the date after it.
// Text fields are shown as `mode` says.
std::string FormatConfigRecord(const ConfigRecord& record, DeviceTextMode mode = DeviceTextMode::kAsItIs);
std::string FormatStatusRecord(const StatusRecord& record, DeviceTextMode mode = DeviceTextMode::kAsItIs);

// What the console shows for the reply: "...DONE" and the labelled records, the
// device's error text, or the short-reply message.
std::string DescribeConfigReply(const ConfigReply& reply, DeviceTextMode mode = DeviceTextMode::kAsItIs);

}  // namespace trackctl
