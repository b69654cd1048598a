#include "sim/pty_server.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <utility>

namespace tracksim {
namespace {

[[noreturn]] void Fail(const char* what) {
  throw std::runtime_error(std::string(what) + ": " + std::strerror(errno));
}

}  // namespace

PtyServer::PtyServer(Device device, unsigned baud)
    : device_(std::move(device)), sendPacer_(baud), readPacer_(baud) {
  master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master_ < 0) Fail("posix_openpt");
  if (grantpt(master_) != 0 || unlockpt(master_) != 0) Fail("grantpt/unlockpt");
  char name[128];
  if (ptsname_r(master_, name, sizeof name) != 0) Fail("ptsname_r");
  slavePath_ = name;
  slave_ = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slave_ < 0) Fail("open slave");
  // Raw from the start: a line in cooked mode would echo the device's bytes back to it.
  termios tio{};
  if (tcgetattr(slave_, &tio) != 0) Fail("tcgetattr");
  cfmakeraw(&tio);
  if (tcsetattr(slave_, TCSANOW, &tio) != 0) Fail("tcsetattr");
  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0) Fail("pipe2");
  wakeRead_ = pipeFds[0];
  wakeWrite_ = pipeFds[1];
  thread_ = std::thread([this] { Serve(); });
}

PtyServer::~PtyServer() {
  stopping_ = true;  // a paced reply stops at its next burst
  const char stop = 's';
  (void)!write(wakeWrite_, &stop, 1);
  thread_.join();
  for (int fd : {master_, slave_, wakeRead_, wakeWrite_}) {
    if (fd >= 0) close(fd);
  }
}

Bytes PtyServer::Received() const {
  std::lock_guard lock(mutex_);
  return received_;
}

bool PtyServer::WaitForReceived(std::size_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return received_cv_.wait_for(lock, timeout, [&] { return received_.size() >= count; });
}

bool PtyServer::hungUp() const {
  std::lock_guard lock(mutex_);
  return hungUp_;
}

void PtyServer::Send(const Bytes& bytes) { SendPaced(bytes.data(), bytes.size()); }

void PtyServer::Serve() {
  std::uint8_t buffer[4096];
  // Paced: when the bytes taken so far have crossed the line, and whether to look
  // for more without waiting: bytes already there then have been queued behind
  // them on the line, while bytes that come later find it idle.
  LinePacer::Clock::time_point crossed{};
  bool lookFirst = false;
  for (;;) {
    pollfd fds[2] = {{wakeRead_, POLLIN, 0}, {master_, POLLIN, 0}};
    const nfds_t count = master_ >= 0 ? 2 : 1;
    const int polled = poll(fds, count, lookFirst ? 0 : -1);
    if (polled < 0) {
      if (errno == EINTR) continue;
      return;
    }
    const bool queued = std::exchange(lookFirst, false) && polled > 0;
    if (fds[0].revents != 0) return;
    if (count < 2 || (fds[1].revents & POLLIN) == 0) continue;
    const std::size_t most = readPacer_.paced() ? std::min(readPacer_.burst(), sizeof buffer) : sizeof buffer;
    const ssize_t n = read(master_, buffer, most);
    if (n <= 0) continue;
    if (readPacer_.paced()) {
      // The device has the bytes once they have crossed the line.
      crossed = readPacer_.Take(static_cast<std::size_t>(n), queued ? crossed : LinePacer::Clock::now());
      std::this_thread::sleep_until(crossed);
    }
    std::unique_lock lock(mutex_);
    received_.insert(received_.end(), buffer, buffer + n);
    received_cv_.notify_all();
    const Actions actions = device_.Feed(std::span<const std::uint8_t>(buffer, static_cast<std::size_t>(n)));
    lock.unlock();
    // Bytes that come while the device answers have not been queued behind these.
    lookFirst = readPacer_.paced() && actions.empty();
    Perform(actions);
  }
}

void PtyServer::Perform(const Actions& actions) {
  for (const Action& action : actions) {
    switch (action.kind) {
      case Action::Kind::kSend:
        if (!Transmit(action.bytes)) return;
        break;
      case Action::Kind::kHangUp: {
        std::lock_guard lock(mutex_);
        HangUp();
        return;
      }
    }
  }
}

bool PtyServer::Transmit(const Bytes& bytes) {
  std::unique_lock lock(mutex_);
  if (hungUp_) return false;
  const std::size_t chunk = device_.knobs().chunkSize;
  const int pauseMs = device_.knobs().chunkPauseMs;
  lock.unlock();
  if (chunk == 0) return SendPaced(bytes.data(), bytes.size());
  for (std::size_t at = 0; at < bytes.size(); at += chunk) {
    if (!SendPaced(bytes.data() + at, std::min(chunk, bytes.size() - at))) return false;
    if (pauseMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
  }
  return true;
}

// Unpaced, all in one write; paced, in bursts, each written when the line would
// have delivered it whole.
bool PtyServer::SendPaced(const std::uint8_t* data, std::size_t size) {
  std::unique_lock lock(mutex_);
  const std::size_t burst = sendPacer_.paced() ? sendPacer_.burst() : size;
  const LinePacer::Clock::time_point handed = LinePacer::Clock::now();  // all of them at once
  for (std::size_t at = 0; at < size; at += burst) {
    const std::size_t count = std::min(burst, size - at);
    const LinePacer::Clock::time_point due = sendPacer_.Take(count, handed);
    if (sendPacer_.paced()) {
      lock.unlock();
      if (stopping_) return false;
      std::this_thread::sleep_until(due);
      lock.lock();
    }
    if (hungUp_) return false;
    WriteAll(data + at, count);
  }
  return !hungUp_;
}

void PtyServer::WriteAll(const std::uint8_t* data, std::size_t size) {
  while (size > 0 && master_ >= 0) {
    const ssize_t n = write(master_, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN) {
        pollfd fd{master_, POLLOUT, 0};
        poll(&fd, 1, 100);
        continue;
      }
      return;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
}

void PtyServer::HangUp() {
  hungUp_ = true;
  if (slave_ >= 0) close(slave_);
  if (master_ >= 0) close(master_);
  slave_ = master_ = -1;
}

}  // namespace tracksim
