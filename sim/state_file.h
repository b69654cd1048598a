// The device's state kept in a text file between runs of tracksim.
//
// One "name value" per line, in any order; a name the file leaves out keeps the
// default of a new device, a name it does not know is refused. Lines starting
// with '#' are comments. Texts write '%' and any byte outside printable ASCII as
// %XX (two hexadecimal digits), so "config.smsc +91%2098" holds a space. Each
// logger sector is a line "smsSector N" or "dataCallSector N" followed by N
// lines of 44 hexadecimal digits, one 22-byte record each, oldest first:
//
//   serialKey 1000752301
//   config.trackInterval 60
//   status.homeNumber +919845099999
//   smsSector 2
//   45...
//   85...
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "sim/device.h"

namespace tracksim {

std::string FormatStateFile(const DeviceState& state);

// The state the text describes, or nullopt with `error` saying which line is wrong.
std::optional<DeviceState> ParseStateFile(std::string_view text, std::string& error);

// Reads the file: nullopt when it does not exist; throws std::runtime_error when
// it cannot be read or parsed.
std::optional<DeviceState> LoadStateFile(const std::string& path);

// Replaces the file as a whole (a temporary file renamed over it), so that a
// reader never sees half a state; throws std::runtime_error on failure.
void SaveStateFile(const std::string& path, const DeviceState& state);

}  // namespace tracksim
