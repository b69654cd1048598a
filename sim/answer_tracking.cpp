#include <cstddef>

#include "sim/handlers.h"

namespace tracksim {
namespace {

// Reads `width` bytes from `at` on, most significant first, and moves `at` past them.
std::uint32_t Take(std::span<const std::uint8_t> bytes, std::size_t& at, std::size_t width) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < width; ++i) value = (value << 8) | bytes[at++];
  return value;
}

template <typename Field>
void Store(Field& field, std::span<const std::uint8_t> bytes, std::size_t& at, std::size_t width = sizeof(Field)) {
  field = static_cast<Field>(Take(bytes, at, width));
}

// Where the fields that the configuration block keeps start in the start frame:
// after 0xEA, "STARTTRACK_", a 14-character text, three digits and the random byte.
constexpr std::size_t kStartTrackFields = 30;

}  // namespace

// The 103-byte start frame: the device takes the feature mask, the PC's time and
// date words and the tracking settings into its configuration block and starts tracking.
Actions AnswerStartTrack(Device& device, std::span<const std::uint8_t> request) {
  ConfigBlock& config = device.state().config;
  std::size_t at = kStartTrackFields;
  Store(config.featuresEnabled, request, at);
  Store(config.deviceTimeWord, request, at);
  Store(config.deviceDateWord, request, at);
  Store(config.trackInterval, request, at, 3);
  Store(config.stopDelayThreshold, request, at);
  Store(config.startDelayThreshold, request, at);
  Store(config.startDistanceThreshold, request, at);
  Store(config.ovSpdThreshold, request, at);
  Store(config.overSpdDelayThreshold, request, at);
  Store(config.overSpdTrackInterval, request, at);
  Store(config.accelThreshold, request, at);
  Store(config.decelThreshold, request, at);
  Store(config.dataCallTime, request, at);
  Store(config.dataCallInterval, request, at);
  Store(config.dataCallTrackInterval, request, at, 3);
  config.trackStatus = 1;
  return device.Reply(ToBytes("\xEA" "STARTTRACK_OK\xE4"));
}

// The 30-byte stop frame: the device stops tracking.
Actions AnswerStopTrack(Device& device, std::span<const std::uint8_t> /*request*/) {
  device.state().config.trackStatus = 0;
  return device.Reply(ToBytes("\xEA" "STOPTRACK_OK\xE4"));
}

}  // namespace tracksim
