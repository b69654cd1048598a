// The simulated tracking device: a plain record of the device's state and a
// request parser that answers every exchange the way a real device does, with
// knobs that make it misbehave for tests.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tracksim {

using Bytes = std::vector<std::uint8_t>;

Bytes ToBytes(std::string_view text);

// One thing the device does on the line.
struct Action {
  enum class Kind { kSend, kPause, kHangUp };
  Kind kind = Kind::kSend;
  Bytes bytes;           // kSend
  int milliseconds = 0;  // kPause
};
using Actions = std::vector<Action>;

inline constexpr std::size_t kLoggerRecordSize = 22;
using LoggerRecordBytes = std::array<std::uint8_t, kLoggerRecordSize>;

// What the device knows about itself.
struct DeviceState {
  std::string serialKey = "1000752301";  // 10 characters
  std::string version = "010203";        // three two-character parts
  std::string deviceType = "GT15";       // 4 characters

  // The last firmware image taken whole with a good checksum, and the date word
  // (the day it was taken) that the status block reports as the code upgrade date.
  std::size_t codeImageSize = 0;
  std::uint32_t codeChecksum = 0;
  std::uint16_t codeUpgradeDateWord = 0;
};

// Ways to make the device misbehave. The defaults give a well-behaved device.
struct Knobs {
  // Wake-up: ignore the first N wake bytes, answer the next one with another byte
  // first, then echo each wake byte this many times.
  int silentWakes = 0;
  std::optional<std::uint8_t> otherByteFirst;
  int wakeEchoes = 1;

  // Bytes sent before every reply frame.
  Bytes noiseBeforeReply;
  // Replies that replace the normal one, by request token (e.g. "INIT", "STOPTRACK").
  std::map<std::string, Bytes, std::less<>> replyFor;
  // Answer every request with the request itself.
  bool echoRequest = false;

  // Firmware upload: answer the header with these bytes instead of "CODE-OK" but
  // take the image all the same (replyFor["CODE_"] answers without taking it);
  // answer the image and checksum with these bytes instead of the verdict.
  std::optional<Bytes> codeHeaderReply;
  std::optional<Bytes> codeFinalReply;

  // Hang up (close the line) after sending this many bytes of the reply to the
  // request with this token; "" with 0 hangs up at the first wake byte.
  std::optional<std::string> hangUpOn;
  std::size_t hangUpAfterBytes = 0;

  // Everything the device sends goes out in pieces of this size with a pause
  // between them (0: all at once).
  std::size_t chunkSize = 0;
  int chunkPauseMs = 0;
};

class Device;

// How the device answers one kind of request.
struct RequestKind {
  std::string_view token;  // after FRAME_START, e.g. "INIT"
  std::size_t length;      // the whole request, FRAME_START and FRAME_END included
  Actions (*answer)(Device& device, std::span<const std::uint8_t> request);
};

class Device {
 public:
  explicit Device(DeviceState state = {}, Knobs knobs = {});

  // Takes the bytes that the PC sent and returns what the device does in answer.
  Actions Feed(std::span<const std::uint8_t> bytes);

  DeviceState& state() { return state_; }
  Knobs& knobs() { return knobs_; }
  // Tokens of the requests answered so far, in order.
  const std::vector<std::string>& served() const { return served_; }

  // Wraps a reply frame with the knobs that apply to every reply.
  Actions Reply(Bytes frame) const;

  // Makes the next `count` bytes from the PC a data phase outside any frame
  // (a firmware image, say), handed whole to `onData` when complete.
  using DataHandler = Actions (*)(Device& device, std::span<const std::uint8_t> data);
  void ExpectData(std::size_t count, DataHandler onData);

 private:
  void FeedByte(std::uint8_t byte, Actions& out);
  void AnswerWake(Actions& out);
  void Answer(Actions& out);
  const RequestKind* Identify() const;

  DeviceState state_;
  Knobs knobs_;
  std::vector<std::string> served_;
  int wakesSeen_ = 0;
  Bytes request_;  // the request being received, from its FRAME_START on
  bool inFrame_ = false;
  std::size_t dataExpected_ = 0;
  DataHandler onData_ = nullptr;
  Bytes data_;
  std::size_t sentSinceRequest_ = 0;
};

// Every request the device knows.
std::span<const RequestKind> RequestKinds();

}  // namespace tracksim
