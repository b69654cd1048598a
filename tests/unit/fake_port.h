// A serial port that plays back scripted bytes and records what is written to it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <string_view>
#include <vector>

#include "serial/serial_port.h"

namespace trackctl::testing {

class FakePort : public SerialPort {
 public:
  // Queues bytes for the program to read.
  void Script(std::string_view bytes) { incoming.insert(incoming.end(), bytes.begin(), bytes.end()); }
  void Script(const std::vector<std::uint8_t>& bytes) { incoming.insert(incoming.end(), bytes.begin(), bytes.end()); }

  bool SetTimeouts(const CommTimeouts& t) override {
    timeouts.push_back(t);
    return !failTimeouts;
  }
  ReadResult Read(std::span<std::uint8_t> dst) override {
    ++reads;
    if (failReadsWhenEmpty && incoming.empty()) return {false, 0};
    const std::size_t n = std::min(dst.size(), std::min(incoming.size(), maxPerRead));
    for (std::size_t i = 0; i < n; ++i) {
      dst[i] = incoming.front();
      incoming.pop_front();
    }
    return {true, static_cast<std::uint32_t>(n)};
  }
  bool WriteByte(std::uint8_t byte) override {
    written.push_back(byte);
    return true;
  }
  DtrResult SetDtr(bool raised) override {
    dtr.push_back(raised);
    return dtrResult;
  }
  int LastError() const override { return 5; }

  std::deque<std::uint8_t> incoming;
  std::vector<std::uint8_t> written;
  std::vector<bool> dtr;
  std::vector<CommTimeouts> timeouts;
  std::size_t reads = 0;
  std::size_t maxPerRead = SIZE_MAX;
  bool failReadsWhenEmpty = true;  // a drained script ends the run instead of spinning
  bool failTimeouts = false;
  DtrResult dtrResult = DtrResult::kUnsupported;
};

}  // namespace trackctl::testing
