#include "sim/options.h"

#include <algorithm>
#include <charconv>
#include <string_view>

namespace tracksim {
namespace {

constexpr const char* kUsage =
    "usage: tracksim [OPTIONS] [-- COMMAND [ARGS...]]\n"
    "\n"
    "Simulates a GPS/GSM tracking device on a pseudo-terminal and prints its path.\n"
    "With a COMMAND, runs it with TRACKCTL_COM1 set to that path (so trackctl's\n"
    "port 1 is the simulated device) and exits with the command's status.\n"
    "Without one, serves until interrupted; set TRACKCTL_COM<n> to the printed\n"
    "path and run trackctl with port n.\n"
    "\n"
    "  --key KEY      serial key in the INIT reply (10 characters; 1000752301)\n"
    "  --version VER  version in the INIT reply (6 characters; 010203)\n"
    "  --type TYPE    device type in the INIT reply (4 characters; GT15)\n"
    "  --records N    records in each logger sector (0 to 100000; 300 and 250)\n"
    "  --state FILE   keep the device's state in FILE between runs: read at start\n"
    "                 when it exists, rewritten after every exchange that changes it\n"
    "  --baud N       carry bytes both ways no faster than an 8N1 line at N baud\n"
    "                 (N/10 bytes a second), e.g. 115200; default: unpaced\n"
    "  --log          print one line per exchange served on stderr\n"
    "  --help         print this text and exit\n";

bool Printable(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c > ' ' && c < 0x7F; });
}

// A text option's value: exactly `width` printable characters.
std::string CheckText(std::string_view name, std::string_view value, std::size_t width) {
  if (value.size() == width && Printable(value)) return {};
  return "tracksim: " + std::string(name) + " needs " + std::to_string(width) +
         " printable characters, not '" + std::string(value) + "'";
}

// Decimal digits only, the whole value.
template <typename Number>
bool ParseNumber(std::string_view value, Number& number) {
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
  return error == std::errc() && end == value.data() + value.size();
}

}  // namespace

ParsedOptions ParseSimOptions(std::span<const char* const> args) {
  ParsedOptions parsed;
  SimOptions& options = parsed.options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string_view arg = args[i];
    if (arg == "--") {
      options.command.assign(args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
      break;
    }
    if (arg == "--help" || arg == "-h") {
      options.help = true;
      continue;
    }
    if (arg == "--log") {
      options.log = true;
      continue;
    }
    // The rest take a value: "--name value" or "--name=value".
    std::string_view value;
    const std::size_t equals = arg.find('=');
    if (arg.starts_with("--") && equals != std::string_view::npos) {
      value = arg.substr(equals + 1);
      arg = arg.substr(0, equals);
    } else if (i + 1 < args.size()) {
      value = args[i + 1];
    }
    const bool known = arg == "--key" || arg == "--version" || arg == "--type" || arg == "--records" ||
                       arg == "--state" || arg == "--baud";
    if (!known) {
      parsed.error = "tracksim: unknown option '" + std::string(args[i]) + "'";
      return parsed;
    }
    if (equals == std::string_view::npos) {
      if (i + 1 >= args.size()) {
        parsed.error = "tracksim: " + std::string(arg) + " needs a value";
        return parsed;
      }
      ++i;
    }
    if (arg == "--key") {
      parsed.error = CheckText(arg, value, 10);
      options.serialKey = value;
    } else if (arg == "--version") {
      parsed.error = CheckText(arg, value, 6);
      options.version = value;
    } else if (arg == "--type") {
      parsed.error = CheckText(arg, value, 4);
      options.deviceType = value;
    } else if (arg == "--records") {
      std::size_t count = 0;
      if (!ParseNumber(value, count) || count > kMaxRecords) {
        parsed.error = "tracksim: --records needs a number from 0 to " + std::to_string(kMaxRecords) + ", not '" +
                       std::string(value) + "'";
      }
      options.records = count;
    } else if (arg == "--baud") {
      if (!ParseNumber(value, options.baud) || options.baud == 0 || options.baud > kMaxBaud) {
        parsed.error = "tracksim: --baud needs a rate from 1 to " + std::to_string(kMaxBaud) + " baud, not '" +
                       std::string(value) + "'";
      }
    } else {
      if (value.empty()) parsed.error = "tracksim: --state needs a file name";
      options.stateFile = value;
    }
    if (!parsed.error.empty()) return parsed;
  }
  return parsed;
}

std::string SimUsageText() { return kUsage; }

void ApplyOptions(const SimOptions& options, DeviceState& state) {
  if (options.serialKey) state.serialKey = *options.serialKey;
  if (options.version) state.version = *options.version;
  if (options.deviceType) state.deviceType = *options.deviceType;
  if (options.records) {
    state.smsSector = DefaultSmsSector(*options.records);
    state.dataCallSector = DefaultDataCallSector(*options.records);
  }
}

}  // namespace tracksim
