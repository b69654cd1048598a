#include "serial/transport.h"

#include "serial/port_failure.h"

namespace trackctl {

std::uint32_t ReadPortByte(std::uint8_t& byte, SerialPort& port) {
  port.SetDtr(true);
  const ReadResult result = port.Read(std::span<std::uint8_t>(&byte, 1));
  if (!result.ok) FailPort(PortStep::kRead, port.LastError());
  port.SetDtr(false);
  return result.count;
}

void SetPortTimeouts(SerialPort& port, const CommTimeouts& timeouts) {
  if (!port.SetTimeouts(timeouts)) FailPort(PortStep::kSetTimeouts, port.LastError());
}

std::uint32_t ReadPortByteWithin(std::uint8_t& byte, SerialPort& port, std::uint32_t milliseconds,
                                 const CommTimeouts& after) {
  SetPortTimeouts(port, CommTimeouts{0, 0, milliseconds, 1, 1000});
  const std::uint32_t count = ReadPortByte(byte, port);
  SetPortTimeouts(port, after);
  return count;
}

BlockRead ReadPortBlock(SerialPort& port, std::span<std::uint8_t> dst) {
  BlockRead block;
  block.dtrRaiseFailed = port.SetDtr(true) == DtrResult::kFailed;
  ReadResult result{true, 0};
  if (!dst.empty()) result = port.Read(dst);
  block.count = result.count;
  block.failed = !result.ok;
  block.dtrLowerFailed = port.SetDtr(false) == DtrResult::kFailed;
  return block;
}

void WritePortByte(std::uint8_t byte, SerialPort& port) {
  if (!port.WriteByte(byte)) FailPort(PortStep::kWrite, port.LastError());
}

void WritePortBuffer(SerialPort& port, std::span<const std::uint8_t> bytes) {
  for (const std::uint8_t byte : bytes) WritePortByte(byte, port);
}

}  // namespace trackctl
