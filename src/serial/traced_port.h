// The protocol trace: a serial port that passes everything to the real port and
// appends every byte written to and read from it to a trace file (see
// serial/trace_format.h for a line). A line ends after 16 bytes, when the
// direction changes, and when the program starts to wait for the device, so that
// what it sent is on record even if no answer ever comes. Each line is flushed
// as it is written, and the last one when the port is closed, however the run ends.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "files/file_handle.h"
#include "serial/serial_port.h"
#include "serial/trace_format.h"

namespace trackctl {

using TraceFile = FileHandle;

// The local time now, as FormatTraceStamp writes it.
std::string LocalTraceStamp();

class TracedPort : public SerialPort {
 public:
  using Stamp = std::string (*)();
  TracedPort(std::unique_ptr<SerialPort> port, TraceFile file, Stamp stamp = LocalTraceStamp);
  ~TracedPort() override;
  TracedPort(const TracedPort&) = delete;
  TracedPort& operator=(const TracedPort&) = delete;

  bool SetTimeouts(const CommTimeouts& timeouts) override;
  ReadResult Read(std::span<std::uint8_t> dst) override;
  bool WriteByte(std::uint8_t byte) override;
  DtrResult SetDtr(bool raised) override;
  int LastError() const override;

 private:
  void Record(TraceDirection direction, std::span<const std::uint8_t> bytes);
  void EndLine();

  std::unique_ptr<SerialPort> port_;
  TraceFile file_;
  Stamp stamp_;
  TraceDirection direction_ = TraceDirection::kToDevice;
  std::string lineStamp_;  // the time of the line's first byte
  std::vector<std::uint8_t> line_;
};

}  // namespace trackctl
