// The READCONFIG reply: the whole command over a line that carries the input,
// and the two blocks parsed and printed from the input's first bytes.
#include <algorithm>

#include "fuzz/fuzz_support.h"
#include "protocol/config_record.h"
#include "protocol/read_configuration.h"
#include "app/device/config_text.h"
#include "app/console/console_report.h"
#include "serial/port_failure.h"
#include "tests/unit/fixed_clock.h"

using namespace trackctl;

namespace {

// A text field is printed up to its NUL, which lies inside the field.
template <std::size_t N>
void CheckText(const std::array<char, N>& field) {
  FUZZ_CHECK(std::find(field.begin(), field.end(), '\0') != field.end());
}

std::size_t Lines(const std::string& text) { return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')); }

void ParseAndFormat(std::span<const std::uint8_t> bytes) {
  if (bytes.size() >= kConfigBlockSize) {
    ConfigRecord config;
    ParseConfigRecord(bytes.first<kConfigBlockSize>(), config);
    CheckText(config.smsc);
    CheckText(config.voiceNumber);
    CheckText(config.version);
    const std::string text = FormatConfigRecord(config);
    // 26 items on 25 lines, unless a text field itself holds a line end.
    FUZZ_CHECK(Lines(text) >= 25);
  }
  if (bytes.size() >= kStatusBlockSize) {
    StatusRecord status;
    ParseStatusRecord(bytes.first<kStatusBlockSize>(), status);
    CheckText(status.homeNumber);
    FUZZ_CHECK(Lines(FormatStatusRecord(status)) >= 7);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::SilenceStandardOutput();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> line(data, size);
  ParseAndFormat(line);

  fuzz::FuzzPort port(line);
  testing::FixedClock clock(LocalDateTime{2005, 6, 15, 9, 15, 20}, 1118826920);
  RandomGenerator random;
  ConsoleReport say(stdout);
  Session session{port, clock, random, say};
  try {
    say.Say("%s", DescribeConfigReply(ExchangeReadConfig(session)).c_str());
  } catch (const PortFailure& failure) {
    FUZZ_CHECK(failure.step == PortStep::kRead);  // the line went quiet in the middle of a reply
  }
  return 0;
}
