// The JSON form of what `info` and `read-config` learn from the device (--json).
//
// Every field of a record appears under its member's name: numbers as numbers,
// times as "HH:MM:SS", dates as "YYYY-MM-DD" (null where the date word is 0),
// texts as strings in which each byte stands for the code point of the same
// value, so that JsonText shows every byte that is not printable ASCII as
// \u00XX (the library writes 0x08, 0x09, 0x0A, 0x0C and 0x0D as \b, \t, \n,
// \f and \r, which read back the same). Objects keep the records' field order.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "protocol/config_record.h"
#include "protocol/handshake.h"

namespace trackctl {

// {"serialKey":..., "version":[three parts], "deviceType":...}
nlohmann::ordered_json DeviceInfoJson(const InitFields& fields);

// The fields that the configuration block fills: all but serialKey and kind,
// which belong to the reply around the block.
nlohmann::ordered_json ConfigRecordJson(const ConfigRecord& record);

nlohmann::ordered_json StatusRecordJson(const StatusRecord& record);

// A READCONFIG reply: {"serialKey":..., "kind":..., "config":{...}, "status":{...}},
// "config" for the kinds 'C' and 'F', "status" for 'D' and 'F', as the reply
// carries those blocks; another kind has neither.
nlohmann::ordered_json ReadConfigJson(const ConfigRecord& config, const StatusRecord& status);

// One line of ASCII text, without a line end.
std::string JsonText(const nlohmann::ordered_json& value);

// One JSON document on standard output; its write errors count when the run ends.
void WriteJson(const nlohmann::ordered_json& json);

}  // namespace trackctl
