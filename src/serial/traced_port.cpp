#include "serial/traced_port.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <ctime>

namespace trackctl {

std::string LocalTraceStamp() {
  using std::chrono::system_clock;
  const system_clock::time_point now = system_clock::now();
  const std::time_t seconds = system_clock::to_time_t(now);
  const auto millisecond =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  const std::tm local = *std::localtime(&seconds);  // one thread: the shared result is safe to copy
  return FormatTraceStamp(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                          local.tm_sec, static_cast<int>(millisecond));
}

TracedPort::TracedPort(std::unique_ptr<SerialPort> port, TraceFile file, Stamp stamp)
    : port_(std::move(port)), file_(std::move(file)), stamp_(stamp) {}

TracedPort::~TracedPort() { EndLine(); }

bool TracedPort::SetTimeouts(const CommTimeouts& timeouts) { return port_->SetTimeouts(timeouts); }

ReadResult TracedPort::Read(std::span<std::uint8_t> dst) {
  if (direction_ == TraceDirection::kToDevice) EndLine();
  const ReadResult result = port_->Read(dst);
  Record(TraceDirection::kFromDevice, dst.first(std::min<std::size_t>(result.count, dst.size())));
  return result;
}

bool TracedPort::WriteByte(std::uint8_t byte) {
  const bool written = port_->WriteByte(byte);
  if (written) Record(TraceDirection::kToDevice, std::span<const std::uint8_t>(&byte, 1));
  return written;
}

DtrResult TracedPort::SetDtr(bool raised) { return port_->SetDtr(raised); }

int TracedPort::LastError() const { return port_->LastError(); }

void TracedPort::Record(TraceDirection direction, std::span<const std::uint8_t> bytes) {
  for (const std::uint8_t byte : bytes) {
    if (direction != direction_) EndLine();
    if (line_.empty()) {
      direction_ = direction;
      lineStamp_ = stamp_();
    }
    line_.push_back(byte);
    if (line_.size() == kTraceLineBytes) EndLine();
  }
}

void TracedPort::EndLine() {
  if (line_.empty()) return;
  std::fputs(FormatTraceLine(lineStamp_, direction_, line_).c_str(), file_.get());
  std::fflush(file_.get());
  line_.clear();
}

}  // namespace trackctl
