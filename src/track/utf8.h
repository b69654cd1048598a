// UTF-8 as device text and file names are checked against before they are
// stored or written out: such text may hold any bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace trackctl {

struct Utf8Sequence {
  std::size_t length = 0;  // 0: no valid sequence
  std::uint32_t code = 0;
};

// The valid UTF-8 sequence at the start of `text` (shortest form, no surrogate,
// at most U+10FFFF) and its code point; length 0 when there is none. NUL counts
// as a valid sequence of its own.
Utf8Sequence LeadingUtf8(std::string_view text);

}  // namespace trackctl
