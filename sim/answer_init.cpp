#include <string>

#include "sim/handlers.h"

namespace tracksim {

// "\xEAINIT_OK" ' ' key(10) ' ' version(6) ' ' type(4) "\xE4": 32 bytes.
Actions AnswerInit(Device& device, std::span<const std::uint8_t> /*request*/) {
  const DeviceState& state = device.state();
  std::string frame = "\xEAINIT_OK ";
  frame += state.serialKey;
  frame += ' ';
  frame += state.version;
  frame += ' ';
  frame += state.deviceType;
  frame += '\xE4';
  return device.Reply(ToBytes(frame));
}

}  // namespace tracksim
