// What the operator types (or a script pipes in): read with the rules of the
// menus, the serial key prompt and the file name prompt. The first input byte
// sets how many bytes each read of standard input returns.
#include <cstring>

#include "app/console/line_input.h"
#include "fuzz/fuzz_support.h"
#include "protocol/frame.h"
#include "protocol/serial_key_write.h"

using namespace trackctl;

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

void CheckSerialKeyFrame(const std::string& key) {
  const std::optional<SerialKeyFrame> frame = BuildSerialKeyFrame(key);
  FUZZ_CHECK(frame.has_value() == (key.size() <= kSerialKeyLength));
  if (!frame) return;
  constexpr std::string_view kHead = "\xEA" "SERIALKEY_";
  FUZZ_CHECK(std::ranges::equal(AsBytes(kHead), std::span(*frame).first(kHead.size())));
  std::string padded = key;
  padded.resize(kSerialKeyLength, ' ');
  FUZZ_CHECK(std::ranges::equal(AsBytes(padded), std::span(*frame).subspan(11, kSerialKeyLength)));
  FUZZ_CHECK(frame->back() == FRAME_END);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t chunk = 1 + data[0] % 16;
  const char* input = reinterpret_cast<const char*>(data + 1);
  std::size_t left = size - 1;
  LineInput reader([&](char* buffer, std::size_t room) {
    const std::size_t n = std::min({room, left, chunk});
    std::memcpy(buffer, input, n);
    input += n;
    left -= n;
    return n;
  });

  // A menu loop: the choice picks what is asked next. Every pass consumes input,
  // so the loop ends with it; the bound only guards against a reader that stalls.
  for (std::size_t pass = 0; !reader.AtEnd(); ++pass) {
    FUZZ_CHECK(pass <= size);
    const int choice = reader.ReadInt();
    switch (choice & 3) {
      case 0: {
        const std::optional<std::string> word = reader.ReadWord();
        if (!word) break;
        FUZZ_CHECK(!word->empty());
        FUZZ_CHECK(std::none_of(word->begin(), word->end(), IsSpace));
        CheckSerialKeyFrame(*word);
        break;
      }
      case 1: {
        const std::string line = reader.ReadLine();
        FUZZ_CHECK(line.find('\n') == std::string::npos);
        break;
      }
      case 2:
        reader.DropBuffered();
        break;
      default:
        break;
    }
    reader.DropRestOfLine();
  }
  return 0;
}
