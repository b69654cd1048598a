// Frames: 0xEA, an ASCII token, an optional payload, 0xE4. Reply collection and matching.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "protocol/session.h"

namespace trackctl {

inline constexpr std::uint8_t FRAME_START = 0xEA;
inline constexpr std::uint8_t FRAME_END = 0xE4;
inline constexpr std::uint8_t WAKE_BYTE = 0xFA;

// The bytes of a token or frame written as text.
inline std::span<const std::uint8_t> AsBytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// Collects one frame into a caller's buffer, one byte at a time. Bytes before
// FRAME_START are dropped; the frame ends with the first FRAME_END after it.
// The buffer always holds a NUL after the stored bytes; bytes of a frame that
// would not fit are consumed and dropped, never written past the buffer.
class FrameCollector {
 public:
  // `destination` must hold at least one byte (for the NUL).
  explicit FrameCollector(std::span<std::uint8_t> destination);

  enum class Step { kDropped, kStored, kEnded };
  // Takes the next byte from the line. kStored and kEnded report a byte that
  // belongs to the frame (after FRAME_START): the ones a progress mark counts.
  Step Feed(std::uint8_t byte);

  // The frame is `frameLength` bytes long at least (FRAME_START and FRAME_END
  // included), as a reply that announces its own length is: a FRAME_END byte
  // before that is an ordinary byte.
  void ExpectLength(std::size_t frameLength) { expectedLength_ = frameLength; }

  bool done() const { return done_; }
  std::size_t length() const { return stored_; }  // bytes stored, NUL not counted
  bool truncated() const { return truncated_; }   // the frame was longer than the buffer

 private:
  void Store(std::uint8_t byte);

  std::span<std::uint8_t> destination_;
  std::size_t stored_ = 0;
  std::size_t seen_ = 0;  // bytes of the frame so far, stored or not
  std::size_t expectedLength_ = 0;
  bool started_ = false;
  bool done_ = false;
  bool truncated_ = false;
};

struct Reply {
  std::size_t length = 0;  // bytes stored from FRAME_START on, NUL not counted
  bool truncated = false;
};

enum class Shown { kNo, kByteByByte };

// Reads the reply to `awaited` (its request's token) into `destination`,
// NUL-terminated, under the session's silence limit. Shown byte by byte, each
// byte after FRAME_START is reported as it arrives.
Reply ReceiveResponse(Session& session, std::span<std::uint8_t> destination, std::string_view awaited,
                      Shown shown = Shown::kNo);

// The stored reply as a C string: its bytes up to the first NUL.
std::string_view ReplyText(std::span<const std::uint8_t> destination);

// The reply, as a C string, equals `expected` exactly.
bool MatchesWhole(std::span<const std::uint8_t> destination, std::string_view expected);

// The first expected.size() bytes of the reply, as a C string, equal `expected`.
bool MatchesPrefix(std::span<const std::uint8_t> destination, std::string_view expected);

}  // namespace trackctl
