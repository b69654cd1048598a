// Byte transport over the open port, with DTR raised around every read.
#pragma once

#include <cstdint>
#include <span>

#include "serial/serial_port.h"

namespace trackctl {

// Prints "\nMessage : %s\n" and "Error Number : %d\n", then ends the run with status 1.
[[noreturn]] void FatalPortError(const char* message, int errorNumber);

// Raises DTR, reads one byte, lowers DTR. Returns 0 or 1; a failed read is fatal.
std::uint32_t ReadPortByte(std::uint8_t& byte, SerialPort& port);

// Raises DTR, reads up to dst.size() bytes, lowers DTR; reports problems on the
// console and returns the count read, which may be 0. `failed`, when given, tells
// whether the platform reported the read as failed.
std::uint32_t ReadPortBlock(SerialPort& port, std::span<std::uint8_t> dst, bool* failed = nullptr);

// Like ReadPortByte, but gives up after about `milliseconds` without a byte and
// returns 0 then. The command time-outs are back in force when it returns.
std::uint32_t ReadPortByteWithin(std::uint8_t& byte, SerialPort& port, std::uint32_t milliseconds);

// One write call per byte; a failed write is fatal.
void WritePortByte(std::uint8_t byte, SerialPort& port);
void WritePortBuffer(SerialPort& port, std::span<const std::uint8_t> bytes);

}  // namespace trackctl
