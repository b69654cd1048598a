// "config15.dat" of any content through the table to the start frame.
#include <algorithm>
#include <array>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "protocol/frame.h"
#include "protocol/start_tracking.h"
#include "protocol/tracking_config.h"

using namespace trackctl;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TrackingConfigTable table;
  const std::size_t slots = ParseTrackingConfig(std::span<const std::uint8_t>(data, size), table);
  FUZZ_CHECK(slots >= 1 && slots <= kTrackingSlots);
  for (const TrackingValue& value : table) {
    FUZZ_CHECK(value.back() == '\0');
    // A value never holds what ends a line or the input, nor the colon before it.
    for (const char c : SlotText(value)) FUZZ_CHECK(c != '\n' && c != '\r' && c != '\x1A' && c != '\xFF' && c != ':');
  }

  const StartFrame frame = BuildStartFrame(table, LocalDateTime{2005, 6, 15, 9, 15, 20}, 0x5A);
  constexpr std::string_view kHead = "\xEA" "STARTTRACK_";
  FUZZ_CHECK(std::ranges::equal(AsBytes(kHead), std::span(frame).first(kHead.size())));
  FUZZ_CHECK(frame[29] == 0x5A);
  FUZZ_CHECK(frame.back() == FRAME_END);

  // The padding on its own, into a destination of any size from 1 to 32 bytes.
  if (size >= 2) {
    std::vector<char> destination(1 + data[0] % 32);
    const int width = static_cast<std::int8_t>(data[1]);
    const std::string_view source(reinterpret_cast<const char*>(data + 2), size - 2);
    PadWithZeros(source, destination, width);
    const std::size_t room = destination.size() - 1;
    const std::size_t length = std::min(std::max(source.size(), static_cast<std::size_t>(std::max(width, 0))), room);
    FUZZ_CHECK(destination[length] == '\0');
    FUZZ_CHECK(std::equal(destination.begin(), destination.begin() + static_cast<std::ptrdiff_t>(std::min(source.size(), length)), source.begin()));
    FUZZ_CHECK(std::all_of(destination.begin() + static_cast<std::ptrdiff_t>(std::min(source.size(), length)),
                           destination.begin() + static_cast<std::ptrdiff_t>(length), [](char c) { return c == '0'; }));
  }
  return 0;
}
