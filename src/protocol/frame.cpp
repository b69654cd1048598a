#include "protocol/frame.h"

#include <cstring>

#include "protocol/awaited_reply.h"

namespace trackctl {

FrameCollector::FrameCollector(std::span<std::uint8_t> destination) : destination_(destination) {
  destination_[0] = 0;
}

void FrameCollector::Store(std::uint8_t byte) {
  ++seen_;
  // Keep the last byte of the buffer for the NUL.
  if (stored_ + 1 < destination_.size()) {
    destination_[stored_++] = byte;
    destination_[stored_] = 0;
  } else {
    truncated_ = true;
  }
}

FrameCollector::Step FrameCollector::Feed(std::uint8_t byte) {
  if (done_) return Step::kDropped;
  if (!started_) {
    if (byte != FRAME_START) return Step::kDropped;
    started_ = true;
    Store(byte);
    return Step::kDropped;
  }
  Store(byte);
  if (byte == FRAME_END && seen_ >= expectedLength_) {
    done_ = true;
    return Step::kEnded;
  }
  return Step::kStored;
}

Reply ReceiveResponse(Session& session, std::span<std::uint8_t> destination, std::string_view awaited,
                      Shown shown) {
  FrameCollector collector(destination);
  while (!collector.done()) {
    const std::uint8_t byte = AwaitReplyByte(session, awaited);
    if (collector.Feed(byte) != FrameCollector::Step::kDropped && shown == Shown::kByteByByte) {
      session.report.ReplyByte();
    }
  }
  return Reply{collector.length(), collector.truncated()};
}

std::string_view ReplyText(std::span<const std::uint8_t> destination) {
  const auto* text = reinterpret_cast<const char*>(destination.data());
  return std::string_view(text, strnlen(text, destination.size()));
}

bool MatchesWhole(std::span<const std::uint8_t> destination, std::string_view expected) {
  return ReplyText(destination) == expected;
}

bool MatchesPrefix(std::span<const std::uint8_t> destination, std::string_view expected) {
  const std::string_view text = ReplyText(destination);
  return text.substr(0, expected.size()) == expected;
}

}  // namespace trackctl
