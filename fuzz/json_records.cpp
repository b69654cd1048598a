// The --json writer: the records parsed from any block bytes, a READCONFIG
// reply of any key and kind letter, and device info of any bytes, written as
// JSON text that must be printable ASCII, parse back and agree field by field.
#include <algorithm>
#include <array>
#include <cstdio>

#include "app/device/json_records.h"
#include "fuzz/fuzz_support.h"
#include "tests/common/record_json_check.h"

using namespace trackctl;

namespace {

constexpr std::size_t kKeyAt = 0;
constexpr std::size_t kKindAt = kKeyAt + 10;
constexpr std::size_t kConfigAt = kKindAt + 1;
constexpr std::size_t kStatusAt = kConfigAt + kConfigBlockSize;
constexpr std::size_t kInputSize = kStatusAt + kStatusBlockSize;

// Parses `text` with the library and hands it to `difference`, which must find none.
template <typename Difference>
void CheckReadsBack(const std::string& text, Difference difference) {
  FUZZ_CHECK(std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c <= 0x7E; }));
  const nlohmann::json object = nlohmann::json::parse(text, nullptr, false);
  FUZZ_CHECK(!object.is_discarded());
  const std::string found = difference(object);
  if (!found.empty()) std::fprintf(stderr, "%s\n%s\n", text.c_str(), found.c_str());
  FUZZ_CHECK(found.empty());
}

std::string Slice(const std::array<std::uint8_t, kInputSize>& bytes, std::size_t at, std::size_t width) {
  return std::string(reinterpret_cast<const char*>(bytes.data() + at), width);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The key and kind letter of a reply, its configuration and its status block;
  // bytes past the input are 0x00.
  std::array<std::uint8_t, kInputSize> bytes{};
  std::copy_n(data, std::min(size, bytes.size()), bytes.begin());

  ConfigRecord config;
  std::copy_n(bytes.begin() + kKeyAt, 10, config.serialKey.begin());
  config.kind = static_cast<char>(bytes[kKindAt]);
  ParseConfigRecord(std::span(bytes).subspan<kConfigAt, kConfigBlockSize>(), config);
  StatusRecord status;
  ParseStatusRecord(std::span(bytes).subspan<kStatusAt, kStatusBlockSize>(), status);
  CheckReadsBack(JsonText(ReadConfigJson(config, status)), [&](const nlohmann::json& object) {
    return testing::ReadConfigJsonDifference(object, config, status);
  });
  // Both blocks whatever the kind letter.
  CheckReadsBack(JsonText(ConfigRecordJson(config)),
                 [&](const nlohmann::json& object) { return testing::ConfigJsonDifference(object, config); });
  CheckReadsBack(JsonText(StatusRecordJson(status)),
                 [&](const nlohmann::json& object) { return testing::StatusJsonDifference(object, status); });

  // Device info texts may hold any byte, NULs included.
  const InitFields fields{Slice(bytes, 0, 10), {Slice(bytes, 10, 2), Slice(bytes, 12, 2), Slice(bytes, 14, 2)},
                          Slice(bytes, 16, 4)};
  CheckReadsBack(JsonText(DeviceInfoJson(fields)),
                 [&](const nlohmann::json& object) { return testing::DeviceInfoJsonDifference(object, fields); });
  return 0;
}
