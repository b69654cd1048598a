#include "tests/e2e/harness.h"

#include <fcntl.h>
#include <linux/capability.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace trackctl::e2e {
namespace {

const char* WineExe() {
  const char* exe = std::getenv("TRACKCTL_E2E_WINE_EXE");
  return exe != nullptr && *exe != '\0' ? exe : nullptr;
}

// The words of TRACKCTL_E2E_WRAPPER, the command that the native program runs
// under (valgrind, say).
std::vector<std::string> WrapperWords() {
  std::vector<std::string> words;
  const char* wrapper = std::getenv("TRACKCTL_E2E_WRAPPER");
  std::istringstream in(wrapper != nullptr ? wrapper : "");
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

std::chrono::milliseconds Scaled(std::chrono::milliseconds timeout) {
  const char* scale = std::getenv("TRACKCTL_E2E_TIME_SCALE");
  const double factor = scale != nullptr ? std::atof(scale) : 0.0;
  if (factor <= 1.0) return timeout;
  const double scaled = static_cast<double>(timeout.count()) * factor;
  return std::chrono::milliseconds(static_cast<std::chrono::milliseconds::rep>(scaled));
}

std::string WithoutCarriageReturns(std::string text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i];
  }
  return out;
}

// Points COM<number> of the wine prefix at `path`. The wine server must stay up
// between runs: a starting server puts back its own links to the serial devices.
void MapWinePort(int number, const std::string& path) {
  const char* prefix = std::getenv("WINEPREFIX");
  if (prefix == nullptr) throw std::runtime_error("WINEPREFIX is not set");
  const std::filesystem::path link =
      std::filesystem::path(prefix) / "dosdevices" / ("com" + std::to_string(number));
  std::error_code ignored;
  std::filesystem::remove(link, ignored);
  if (!path.empty()) std::filesystem::create_symlink(path, link);
}

// Writes all of `bytes` to `fd`, as far as it takes them.
void WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

}  // namespace

bool UnderWine() { return WineExe() != nullptr; }

FifoReader::FifoReader(const std::filesystem::path& fifo) {
  read_ = open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (read_ < 0) return;
  write_ = open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  fcntl(read_, F_SETFL, 0);
  thread_ = std::thread([this] {
    char block[4096];
    for (ssize_t n; (n = read(read_, block, sizeof block)) > 0;) bytes_.append(block, static_cast<std::size_t>(n));
  });
}

FifoReader::~FifoReader() { Finish(); }

std::string FifoReader::Finish() {
  if (write_ >= 0) close(write_);
  write_ = -1;
  if (thread_.joinable()) thread_.join();
  if (read_ >= 0) close(read_);
  read_ = -1;
  return bytes_;
}

bool UnderAddressSanitizer() {
#ifdef TRACKCTL_E2E_ASAN
  return !UnderWine();
#else
  return false;
#endif
}

Program::Program(const std::filesystem::path& workdir, const std::string& input, const std::string& devicePath,
                 const RunOptions& options) {
  const std::string portPath = options.portPath.value_or(devicePath);
  const std::string portVariable = "TRACKCTL_COM" + std::to_string(options.port);
  // Everything the child needs is prepared before fork: after it, only exec-safe calls.
  std::vector<std::string> args;
  if (const char* exe = WineExe()) {
    args = {"wine", exe};
    MapWinePort(options.port, portPath);
  } else {
    args = WrapperWords();
    args.push_back(options.binary.value_or(TRACKCTL_BINARY));
  }
  args.insert(args.end(), options.args.begin(), options.args.end());
  std::vector<std::string> env;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string_view text(*entry);
    const std::string name(text.substr(0, text.find('=')));
    bool dropped = name.starts_with("TRACKCTL_COM");
    for (const std::string& unset : options.unsetEnv) dropped = dropped || name == unset;
    for (const auto& [key, value] : options.env) dropped = dropped || name == key;
    if (!dropped) env.emplace_back(text);
  }
  env.push_back(portVariable + "=" + (portPath.empty() ? (workdir / "no-such-port").string() : portPath));
  for (const auto& [key, value] : options.env) env.push_back(key + "=" + value);
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (std::string& entry : env) envp.push_back(entry.data());
  envp.push_back(nullptr);

  const bool underWine = UnderWine();
  const std::string stderrPath = options.stderrFile ? (workdir / *options.stderrFile).string() : "";
  const std::string stdoutPath = options.stdoutFile ? (workdir / *options.stdoutFile).string() : "";
  int in[2] = {-1, -1};
  int out[2] = {-1, -1};
  if (options.onTerminal) {
    // The terminal side is opened here, so that the screen stays readable until
    // the program has closed it.
    terminal_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    char name[128];
    if (terminal_ < 0 || grantpt(terminal_) != 0 || unlockpt(terminal_) != 0 ||
        ptsname_r(terminal_, name, sizeof name) != 0) {
      throw std::runtime_error("posix_openpt");
    }
    in[0] = out[1] = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (out[1] < 0) throw std::runtime_error("open terminal");
    out[0] = terminal_;
  } else if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) {
    throw std::runtime_error("pipe2");
  }
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork");
  if (pid_ == 0) {
    if (options.onTerminal) {
      // A session of its own with the terminal as its controlling terminal, as a
      // login shell would give it.
      setsid();
      if (ioctl(out[1], TIOCSCTTY, 0) != 0) _exit(125);
    }
    dup2(in[0], STDIN_FILENO);
    dup2(out[1], STDOUT_FILENO);
    dup2(out[1], STDERR_FILENO);
    for (const auto& [path, fd] : {std::pair{&stderrPath, STDERR_FILENO}, std::pair{&stdoutPath, STDOUT_FILENO}}) {
      if (path->empty()) continue;
      const int file = open(path->c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (file < 0 || dup2(file, fd) < 0) _exit(124);
    }
    if (chdir(workdir.c_str()) != 0) _exit(126);
    if (options.fileSizeLimit) {
      const rlimit limit{*options.fileSizeLimit, *options.fileSizeLimit};
      setrlimit(RLIMIT_FSIZE, &limit);
      // wine itself would be stopped by the signal; trackctl on Linux ignores it on its own.
      if (underWine) signal(SIGXFSZ, SIG_IGN);
    }
    if (options.permissionsBindRoot) {
      // Without these two the program keeps root's user id but not its way past
      // the permission bits. Not root: the call fails, and the bits bind anyway.
      prctl(PR_CAPBSET_DROP, CAP_DAC_OVERRIDE, 0, 0, 0);
      prctl(PR_CAPBSET_DROP, CAP_DAC_READ_SEARCH, 0, 0, 0);
    }
    if (options.exclusiveBindsRoot) prctl(PR_CAPBSET_DROP, CAP_SYS_ADMIN, 0, 0, 0);
    if (options.umask) umask(*options.umask);
    if (options.addressSpaceLimit) {
      const rlimit limit{*options.addressSpaceLimit, *options.addressSpaceLimit};
      setrlimit(RLIMIT_AS, &limit);
    }
    execvpe(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  close(out[1]);
  output_ = out[0];
  if (options.onTerminal) {
    Type(input);
  } else {
    close(in[0]);
    // The whole script is written at once and the pipe closed: the program meets
    // the end of its input after the last answer.
    WriteAll(in[1], input);
    close(in[1]);
  }
  reader_ = std::thread([this] { ReadOutput(); });
}

Program::~Program() {
  if (!ended_) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  reader_.join();
  close(output_);
}

void Program::ReadOutput() {
  char buffer[4096];
  for (;;) {
    const ssize_t n = read(output_, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    std::lock_guard lock(mutex_);
    if (n <= 0) {
      closed_ = true;
      changed_.notify_all();
      return;
    }
    text_.append(buffer, static_cast<std::size_t>(n));
    changed_.notify_all();
  }
}

void Program::Type(std::string_view keys) {
  if (terminal_ < 0) throw std::logic_error("typing needs a run on a terminal");
  WriteAll(terminal_, keys);
}

bool Program::WaitUntilReadingInput(std::chrono::milliseconds timeout) const {
  // The system call that the program is blocked in: its number, then its arguments.
  const std::string readingInput = std::to_string(SYS_read) + " 0x0 ";
  const auto deadline = std::chrono::steady_clock::now() + Scaled(timeout);
  const std::string path = "/proc/" + std::to_string(pid_) + "/syscall";
  while (std::chrono::steady_clock::now() < deadline) {
    std::ifstream in(path);
    std::string call;
    std::getline(in, call);
    if (call.starts_with(readingInput)) return true;
    std::this_thread::sleep_for(5ms);
  }
  return false;
}

termios Program::TerminalMode() const {
  termios mode{};
  // On the terminal side a pseudo-terminal reports the settings of the program's side.
  if (terminal_ < 0 || tcgetattr(terminal_, &mode) != 0) throw std::runtime_error("tcgetattr on the terminal");
  return mode;
}

void Program::Signal(int number) const { kill(pid_, number); }

bool Program::WaitForOutput(std::string_view text, std::chrono::milliseconds timeout) {
  timeout = Scaled(timeout);
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] {
    return WithoutCarriageReturns(text_).find(text) != std::string::npos || closed_;
  }) && WithoutCarriageReturns(text_).find(text) != std::string::npos;
}

int Program::WaitExit(std::chrono::milliseconds timeout) {
  if (ended_) return status_;
  const auto deadline = std::chrono::steady_clock::now() + Scaled(timeout);
  int status = 0;
  for (;;) {
    const pid_t done = waitpid(pid_, &status, WNOHANG);
    if (done == pid_) break;
    if (std::chrono::steady_clock::now() >= deadline) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
      ended_ = true;
      status_ = -1;
      signal_ = SIGKILL;
      return status_;
    }
    std::this_thread::sleep_for(5ms);
  }
  ended_ = true;
  status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  signal_ = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  // Everything the program wrote is read before its status is reported.
  std::unique_lock lock(mutex_);
  changed_.wait_for(lock, 5s, [&] { return closed_; });
  return status_;
}

std::string Program::Output() const { return WithoutCarriageReturns(RawOutput()); }

std::string Program::RawOutput() const {
  std::lock_guard lock(mutex_);
  return text_;
}

E2eTest::E2eTest() {
  char pattern[] = "/tmp/trackctl-e2e-XXXXXX";
  if (mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp");
  outerDir_ = pattern;
  workdir_ = outerDir_ / "work";
  std::filesystem::create_directory(workdir_);
}

void E2eTest::TearDown() {
  // A report of a sanitizer or of valgrind in any run fails the test, whatever
  // the test itself checked.
  static const std::regex kReport("==[0-9]+==|runtime error:|Sanitizer");
  for (const auto& run : runs_) {
    const std::string output = run->Output();
    if (std::regex_search(output, kReport)) ADD_FAILURE() << "memory or undefined-behaviour report:\n" << output;
  }
}

E2eTest::~E2eTest() {
  runs_.clear();  // programs end before their device goes away
  sim_.reset();
  std::error_code ignored;
  std::filesystem::permissions(workdir_, std::filesystem::perms::owner_all, ignored);
  std::filesystem::remove_all(outerDir_, ignored);
}

void E2eTest::StartSim() { sim_ = std::make_unique<tracksim::PtyServer>(tracksim::Device(state, knobs)); }

tracksim::PtyServer& E2eTest::sim() {
  if (!sim_) StartSim();
  return *sim_;
}

Program& E2eTest::Start(const std::string& input, const RunOptions& options) {
  runs_.push_back(std::make_unique<Program>(workdir_, input, sim().slavePath(), options));
  return *runs_.back();
}

std::string E2eTest::AfterStartUp(const std::string& input, int expectedStatus, const RunOptions& options) {
  Program& run = Start("1\n" + input, options);
  EXPECT_EQ(run.WaitExit(), expectedStatus);
  const std::string output = run.Output();
  const std::string startUp = StartUpText(sim().slavePath(), state);
  EXPECT_EQ(output.substr(0, startUp.size()), startUp);
  return output.substr(std::min(output.size(), startUp.size()));
}

int E2eTest::RunArgs(std::vector<std::string> args, std::string& output, RunOptions options,
                     std::chrono::milliseconds timeout) {
  options.args = std::move(args);
  Program& run = Start("", options);
  const int status = run.WaitExit(timeout);
  output = run.Output();
  return status;
}

std::string E2eTest::ExpectedStartUp() { return StartUpText(sim().slavePath(), state); }

std::vector<std::string> E2eTest::Served() {
  return sim().WithDevice([](tracksim::Device& device) { return device.served(); });
}

tracksim::Bytes E2eTest::SentAfterInit(std::size_t from) {
  const tracksim::Bytes all = sim().Received();
  const tracksim::Bytes init = tracksim::ToBytes("\xEA" "INIT\xE4");
  const auto at = std::search(all.begin() + static_cast<std::ptrdiff_t>(std::min(from, all.size())), all.end(),
                              init.begin(), init.end());
  EXPECT_NE(at, all.end()) << "no INIT request";
  if (at == all.end()) return {};
  return tracksim::Bytes(at + static_cast<std::ptrdiff_t>(init.size()), all.end());
}

std::string E2eTest::ReadFile(const std::filesystem::path& name) const {
  std::ifstream in(workdir_ / name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void E2eTest::WriteFile(const std::filesystem::path& name, std::string_view bytes) const {
  std::ofstream(workdir_ / name, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void E2eTest::WriteFile(const std::filesystem::path& name, const tracksim::Bytes& bytes) const {
  WriteFile(name, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

void E2eTest::PutExample(const std::string& name, std::string as) const {
  std::filesystem::copy_file(ExamplePath(name), workdir_ / (as.empty() ? name : as));
}

std::vector<std::string> E2eTest::Files(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string SectorErasedText(const std::string& sector) {
  return "Deleting data in " + sector + " sector : Started...\n"
         "\nSending delete initialization command to device...\nDeleting data from device......"
         "\nDeleting Logger Data in " + sector + " Sector Done...Deleting data in " + sector + " sector : Over...\n\n";
}

std::filesystem::path ExamplePath(const std::string& name) {
  return std::filesystem::path(TRACKCTL_EXAMPLES_DIR) / name;
}

std::size_t Occurrences(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = 0; (at = text.find(part, at)) != std::string::npos; at += part.size()) ++count;
  return count;
}

std::vector<std::string> Split(const std::string& text, const std::string& separator) {
  std::vector<std::string> parts;
  std::size_t at = 0;
  for (std::size_t end; (end = text.find(separator, at)) != std::string::npos; at = end + separator.size()) {
    parts.push_back(text.substr(at, end - at));
  }
  parts.push_back(text.substr(at));
  return parts;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines = Split(text, "\n");
  if (lines.back().empty()) lines.pop_back();
  return lines;
}

tracksim::Bytes Concat(std::initializer_list<tracksim::Bytes> parts) {
  tracksim::Bytes all;
  for (const tracksim::Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

const std::string kPause = "\nPress any key to Continue...";

const std::string kMainMenu =
    "Select\n"
    "******\n"
    "\tRead Configuration Parameters...1\n"
    "\tSet Configuration Parameters...2\n"
    "\tLoggerRecord Messages...3\n"
    "\tUpgrade the Code...4\n"
    "\tStart Tracking...5\n"
    "\tStop Tracking...6\n"
    "\tSet Waypoints...7\n"
    "\tBoot Upgrade...8\n"
    "\tWrite Serial Key...9\n"
    "\tExit this... 0\n";

std::vector<unsigned> LineSettings(const termios& mode) {
  std::vector<unsigned> words = {mode.c_iflag, mode.c_oflag, mode.c_cflag, mode.c_lflag,
                                 static_cast<unsigned>(cfgetispeed(&mode)), static_cast<unsigned>(cfgetospeed(&mode))};
  words.insert(words.end(), std::begin(mode.c_cc), std::end(mode.c_cc));
  return words;
}

std::string Shell(const std::string& command, int& status) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) {
    status = -1;
    return output;
  }
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
  status = pclose(pipe);
  return output;
}

std::string ShownPortName(int number, const std::string& path) {
  return UnderWine() ? "\\\\.\\COM" + std::to_string(number) : path;
}

std::string StartUpText(const std::string& portPath, const tracksim::DeviceState& state) {
  const std::string shownPath = ShownPortName(1, portPath);
  return kPortPrompt + "Initializing " + shownPath +
         ".......DONE\n"
         "Initializing Device : Started...Waiting for ACK\nSending Initialization Command to device..."
         "\nReceived OK response from device...\nSerial key of Device = " +
         state.serialKey + "\nVersion Number = " + state.version.substr(0, 2) + ":" + state.version.substr(2, 2) +
         ":" + state.version.substr(4, 2) + "\nDevice type = " + state.deviceType +
         "\nInitializing Device : Done...\n" + kMainMenu;
}

}  // namespace trackctl::e2e
