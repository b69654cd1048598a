// The one interface between the protocol and a platform's serial port.
#pragma once

#include <cstdint>
#include <span>

#include "serial/comm_timeouts.h"

namespace trackctl {

struct ReadResult {
  bool ok = false;          // false: the platform reported a failed read
  std::uint32_t count = 0;  // bytes stored, fewer than asked when a time-out ended the read
};

enum class DtrResult {
  kDone,
  kUnsupported,  // the port has no modem-control lines (a pseudo-terminal, say)
  kFailed,
};

class SerialPort {
 public:
  virtual ~SerialPort() = default;

  virtual bool SetTimeouts(const CommTimeouts& timeouts) = 0;
  // Reads up to dst.size() bytes under the current time-outs.
  virtual ReadResult Read(std::span<std::uint8_t> dst) = 0;
  // Writes one byte; false when the platform reports a failure.
  virtual bool WriteByte(std::uint8_t byte) = 0;
  virtual DtrResult SetDtr(bool raised) = 0;
  // The platform's error code of the last failed operation.
  virtual int LastError() const = 0;
};

}  // namespace trackctl
