// End-to-end runs: the real trackctl binary, its standard input a pipe holding a
// script, its port the slave side of a pseudo-terminal served by the simulated
// device in this process. A run can instead have a terminal of its own (a second
// pseudo-terminal) for its standard streams, read like a screen and typed at.
//
// With TRACKCTL_E2E_WINE_EXE set to a trackctl.exe, the runs start that program
// under wine instead, with COM1 of a wine prefix linked to the pseudo-terminal.
// TRACKCTL_E2E_WRAPPER puts a command before the native program (valgrind with
// its options, say); TRACKCTL_E2E_TIME_SCALE multiplies every deadline.
#pragma once

#include <sys/types.h>
#include <termios.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "sim/pty_server.h"

namespace trackctl::e2e {

using namespace std::chrono_literals;

struct RunOptions {
  std::vector<std::string> args;                         // the program's command line arguments
  std::vector<std::pair<std::string, std::string>> env;  // set in the program's environment
  std::vector<std::string> unsetEnv;                     // removed from it
  std::optional<unsigned long> fileSizeLimit;            // RLIMIT_FSIZE in bytes
  std::optional<unsigned long> addressSpaceLimit;        // RLIMIT_AS in bytes
  bool permissionsBindRoot = false;                      // root, too, may not write where the
                                                         // permission bits forbid it
  bool exclusiveBindsRoot = false;                       // root, too, is refused a terminal that
                                                         // another program holds exclusively
  std::optional<mode_t> umask;                           // the file mode creation mask
  int port = 1;                                          // the port number that is mapped
  std::optional<std::string> portPath;                   // what it maps to; default the device,
                                                         // "" for a port that does not exist
  bool onTerminal = false;  // standard input, output and error a pseudo-terminal that is the
                            // program's controlling terminal; the input is typed at once
  std::optional<std::string> stderrFile;  // standard error into this file of the working
                                          // folder, apart from the output
  std::optional<std::string> stdoutFile;  // standard output likewise (a path of its own: /dev/full)
  std::optional<std::string> binary;      // the native program run instead of the one built
};

// One run of the program.
class Program {
 public:
  Program(const std::filesystem::path& workdir, const std::string& input, const std::string& devicePath,
          const RunOptions& options);
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // Waits until the output holds `text`; false at the deadline.
  bool WaitForOutput(std::string_view text, std::chrono::milliseconds timeout = 10s);
  // Waits for the program to end and returns its exit status; -1 when it had to be
  // killed at the deadline, or ended by a signal.
  int WaitExit(std::chrono::milliseconds timeout = 20s);
  // The signal that ended the program (SIGKILL at the deadline), 0 for none.
  int endSignal() const { return signal_; }

  // Sends the program `number` (SIGTERM, say).
  void Signal(int number) const;
  // Runs on a terminal only: key presses typed at it.
  void Type(std::string_view keys);
  // Waits until the program is blocked reading its standard input, after a
  // prompt say; false at the deadline.
  bool WaitUntilReadingInput(std::chrono::milliseconds timeout = 10s) const;
  // The terminal's settings now, as the program sees them.
  termios TerminalMode() const;
  // Standard output and standard error so far, CR LF read as LF (wine and a
  // terminal write them).
  std::string Output() const;
  // The same, exactly as written.
  std::string RawOutput() const;

 private:
  void ReadOutput();

  pid_t pid_ = -1;
  int output_ = -1;
  int terminal_ = -1;  // the terminal's master side, which output_ reads too
  int status_ = -2;
  int signal_ = 0;
  bool ended_ = false;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::string text_;
  bool closed_ = false;
  std::thread reader_;
};

// Runs a shell command; its standard output, and its exit status in `status`.
std::string Shell(const std::string& command, int& status);

// The reading end of a FIFO, open from the start, that collects what is written
// into it. It holds a writing end of its own until Finish, so that it waits for
// the program instead of reading an end at once, and never blocks for ever: a
// program that replaced the FIFO instead of writing it leaves Finish with nothing.
class FifoReader {
 public:
  explicit FifoReader(const std::filesystem::path& fifo);
  ~FifoReader();
  FifoReader(const FifoReader&) = delete;
  FifoReader& operator=(const FifoReader&) = delete;
  // Once the program has ended: every byte it wrote.
  std::string Finish();

 private:
  int read_ = -1;
  int write_ = -1;
  std::string bytes_;
  std::thread thread_;
};

// True when the runs use trackctl.exe under wine.
bool UnderWine();
// True when the native program is built with AddressSanitizer, which reserves
// far more address space than any limit a test could set.
bool UnderAddressSanitizer();

class E2eTest : public ::testing::Test {
 protected:
  E2eTest();
  ~E2eTest() override;
  void TearDown() override;

  // Builds the simulated device from `state` and `knobs`; Start does it when needed.
  void StartSim();
  tracksim::PtyServer& sim();
  // The program's working folder, alone in a folder of its own: anything written
  // next to it shows there.
  const std::filesystem::path& workdir() const { return workdir_; }
  const std::filesystem::path& outerDir() const { return outerDir_; }
  // Starts trackctl with `input` as its standard input.
  Program& Start(const std::string& input, const RunOptions& options = {});
  // Runs trackctl with port 1, then `input`, to its end with `expectedStatus`;
  // checks the start-up text and returns what the program printed after it.
  std::string AfterStartUp(const std::string& input, int expectedStatus = 0, const RunOptions& options = {});
  // Runs trackctl with `args` and no input to its end; returns its exit status,
  // and what it printed in `output`.
  int RunArgs(std::vector<std::string> args, std::string& output, RunOptions options = {},
              std::chrono::milliseconds timeout = 20s);
  // The start-up text of a menu run on port 1 with this test's device.
  std::string ExpectedStartUp();

  // What `fn` makes of the device's state, under the device's lock.
  template <typename Fn>
  auto Device(Fn&& fn) {
    return sim().WithDevice([&](tracksim::Device& device) { return fn(device.state()); });
  }
  // The requests that the device has served, by their tokens.
  std::vector<std::string> Served();
  // What the program sent after the handshake's INIT request, looked for from
  // byte `from` of what the device received; expects that request there.
  tracksim::Bytes SentAfterInit(std::size_t from = 0);

  // A file of the working folder, or any file by its absolute path: all its bytes.
  std::string ReadFile(const std::filesystem::path& name) const;
  // Makes the file (as ReadFile names it) hold `bytes` and nothing else.
  void WriteFile(const std::filesystem::path& name, std::string_view bytes) const;
  void WriteFile(const std::filesystem::path& name, const tracksim::Bytes& bytes) const;
  // Copies the example file `name` into the working folder as `as` (by default its own name).
  void PutExample(const std::string& name, std::string as = "") const;
  // The names in `folder`, sorted; by default in the working folder.
  std::vector<std::string> Files() const { return Files(workdir_); }
  static std::vector<std::string> Files(const std::filesystem::path& folder);

  tracksim::DeviceState state;
  tracksim::Knobs knobs;

 private:
  std::filesystem::path outerDir_;
  std::filesystem::path workdir_;
  std::unique_ptr<tracksim::PtyServer> sim_;
  std::vector<std::unique_ptr<Program>> runs_;
};

// How the program names port `number` mapped to `path` in its set-up message.
std::string ShownPortName(int number, const std::string& path);
// The text the program prints for a successful start-up with the default device,
// from the port prompt to the first menu, for port 1 mapped to `portPath`.
std::string StartUpText(const std::string& portPath, const tracksim::DeviceState& state);
// The main menu as printed, and the pause after every command.
extern const std::string kMainMenu;
extern const std::string kPause;
// The port question of a menu run.
inline const std::string kPortPrompt = "\nPLEASE ENTER COM PORTS BETWEEN COM1 AND COM20\nEnter the port Number: ";
// What the device commands print before their reply is in.
inline const std::string kReadConfigSent = "\nSending READ CONFIG command to Device";
inline const std::string kReadConfigDone = kReadConfigSent + "...DONE\n";
inline const std::string kStartSent = "\nSending START TRACKING command to Device";
inline const std::string kStopSent = "\nSending STOP TRACKING command to Device";
// The port failures: a port that does not open, a read and a write that fail (their error number follows).
inline const std::string kPortNotSupported = "\nMessage : \nThe specified COM port is not supported by your PC\n";
inline const std::string kReadFailed = "\nMessage : Reading .....\nError Number : ";
inline const std::string kWriteFailed = "\nMessage : Writing to PORT\nError Number : ";
// The handshake as the device receives it: the wake byte, then the INIT request.
inline const tracksim::Bytes kHandshake = tracksim::ToBytes("\xFA\xEAINIT\xE4");

// What erasing the logger sector `sector` ("SMS" or "DataCall") prints when the device agrees.
std::string SectorErasedText(const std::string& sector);
// The example file `name` of the examples folder.
std::filesystem::path ExamplePath(const std::string& name);
// How often `part` stands in `text`, the places not overlapping.
std::size_t Occurrences(const std::string& text, const std::string& part);
// The pieces of `text` between the `separator`s: one more than there are separators.
std::vector<std::string> Split(const std::string& text, const std::string& separator);
// The lines of `text` without their LF, as std::getline reads them.
std::vector<std::string> Lines(const std::string& text);
// The parts one after the other.
tracksim::Bytes Concat(std::initializer_list<tracksim::Bytes> parts);

// The settings of a terminal or port, one number each, for comparing two readings.
std::vector<unsigned> LineSettings(const termios& mode);

}  // namespace trackctl::e2e
