#include "sim/device.h"

#include <algorithm>
#include <utility>

namespace tracksim {
namespace {

constexpr std::uint8_t kFrameStart = 0xEA;
constexpr std::uint8_t kFrameEnd = 0xE4;
constexpr std::uint8_t kWakeByte = 0xFA;

// Cuts the actions after `limit` bytes sent; hangs up there, or falls silent.
Actions CutAfter(Actions actions, std::size_t limit, bool hangUp) {
  Actions out;
  std::size_t sent = 0;
  for (Action& action : actions) {
    if (action.kind == Action::Kind::kSend) {
      const std::size_t room = limit - sent;
      if (action.bytes.size() >= room) {
        action.bytes.resize(room);
        if (!action.bytes.empty()) out.push_back(std::move(action));
        break;
      }
      sent += action.bytes.size();
    }
    out.push_back(std::move(action));
  }
  if (hangUp) out.push_back(Action{Action::Kind::kHangUp, {}});
  return out;
}

}  // namespace

Bytes ToBytes(std::string_view text) { return Bytes(text.begin(), text.end()); }

Device::Device(DeviceState state, Knobs knobs) : state_(std::move(state)), knobs_(std::move(knobs)) {}

Actions Device::Reply(Bytes frame) const {
  Actions actions;
  if (!knobs_.noiseBeforeReply.empty()) {
    actions.push_back(Action{Action::Kind::kSend, knobs_.noiseBeforeReply});
  }
  actions.push_back(Action{Action::Kind::kSend, std::move(frame)});
  return actions;
}

void Device::ExpectData(std::size_t count, DataHandler onData) {
  dataExpected_ = count;
  onData_ = onData;
  data_.clear();
}

Actions Device::Feed(std::span<const std::uint8_t> bytes) {
  Actions out;
  for (const std::uint8_t byte : bytes) FeedByte(byte, out);
  return out;
}

void Device::FeedByte(std::uint8_t byte, Actions& out) {
  if (onData_ != nullptr) {
    data_.push_back(byte);
    if (knobs_.hangUpAfterTaking && data_.size() == *knobs_.hangUpAfterTaking) {
      out.push_back(Action{Action::Kind::kHangUp, {}});
      return;
    }
    if (data_.size() < dataExpected_) return;
    DataHandler handler = std::exchange(onData_, nullptr);
    Bytes data = std::move(data_);
    Served("data (" + std::to_string(data.size()) + " bytes)", handler(*this, data), out);
    return;
  }
  if (!inFrame_) {
    if (byte == kWakeByte) {
      AnswerWake(out);
    } else if (byte == kFrameStart) {
      inFrame_ = true;
      request_.assign(1, byte);
    }
    return;  // anything else outside a frame (the 0x00 before a firmware header) is ignored
  }
  request_.push_back(byte);
  if (byte != kFrameEnd) return;
  // A request of known length ends at its length, whatever its payload holds.
  const RequestKind* kind = Identify();
  if (kind != nullptr && request_.size() < kind->length) return;
  Answer(out);
}

void Device::AnswerWake(Actions& out) {
  ++wakesSeen_;
  Actions answer;
  if (knobs_.hangUpOn && knobs_.hangUpOn->empty()) {
    answer.push_back(Action{Action::Kind::kHangUp, {}});
  } else if (wakesSeen_ > knobs_.silentWakes) {
    const bool other = knobs_.otherByteFirst.has_value();
    const Bytes bytes = other ? Bytes{*knobs_.otherByteFirst}
                              : Bytes(static_cast<std::size_t>(knobs_.wakeEchoes), kWakeByte);
    answer.push_back(Action{Action::Kind::kSend, bytes});
    knobs_.otherByteFirst.reset();
  }
  Served("wake-up", answer, out);
}

void Device::Served(std::string_view request, const Actions& answer, Actions& out) {
  if (observer_) observer_(*this, request, answer);
  out.insert(out.end(), answer.begin(), answer.end());
}

const RequestKind* Device::Identify() const {
  const std::string_view text(reinterpret_cast<const char*>(request_.data()) + 1, request_.size() - 1);
  for (const RequestKind& kind : RequestKinds()) {
    if (text.starts_with(kind.token)) return &kind;
  }
  return nullptr;
}

void Device::Answer(Actions& out) {
  inFrame_ = false;
  const RequestKind* kind = Identify();
  Bytes request = std::exchange(request_, Bytes{});
  const std::string token = kind != nullptr
                                ? std::string(kind->token)
                                : std::string(request.begin() + 1, request.end() - 1);
  served_.push_back(token);

  Actions answer;
  if (knobs_.echoRequest) {
    answer = Reply(request);
  } else if (auto found = knobs_.replyFor.find(token); found != knobs_.replyFor.end()) {
    answer = Reply(found->second);
  } else if (kind != nullptr) {
    answer = kind->answer(*this, request);
  }
  // An unknown request gets no answer, as from a device that does not know it.
  if (knobs_.hangUpOn && *knobs_.hangUpOn == token) answer = CutAfter(std::move(answer), knobs_.hangUpAfterBytes, true);
  if (knobs_.silentOn && *knobs_.silentOn == token) answer = CutAfter(std::move(answer), knobs_.silentAfterBytes, false);
  Served(token, answer, out);
}

}  // namespace tracksim
