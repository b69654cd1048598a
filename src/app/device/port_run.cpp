#include "app/device/port_run.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <optional>

#include "app/console/console_report.h"
#include "app/console/port_prompt.h"
#include "app/console/stream_console.h"
#include "app/console/terminal.h"
#include "app/device/main_menu.h"
#include "app/device/one_command.h"
#include "app/device/usb_port_choice.h"
#include "app/process_setup.h"
#include "app/program_exit.h"
#include "app/system_clock.h"
#include "protocol/awaited_reply.h"
#include "protocol/handshake.h"
#include "serial/port_list.h"
#include "serial/traced_port.h"

namespace trackctl {
namespace {

// A command waits this long for a silent device unless --timeout says otherwise;
// the menu waits for ever unless it is given.
constexpr std::uint32_t kDefaultReplyLimitMs = 30'000;
// How long the wake-up byte may go unanswered when a limit applies.
constexpr std::uint32_t kWakeLimitMs = 5'000;

SilenceLimits LimitsOf(const CommandLine& line) {
  std::uint32_t replyMs = line.action == CommandLine::Action::kCommand ? kDefaultReplyLimitMs : 0;
  if (line.timeout) replyMs = *line.timeout * 1000u;
  return SilenceLimits{replyMs, replyMs != 0 ? kWakeLimitMs : 0};
}

// The port of -p; without it, port 1 for a command and the operator's answer for
// the menu. `path` is the port's path as soon as it is known.
OpenedPort OpenRunPort(const CommandLine& line, ConsoleReport& say, Console& console, std::string& path) {
  if (line.port) {
    path = line.port->number != 0 ? PortPathForNumber(line.port->number) : PortPathForName(line.port->name);
  } else if (line.action == CommandLine::Action::kCommand) {
    path = PortPathForNumber(kFirstPort);
  } else {
    return OpenComPort(say, console, path);
  }
  return OpenPort(path);
}

// -p usb:SERIAL: the adapter's port as the port named; a serial number that
// names no adapter or several is a usage error, its status returned.
std::optional<int> ChooseUsbAdapter(CommandLine& line) {
  if (!line.port || !line.port->byUsbSerial) return std::nullopt;
  const UsbPortChoice choice = ChooseUsbPort(ListSerialPorts(), line.port->name);
  if (!choice.path) return RefuseCommandLine(choice.problem);
  line.port = PortChoice{0, *choice.path};
  return std::nullopt;
}

// The file that TRACKCTL_TRACE names, opened for appending; none when it names
// none, and none with one warning when it cannot be opened.
TraceFile OpenTraceFile(const char* path) {
  if (path == nullptr || *path == '\0') return nullptr;
  TraceFile file(std::fopen(path, "a"));
  if (!file) {
    std::fprintf(stderr, "trackctl: cannot open the trace file %s (%s); running without a trace\n", path,
                 std::strerror(errno));
  }
  return file;
}

// Opens the port, wakes the device and runs the menu or the one command.
int RunDevice(const CommandLine& line, ConsoleReport& say, std::string& path) {
  TraceFile trace = OpenTraceFile(std::getenv("TRACKCTL_TRACE"));
  StreamConsole console(MakeTerminal());
  OpenedPort opened = OpenRunPort(line, say, console, path);
  if (opened.ready) say.Say("Initializing %s.......DONE\n", opened.path.c_str());
  std::unique_ptr<SerialPort> port = std::move(opened.port);
  if (trace) port = std::make_unique<TracedPort>(std::move(port), std::move(trace));
  SystemClock clock;
  RandomGenerator random;
  Session session{*port, clock, random, say, LimitsOf(line)};

  say.Say("Initializing Device : Started...");
  const InitAnswer device = InitializeDevice(session);
  switch (device.kind) {
    case InitAnswer::Kind::kAccepted:
      say.Say("\nReceived OK response from device...");
      say.Say("\nSerial key of Device = %s", say.Device(session.serialKey.data()).c_str());
      say.Say("\nVersion Number = %s:%s:%s", say.Device(device.fields.version[0]).c_str(),
              say.Device(device.fields.version[1]).c_str(), say.Device(device.fields.version[2]).c_str());
      say.Say("\nDevice type = %s", say.Device(device.fields.deviceType).c_str());
      break;
    case InitAnswer::Kind::kInitError:
      say.Say("Error in initializing the device...\n");
      break;
    case InitAnswer::Kind::kUnexpected:
      say.Say("Device Initialization Failed...\n");
      break;
    case InitAnswer::Kind::kNoDevice:
      say.Problem("no device answers on " + path);
      return 1;
  }
  if (device.kind != InitAnswer::Kind::kAccepted) {
    say.Say("Failure in Device Initialization...\nQuiting Application...\nTry Again...");
    return 1;
  }
  say.Say("\nInitializing Device : Done...\n");
  CommandRun run{session, say, &console, device.fields, line.json};
  if (line.action == CommandLine::Action::kCommand) {
    run.console = nullptr;
    return RunOneCommand(run, line.command);
  }
  RunMainMenu(run);
}

}  // namespace

int RunOnPort(CommandLine& line) {
  if (const std::optional<int> status = ChooseUsbAdapter(line)) return *status;

  // With --json, standard output carries the JSON document alone.
  std::FILE* messages = line.json ? stderr : stdout;
  ConsoleReport say(messages, StreamIsTerminal(messages) ? DeviceTextMode::kEscaped : DeviceTextMode::kAsItIs);
  // A command's transfers show a bar on a terminal; a log gets none of it.
  if (line.action == CommandLine::Action::kCommand && !line.quiet && isatty(STDERR_FILENO) != 0) {
    say.ShowProgressOn(stderr, line.json || isatty(STDOUT_FILENO) != 0);
  }
  if (line.action == CommandLine::Action::kCommand) {
    if (const std::optional<int> status = RefuseBeforeOpening(line.command, say)) return *status;
  }

  PrepareProcess();
  std::string path;  // the port's, once known
  try {
    return RunDevice(line, say, path);
  } catch (const ProgramExit& exit) {
    return exit.status;
  } catch (const PortFailure& failure) {
    say.PortFailed(failure);
    say.Problem(path + ": " + DescribePortFailure(failure));
    return 1;
  } catch (const DeviceSilent& silent) {
    say.Problem(path + ": no reply to " + silent.awaited + " within " + std::to_string(silent.limitMs / 1000) + " s");
    return 1;
  } catch (const std::exception& error) {
    std::fflush(stdout);
    std::fprintf(stderr, "\ntrackctl: %s\n", error.what());
    return 1;
  }
}

}  // namespace trackctl
