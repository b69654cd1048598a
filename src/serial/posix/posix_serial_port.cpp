// The serial port on POSIX systems: termios for the line, poll() for the read
// time-outs, TIOCMBIS/TIOCMBIC for DTR.
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>

#include "serial/device_path.h"
#include "serial/open_port.h"
#include "serial/posix/restore_on_signal.h"
#include "serial/port_failure.h"

namespace trackctl {
namespace {

using Clock = std::chrono::steady_clock;


// Milliseconds left until `deadline`, or -1 (wait without limit) when there is none.
int PollTimeout(const Clock::time_point* deadline) {
  if (deadline == nullptr) return -1;
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - Clock::now()).count();
  return left < 0 ? 0 : static_cast<int>(left);
}

class PosixSerialPort : public SerialPort {
 public:
  explicit PosixSerialPort(int fd) : fd_(fd) {}
  ~PosixSerialPort() override {
    restoreOnSignal_.reset();  // the destructor puts the settings back from here on
    if (exclusive_) ioctl(fd_, TIOCNXCL);
    if (configured_) tcsetattr(fd_, TCSANOW, &original_);  // leave the line as we found it
    close(fd_);
  }
  PosixSerialPort(const PosixSerialPort&) = delete;
  PosixSerialPort& operator=(const PosixSerialPort&) = delete;

  // Fails as the setting-up step named in the message would.
  void SetUp() {
    if (tcgetattr(fd_, &original_) != 0) FailPort(PortStep::kGetState, errno);
    exclusive_ = ioctl(fd_, TIOCEXCL) == 0;
    tcflush(fd_, TCIOFLUSH);  // stale bytes in either direction are dropped; failure is harmless
    termios line = original_;
    cfmakeraw(&line);  // no ISTRIP, ICRNL or IXON: every byte value passes unchanged
    line.c_cflag &= static_cast<tcflag_t>(~(CSIZE | PARENB | CSTOPB | CRTSCTS));
    line.c_cflag |= CS8 | CREAD | CLOCAL;  // receiver on, modem status lines ignored
    line.c_iflag &= static_cast<tcflag_t>(~(IXON | IXOFF | IXANY | INPCK));
    line.c_cc[VMIN] = 1;
    line.c_cc[VTIME] = 0;
    cfsetispeed(&line, B115200);
    cfsetospeed(&line, B115200);
    if (tcsetattr(fd_, TCSANOW, &line) != 0) FailPort(PortStep::kSetState, errno);
    configured_ = true;
    restoreOnSignal_.emplace(fd_, original_);
    SetModemLine(TIOCM_RTS, true);
    SetModemLine(TIOCM_DTR, false);
  }

  bool SetTimeouts(const CommTimeouts& timeouts) override {
    timeouts_ = timeouts;
    return true;
  }

  ReadResult Read(std::span<std::uint8_t> dst) override {
    const std::uint64_t totalMs = std::uint64_t{timeouts_.readTotalTimeoutMultiplier} * dst.size() +
                                  timeouts_.readTotalTimeoutConstant;
    const Clock::time_point total = Clock::now() + std::chrono::milliseconds(totalMs);
    const bool hasTotal = totalMs != 0;
    std::size_t got = 0;
    while (got < dst.size()) {
      // The first byte waits for the total time-out only; later ones also for the interval.
      Clock::time_point deadline = total;
      bool hasDeadline = hasTotal;
      if (got > 0 && timeouts_.readIntervalTimeout != 0) {
        const auto interval = Clock::now() + std::chrono::milliseconds(timeouts_.readIntervalTimeout);
        if (!hasDeadline || interval < deadline) deadline = interval;
        hasDeadline = true;
      }
      pollfd ready{fd_, POLLIN, 0};
      const int polled = poll(&ready, 1, PollTimeout(hasDeadline ? &deadline : nullptr));
      if (polled < 0) {
        if (errno == EINTR) continue;
        return Failed(errno, got);
      }
      if (polled == 0) break;  // time-out: the read ends with what it has
      if ((ready.revents & POLLIN) == 0) return Failed(EIO, got);  // hang-up or error
      const ssize_t n = read(fd_, dst.data() + got, dst.size() - got);
      if (n > 0) {
        got += static_cast<std::size_t>(n);
      } else if (n == 0) {
        return Failed(EIO, got);  // end of file: the device is gone
      } else if (errno != EINTR && errno != EAGAIN) {
        return Failed(errno, got);
      }
    }
    return ReadResult{true, static_cast<std::uint32_t>(got)};
  }

  bool WriteByte(std::uint8_t byte) override {
    for (;;) {
      const ssize_t n = write(fd_, &byte, 1);
      if (n == 1) return true;
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && errno != EAGAIN) {
        lastError_ = errno;
        return false;
      }
      // The driver's buffer is full: wait as long as the write time-out allows. A
      // write that the time-out ends is not an error.
      pollfd ready{fd_, POLLOUT, 0};
      const int limit = static_cast<int>(timeouts_.writeTotalTimeoutMultiplier + timeouts_.writeTotalTimeoutConstant);
      const int polled = poll(&ready, 1, limit == 0 ? -1 : limit);
      if (polled == 0) return true;
      if (polled > 0 && (ready.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
        lastError_ = EIO;
        return false;
      }
    }
  }

  DtrResult SetDtr(bool raised) override {
    if (!modemLines_) return DtrResult::kUnsupported;
    return SetModemLine(TIOCM_DTR, raised);
  }

  int LastError() const override { return lastError_; }

 private:
  DtrResult SetModemLine(int line, bool raised) {
    if (ioctl(fd_, raised ? TIOCMBIS : TIOCMBIC, &line) == 0) return DtrResult::kDone;
    if (errno == ENOTTY || errno == EINVAL) {
      modemLines_ = false;  // a pseudo-terminal, say: used without modem control
      return DtrResult::kUnsupported;
    }
    lastError_ = errno;
    return DtrResult::kFailed;
  }

  ReadResult Failed(int error, std::size_t got) {
    lastError_ = error;
    return ReadResult{false, static_cast<std::uint32_t>(got)};
  }

  int fd_;
  termios original_{};
  bool configured_ = false;
  std::optional<RestoreOnSignal> restoreOnSignal_;
  bool exclusive_ = false;
  bool modemLines_ = true;
  int lastError_ = 0;
  CommTimeouts timeouts_ = kOpenTimeouts;
};

}  // namespace

std::string PortPathForNumber(int number) {
  const std::string variable = "TRACKCTL_COM" + std::to_string(number);
  return PortDevicePath(number, std::getenv(variable.c_str()));
}

std::string PortPathForName(std::string_view name) { return std::string(name); }

OpenedPort OpenPort(const std::string& path) {
  const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) FailPort(PortStep::kOpen, errno);
  auto port = std::make_unique<PosixSerialPort>(fd);
  // Exclusive use, as on Windows: a port another program holds does not open.
  // (TIOCEXCL alone does not stop root.)
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) FailPort(PortStep::kOpen, errno);
  port->SetUp();
  return OpenedPort{std::move(port), path, true};
}

}  // namespace trackctl
