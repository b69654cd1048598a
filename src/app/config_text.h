// The console's lines for a read-configuration reply.
#pragma once

#include <string>

#include "protocol/config_record.h"
#include "protocol/read_configuration.h"

namespace trackctl {

// "%d:%d:%d", no newline: the next label follows on the same line.
std::string FormatTime(TimeOfDay time);
// "%d/%d/%d\n": day, month, year.
std::string FormatDate(CalendarDate date);
// One "label = value" line per field, except that a time shares its line with
// the date after it.
std::string FormatConfigRecord(const ConfigRecord& record);
std::string FormatStatusRecord(const StatusRecord& record);

// What the console shows for the reply: "...DONE" and the labelled records, the
// device's error text, or the short-reply message.
std::string DescribeConfigReply(const ConfigReply& reply);

}  // namespace trackctl
