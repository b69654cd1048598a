#include <string>

#include "sim/handlers.h"

namespace tracksim {

// 0xEA "SERIALKEY_" key(10) 0xE4: the key, as sent, is what the next INIT reports.
Actions AnswerSerialKey(Device& device, std::span<const std::uint8_t> request) {
  device.state().serialKey.assign(request.begin() + 11, request.begin() + 21);
  return device.Reply(ToBytes("\xEASERIALKEY_OK\xE4"));
}

}  // namespace tracksim
