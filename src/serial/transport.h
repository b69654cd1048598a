// Byte transport over the open port, with DTR raised around every read. A
// failed single-byte transfer or time-out change throws PortFailure.
#pragma once

#include <cstdint>
#include <span>

#include "serial/serial_port.h"

namespace trackctl {

// Raises DTR, reads one byte, lowers DTR. Returns 0 or 1.
std::uint32_t ReadPortByte(std::uint8_t& byte, SerialPort& port);

// What a block read did: the bytes stored and the problems on the way.
struct BlockRead {
  std::uint32_t count = 0;      // may be 0
  bool dtrRaiseFailed = false;  // DTR could not be raised before the read
  bool failed = false;          // the platform reported the read as failed
  bool dtrLowerFailed = false;  // DTR could not be lowered after it
};

// Raises DTR, reads up to dst.size() bytes, lowers DTR.
BlockRead ReadPortBlock(SerialPort& port, std::span<std::uint8_t> dst);

// Like ReadPortByte, but gives up after about `milliseconds` without a byte and
// returns 0 then. The time-outs `after` are in force when it returns.
std::uint32_t ReadPortByteWithin(std::uint8_t& byte, SerialPort& port, std::uint32_t milliseconds,
                                 const CommTimeouts& after);

// Sets the port's read time-outs.
void SetPortTimeouts(SerialPort& port, const CommTimeouts& timeouts);

// One write call per byte.
void WritePortByte(std::uint8_t byte, SerialPort& port);
void WritePortBuffer(SerialPort& port, std::span<const std::uint8_t> bytes);

}  // namespace trackctl
