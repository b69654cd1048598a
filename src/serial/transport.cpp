#include "serial/transport.h"

#include <cstdio>

#include "serial/program_exit.h"

namespace trackctl {

void FatalPortError(const char* message, int errorNumber) {
  std::printf("\nMessage : %s\n", message);
  std::printf("Error Number : %d\n", errorNumber);
  EndProgram(1);
}

std::uint32_t ReadPortByte(std::uint8_t& byte, SerialPort& port) {
  std::fflush(stdout);  // the operator sees everything printed before the wait
  port.SetDtr(true);
  const ReadResult result = port.Read(std::span<std::uint8_t>(&byte, 1));
  if (!result.ok) FatalPortError("Reading .....", port.LastError());
  port.SetDtr(false);
  return result.count;
}

std::uint32_t ReadPortByteWithin(std::uint8_t& byte, SerialPort& port, std::uint32_t milliseconds) {
  if (!port.SetTimeouts(CommTimeouts{0, 0, milliseconds, 1, 1000})) {
    FatalPortError("In SetCommTimeouts........", port.LastError());
  }
  const std::uint32_t count = ReadPortByte(byte, port);
  if (!port.SetTimeouts(kCommandTimeouts)) FatalPortError("In SetCommTimeouts........", port.LastError());
  return count;
}

std::uint32_t ReadPortBlock(SerialPort& port, std::span<std::uint8_t> dst, bool* failed) {
  std::fflush(stdout);
  if (port.SetDtr(true) == DtrResult::kFailed) std::printf("ERROR COM_ERROR IN ESCAPE_COMM\n");
  ReadResult result{true, 0};
  if (!dst.empty()) result = port.Read(dst);
  if (!result.ok) std::printf("ERROR CANNOT_READ_FROM_COM_PORT\n");
  if (result.count == 0) std::printf("ERROR COM_TIME_OUT\n");
  if (port.SetDtr(false) == DtrResult::kFailed) std::printf("ERROR COM_ERROR_IN_ESCAPE_COMM\n");
  if (failed != nullptr) *failed = !result.ok;
  return result.count;
}

void WritePortByte(std::uint8_t byte, SerialPort& port) {
  if (!port.WriteByte(byte)) FatalPortError("Writing to PORT", port.LastError());
}

void WritePortBuffer(SerialPort& port, std::span<const std::uint8_t> bytes) {
  for (const std::uint8_t byte : bytes) WritePortByte(byte, port);
}

}  // namespace trackctl
