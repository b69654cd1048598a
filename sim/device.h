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
  enum class Kind { kSend, kHangUp };
  Kind kind = Kind::kSend;
  Bytes bytes;  // kSend
};
using Actions = std::vector<Action>;

inline constexpr std::size_t kLoggerRecordSize = 22;
using LoggerRecordBytes = std::array<std::uint8_t, kLoggerRecordSize>;

// A plausible sector: `count` records of one event code, `stepSeconds` apart,
// with slowly changing values (sim/default_records.cpp).
std::vector<LoggerRecordBytes> DefaultLoggerRecords(std::size_t count, std::uint8_t headCode,
                                                    std::uint32_t stepSeconds);
// The sectors a new device holds: event code 5 every 30 s, event code 9 every 45 s.
std::vector<LoggerRecordBytes> DefaultSmsSector(std::size_t count = 300);
std::vector<LoggerRecordBytes> DefaultDataCallSector(std::size_t count = 250);

// The device's settings and clock, as it reports them in its configuration block.
// Times are time words (seconds of the day / 2), dates date words.
struct ConfigBlock {
  std::uint8_t gpsState = 1;
  std::uint8_t trackMode = 1;
  std::uint8_t trackStatus = 0;
  std::uint8_t units = 0;
  std::uint8_t signalStrength = 23;
  std::uint8_t sessionId = 7;
  std::uint16_t featuresEnabled = 3;
  std::uint16_t deviceTimeWord = 16660;  // 9:15:20
  std::uint16_t deviceDateWord = 2287;   // 15/6/2005
  std::uint32_t trackInterval = 60;      // 24 bits
  std::uint16_t stopDelayThreshold = 300;
  std::uint8_t startDelayThreshold = 5;
  std::uint8_t startDistanceThreshold = 10;
  std::uint8_t ovSpdThreshold = 100;
  std::uint8_t overSpdDelayThreshold = 10;
  std::uint8_t overSpdTrackInterval = 15;
  std::uint8_t accelThreshold = 8;
  std::uint8_t decelThreshold = 9;
  std::uint16_t dataCallTime = 1200;
  std::uint8_t dataCallInterval = 30;
  std::uint32_t dataCallTrackInterval = 600;  // 24 bits
  std::uint8_t errorCode = 0;
  std::string smsc = "+919845086000";         // up to 14 characters
  std::int32_t cumulativeDistance = 123456;
  std::string voiceNumber = "+919845012345";  // up to 14 characters
  std::string version = "R1.5.2";             // up to 6 characters

  bool operator==(const ConfigBlock&) const = default;
};

// What the device reports in its status block.
struct StatusBlock {
  std::uint8_t gsmType = 2;
  std::uint8_t gpsType = 1;
  std::uint16_t bootupTimeWord = 14400;      // 8:00:00
  std::uint16_t bootupDateWord = 2287;       // 15/6/2005
  std::uint16_t loggerTimeWord = 16000;      // 8:53:20
  std::uint16_t loggerDateWord = 2287;
  std::uint16_t codeUpgradeDateWord = 2284;  // 12/6/2005
  std::uint16_t codeReleaseDateWord = 2250;  // 10/5/2005
  std::string homeNumber = "+919845099999";  // up to 14 characters

  bool operator==(const StatusBlock&) const = default;
};

// What the device knows about itself.
struct DeviceState {
  std::string serialKey = "1000752301";  // 10 characters
  std::string version = "010203";        // three two-character parts
  std::string deviceType = "GT15";       // 4 characters
  ConfigBlock config;
  StatusBlock status;

  // The last firmware image taken whole with a good checksum; the day it was
  // taken becomes the code upgrade date of the status block.
  std::size_t codeImageSize = 0;
  std::uint32_t codeChecksum = 0;
  // Logger sectors, oldest record first.
  std::vector<LoggerRecordBytes> smsSector = DefaultSmsSector();
  std::vector<LoggerRecordBytes> dataCallSector = DefaultDataCallSector();

  bool operator==(const DeviceState&) const = default;
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

  // The kind letter of the READCONFIG answer: 'C' sends the configuration block,
  // 'D' the status block, 'F' both, any other byte none.
  std::uint8_t readConfigKind = 'F';
  // Firmware upload: answer the header with these bytes instead of "CODE-OK" but
  // take the image all the same (replyFor["CODE_"] answers without taking it);
  // answer the image and checksum with these bytes instead of the verdict.
  std::optional<Bytes> codeHeaderReply;
  std::optional<Bytes> codeFinalReply;
  // Hang up (close the line) once this many bytes of a data phase (a firmware
  // image, say) have been taken.
  std::optional<std::size_t> hangUpAfterTaking;

  // Hang up (close the line) after sending this many bytes of the reply to the
  // request with this token; "" with 0 hangs up at the first wake byte.
  std::optional<std::string> hangUpOn;
  std::size_t hangUpAfterBytes = 0;
  // Fall silent, the line kept open, after sending this many bytes of the reply
  // to the request with this token.
  std::optional<std::string> silentOn;
  std::size_t silentAfterBytes = 0;

  // Logger read: this text in place of the byte count after "_OK_", and filler
  // bytes sent after the records and counted in the byte count.
  std::optional<std::string> loggerCountText;
  std::size_t loggerExtraBytes = 0;
  // Logger erase: answer DEL_ERROR and keep the sector.
  bool loggerEraseFails = false;

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
  const DeviceState& state() const { return state_; }
  Knobs& knobs() { return knobs_; }
  // Tokens of the requests answered so far, in order.
  const std::vector<std::string>& served() const { return served_; }

  // Called after every exchange the device serves, with what it was asked
  // ("wake-up", a request's token, "data (N bytes)" for a data phase) and its answer.
  using ExchangeObserver = std::function<void(const Device& device, std::string_view request, const Actions& answer)>;
  void ObserveExchanges(ExchangeObserver observer) { observer_ = std::move(observer); }

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
  void Served(std::string_view request, const Actions& answer, Actions& out);

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
  ExchangeObserver observer_;
};

// Every request the device knows.
std::span<const RequestKind> RequestKinds();

}  // namespace tracksim
