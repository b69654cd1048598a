// Reply collection: any bytes on the line, any buffer capacity. The first input
// byte picks the capacity and the progress marks; the rest is the line.
#include <vector>

#include "app/console/console_report.h"
#include "fuzz/fuzz_support.h"
#include "protocol/frame.h"
#include "serial/port_failure.h"
#include "tests/unit/fixed_clock.h"

using namespace trackctl;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::SilenceStandardOutput();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t capacity = 1 + data[0] % 128;
  const bool progressMarks = (data[0] & 0x80) != 0;
  const std::span<const std::uint8_t> line(data + 1, size - 1);

  // Where the frame lies on the line: its FRAME_START and the first FRAME_END after it.
  const auto start = std::find(line.begin(), line.end(), FRAME_START);
  const auto end = start == line.end() ? line.end() : std::find(start + 1, line.end(), FRAME_END);
  const bool whole = end != line.end();

  std::vector<std::uint8_t> buffer(capacity);  // exactly the capacity: any write past it is caught
  fuzz::FuzzPort port(line);
  testing::FixedClock clock(LocalDateTime{}, 0);
  RandomGenerator random;
  ConsoleReport marks(stdout);
  Session session{port, clock, random, marks};
  Reply reply;
  try {
    reply = ReceiveResponse(session, buffer, "FUZZ", progressMarks ? Shown::kByteByByte : Shown::kNo);
  } catch (const PortFailure& failure) {
    // The line went quiet before a frame was complete: the port error ends the run.
    FUZZ_CHECK(failure.step == PortStep::kRead);
    FUZZ_CHECK(!whole);
    return 0;
  }
  FUZZ_CHECK(whole);
  // Nothing of the frame is left unread, and nothing after it is taken.
  FUZZ_CHECK(port.consumed() == static_cast<std::size_t>(end - line.begin()) + 1);
  const auto frameLength = static_cast<std::size_t>(end - start) + 1;
  FUZZ_CHECK(reply.length == std::min(frameLength, capacity - 1));
  FUZZ_CHECK(reply.truncated == (frameLength > capacity - 1));
  FUZZ_CHECK(std::equal(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(reply.length), start));
  FUZZ_CHECK(buffer[reply.length] == 0);
  return 0;
}
