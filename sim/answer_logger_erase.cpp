#include "sim/handlers.h"

namespace tracksim {

// Empties the sector: "\xEAPDEL_OK\xE4" or "\xEAODEL_OK\xE4"; DEL_ERROR when the knob says so.
Actions AnswerLoggerErase(Device& device, std::span<const std::uint8_t> request) {
  if (device.knobs().loggerEraseFails) return device.Reply(ToBytes("\xEA" "DEL_ERROR\xE4"));
  const bool sms = request[1] == 'P';
  (sms ? device.state().smsSector : device.state().dataCallSector).clear();
  return device.Reply(ToBytes(sms ? "\xEAPDEL_OK\xE4" : "\xEAODEL_OK\xE4"));
}

}  // namespace tracksim
