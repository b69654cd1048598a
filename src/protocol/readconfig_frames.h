// The READCONFIG exchange's frames: the 35-byte request and the collection of
// the reply, whose kind letter announces how many block bytes follow it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "protocol/frame.h"
#include "protocol/timewords.h"

namespace trackctl {

inline constexpr std::size_t kReadConfigRequestSize = 35;

// "\xEAREADCONFIG_" 'C', time word, date word, random byte, sixteen 0x00, FRAME_END.
std::array<std::uint8_t, kReadConfigRequestSize> BuildReadConfigRequest(const LocalDateTime& now,
                                                                         std::uint8_t randomByte);

// Success reply: "\xEAREADCONFIG_OK" and one more byte (not compared), the serial
// key, the kind letter, the block(s) and FRAME_END.
inline constexpr std::string_view kReadConfigOk = "\xEAREADCONFIG_OK";
inline constexpr std::size_t kReplyKeyOffset = 15;
inline constexpr std::size_t kReplyKeySize = 10;
inline constexpr std::size_t kReplyKindOffset = 25;
inline constexpr std::size_t kReplyHeaderSize = 26;  // the blocks start here

// The whole length of a success reply, FRAME_START and FRAME_END included, from
// its first kReplyHeaderSize bytes: by the kind letter, 'C' carries the
// configuration block, 'D' the status block, 'F' both. Nothing for other replies
// and other kind letters: those end at their first FRAME_END.
std::optional<std::size_t> ConfigReplyLength(std::span<const std::uint8_t> header);

// Collects a READCONFIG reply into a caller's buffer. A success reply with the
// kind letter 'C', 'D' or 'F' runs to the length that the letter announces, so a
// block byte 0xE4 does not end it; any other reply ends at its first FRAME_END.
class ConfigReplyCollector {
 public:
  explicit ConfigReplyCollector(std::span<std::uint8_t> destination);

  void Feed(std::uint8_t byte);

  bool done() const { return frame_.done(); }
  // The last byte was a FRAME_END before the announced length: either a block
  // byte 0xE4, or the end of a reply that is short.
  bool mayHaveEnded() const { return mayHaveEnded_; }
  std::size_t length() const { return frame_.length(); }
  std::optional<std::size_t> announcedLength() const { return announced_; }

 private:
  std::span<const std::uint8_t> destination_;
  FrameCollector frame_;
  bool headerChecked_ = false;
  std::optional<std::size_t> announced_;
  bool mayHaveEnded_ = false;
};

}  // namespace trackctl
