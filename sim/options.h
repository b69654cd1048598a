// tracksim's command line, parsed without side effects.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "sim/device.h"

namespace tracksim {

inline constexpr std::size_t kMaxRecords = 100000;
inline constexpr unsigned kMaxBaud = 100000000;

struct SimOptions {
  bool help = false;
  bool log = false;                       // one line on stderr per exchange served
  std::optional<std::string> serialKey;   // the INIT reply's fields
  std::optional<std::string> version;
  std::optional<std::string> deviceType;
  std::optional<std::size_t> records;     // per sector
  std::optional<std::string> stateFile;
  unsigned baud = 0;                      // line speed both ways; 0: unpaced
  std::vector<std::string> command;       // after "--": run it against the device
};

struct ParsedOptions {
  SimOptions options;
  std::string error;  // not empty: the command line is refused with this line
};

// `args` are the arguments after the program name.
ParsedOptions ParseSimOptions(std::span<const char* const> args);

std::string SimUsageText();

// Puts the INIT fields and record counts that the options give into `state`.
void ApplyOptions(const SimOptions& options, DeviceState& state);

}  // namespace tracksim
