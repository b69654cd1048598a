// The INIT reply: collected the way the handshake collects it, its fields, and
// the logger file name that the serial key becomes.
#include <array>

#include "app/console/console_report.h"
#include "fuzz/fuzz_support.h"
#include "logger/logger_file_name.h"
#include "protocol/frame.h"
#include "protocol/handshake.h"
#include "serial/port_failure.h"
#include "tests/unit/fixed_clock.h"

using namespace trackctl;

namespace {

void CheckField(const std::string& field, std::size_t width) {
  FUZZ_CHECK(field.size() <= width);
  // A field ends at the frame's end and at a NUL.
  FUZZ_CHECK(field.find('\0') == std::string::npos);
  FUZZ_CHECK(field.find(static_cast<char>(FRAME_END)) == std::string::npos);
}

void CheckFields(const InitFields& fields) {
  CheckField(fields.serialKey, 10);
  for (const std::string& part : fields.version) CheckField(part, 2);
  CheckField(fields.deviceType, 4);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::SilenceStandardOutput();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> line(data, size);
  // The bytes as they are, not NUL-terminated: the fields stay inside the span.
  CheckFields(ParseInitReply(line));

  std::array<std::uint8_t, 100> reply{};
  fuzz::FuzzPort port(line);
  testing::FixedClock clock(LocalDateTime{}, 0);
  RandomGenerator random;
  ConsoleReport say(stdout);
  Session session{port, clock, random, say};
  try {
    ReceiveResponse(session, reply, "INIT");
  } catch (const PortFailure&) {
    return 0;
  }
  if (!MatchesPrefix(reply, "\xEAINIT_OK")) return 0;
  const InitFields fields = ParseInitReply(reply);
  CheckFields(fields);

  const std::optional<std::string> name = LoggerFileName(fields.serialKey, 'P', LocalDateTime{2005, 6, 15, 9, 15, 20});
  FUZZ_CHECK(name.has_value() == IsSafeKeyForFileName(fields.serialKey));
  if (!name) return 0;
  // A name in the working folder: no separator, no drive, no control character.
  FUZZ_CHECK(*name == fields.serialKey + "_P20050615091520.dat");
  for (const char c : *name) {
    FUZZ_CHECK(c != '/' && c != '\\' && c != ':');
    FUZZ_CHECK(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F);
  }
  return 0;
}
