// The logger download: the count reply and the data block over a line that
// carries the input, into a logger file in a folder of its own. The first input
// byte sets how many bytes a block read may return at once.
#include <stdlib.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "fuzz/fuzz_support.h"
#include "logger/byte_count.h"
#include "app/device/download_run.h"
#include "serial/port_failure.h"
#include "tests/unit/fixed_clock.h"

using namespace trackctl;

// Counts beyond what a device can hold are refused by the allocator, as a machine
// without that much memory would, instead of being taken by the fuzzer for a leak.
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1:max_allocation_size_mb=64"; }

namespace {

// The working folder of the downloads, removed when the fuzzer ends.
struct WorkFolder {
  std::filesystem::path path;
  WorkFolder() {
    char pattern[] = "/tmp/trackctl-fuzz-XXXXXX";
    if (mkdtemp(pattern) == nullptr || chdir(pattern) != 0) std::abort();
    path = pattern;
  }
  ~WorkFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
};

// The count the way the C library reads a number: strtol on at most 19
// characters after the last '_', up to FRAME_END, clamped to 32 bits.
std::uint32_t ReferenceCount(std::string_view reply) {
  const std::size_t underscore = reply.rfind('_');
  if (underscore == std::string_view::npos) return 0;
  std::string text(reply.substr(underscore + 1));
  text = text.substr(0, text.find('\xE4')).substr(0, kCountTextCapacity);
  text = text.substr(0, text.find('\0'));
  long long value = std::strtoll(text.c_str(), nullptr, 10);
  value = std::clamp<long long>(value, INT_MIN, INT_MAX);
  return static_cast<std::uint32_t>(static_cast<std::int32_t>(value));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::SilenceStandardOutput();
  static WorkFolder folder;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  FUZZ_CHECK(ParseByteCount(text) == ReferenceCount(text));

  fuzz::FuzzPort port(std::span<const std::uint8_t>(data + 1, size - 1), std::size_t{1} << (data[0] % 12));
  testing::FixedClock clock(LocalDateTime{2005, 6, 15, 9, 15, 20}, 1118826920);
  RandomGenerator random;
  ConsoleReport say(stdout);
  Session session{port, clock, random, say};
  const std::string key = "1000752301";
  std::copy(key.begin(), key.end(), session.serialKey.begin());
  const InitFields device;
  CommandRun run{session, say, nullptr, device};
  DeviceCommand command;
  command.sector = (data[0] & 0x80) != 0 ? Sector::kSms : Sector::kDataCall;
  try {
    DownloadSector(run, command);
  } catch (const PortFailure& failure) {
    FUZZ_CHECK(failure.step == PortStep::kRead);  // the line went quiet in the middle of an exchange
  }
  // Every run finds the folder empty: a logger file is never written over, and a
  // name taken would make each run wait for a second that never comes.
  for (const auto& entry : std::filesystem::directory_iterator(".")) std::filesystem::remove(entry.path());
  return 0;
}
