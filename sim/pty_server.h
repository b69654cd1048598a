// Serves a simulated device on the master side of a pseudo-terminal, in a thread
// of its own. The program under test opens the slave side as its serial port.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "sim/device.h"
#include "sim/line_pacer.h"

namespace tracksim {

class PtyServer {
 public:
  // With a baud rate, the line carries bytes both ways no faster than an 8N1 line
  // at that rate would: what the device sends, and what it takes from the program.
  // 0: as fast as the pseudo-terminal goes.
  explicit PtyServer(Device device, unsigned baud = 0);
  ~PtyServer();
  PtyServer(const PtyServer&) = delete;
  PtyServer& operator=(const PtyServer&) = delete;

  const std::string& slavePath() const { return slavePath_; }

  // Runs `fn` on the device while the serving thread is held off.
  template <typename Fn>
  auto WithDevice(Fn&& fn) {
    std::lock_guard lock(mutex_);
    return fn(device_);
  }

  // Everything the program has written to the line so far.
  Bytes Received() const;
  // Waits until at least `count` bytes have been received; false at the deadline.
  bool WaitForReceived(std::size_t count, std::chrono::milliseconds timeout) const;
  bool hungUp() const;

  // Sends bytes unasked (noise on the line).
  void Send(const Bytes& bytes);

 private:
  void Serve();
  void Perform(const Actions& actions);
  // Sends in the knobs' pieces, at the line's pace; false once the line is down.
  bool Transmit(const Bytes& bytes);
  bool SendPaced(const std::uint8_t* data, std::size_t size);
  void WriteAll(const std::uint8_t* data, std::size_t size);
  void HangUp();

  Device device_;
  int master_ = -1;
  int slave_ = -1;  // held open so that the line stays up between programs
  int wakeRead_ = -1;
  int wakeWrite_ = -1;
  std::string slavePath_;
  mutable std::mutex mutex_;
  mutable std::condition_variable received_cv_;
  Bytes received_;
  bool hungUp_ = false;
  LinePacer sendPacer_;  // guarded by mutex_
  LinePacer readPacer_;  // used by the serving thread only
  std::atomic<bool> stopping_ = false;
  std::thread thread_;
};

}  // namespace tracksim
