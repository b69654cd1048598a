// What the fuzz targets share: a serial line that plays the fuzzer's bytes, a
// check that stops the run with a message, and a quiet standard output.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>

#include "serial/serial_port.h"

namespace trackctl::fuzz {

// Stops the run, which libFuzzer reports as a crash with this input.
#define FUZZ_CHECK(condition)                                                        \
  do {                                                                               \
    if (!(condition)) {                                                              \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                  \
    }                                                                                \
  } while (false)

// The device side of the line: delivers `bytes`, at most `maxPerRead` per read,
// then goes quiet. A quiet line ends a read under a time-out empty-handed and
// fails a read that would wait without limit, as a port that has gone away does.
class FuzzPort : public SerialPort {
 public:
  explicit FuzzPort(std::span<const std::uint8_t> bytes, std::size_t maxPerRead = SIZE_MAX)
      : bytes_(bytes), maxPerRead_(std::max<std::size_t>(maxPerRead, 1)) {}

  bool SetTimeouts(const CommTimeouts& timeouts) override {
    timed_ = timeouts.readTotalTimeoutConstant != 0 || timeouts.readTotalTimeoutMultiplier != 0;
    return true;
  }
  ReadResult Read(std::span<std::uint8_t> dst) override {
    const std::size_t n = std::min({dst.size(), bytes_.size() - at_, maxPerRead_});
    if (n == 0 && !dst.empty()) return {timed_, 0};
    std::memcpy(dst.data(), bytes_.data() + at_, n);
    at_ += n;
    return {true, static_cast<std::uint32_t>(n)};
  }
  bool WriteByte(std::uint8_t) override { return true; }
  DtrResult SetDtr(bool) override { return DtrResult::kUnsupported; }
  int LastError() const override { return 5; }

  std::size_t consumed() const { return at_; }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t at_ = 0;
  std::size_t maxPerRead_;
  bool timed_ = false;
};

// The commands print as they go; the fuzzer's own report goes to standard error.
inline void SilenceStandardOutput() {
  if (std::freopen("/dev/null", "w", stdout) == nullptr) std::abort();
}

}  // namespace trackctl::fuzz
