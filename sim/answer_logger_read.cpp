#include <string>

#include "sim/handlers.h"

namespace tracksim {

// "\xEAPREAD_OK_<byte count>\xE4", then the data block: 0xEA, the sector's
// records back to back (and any filler the knobs ask for), 0xE4. OREAD alike.
Actions AnswerLoggerRead(Device& device, std::span<const std::uint8_t> request) {
  const bool sms = request[1] == 'P';
  const std::vector<LoggerRecordBytes>& sector = sms ? device.state().smsSector : device.state().dataCallSector;
  const Knobs& knobs = device.knobs();

  Bytes block{0xEA};
  for (const LoggerRecordBytes& record : sector) block.insert(block.end(), record.begin(), record.end());
  block.insert(block.end(), knobs.loggerExtraBytes, 0x00);

  std::string frame = sms ? "\xEAPREAD_OK_" : "\xEAOREAD_OK_";
  frame += knobs.loggerCountText.value_or(std::to_string(block.size() - 1));
  frame += '\xE4';
  block.push_back(0xE4);  // the block ends as every frame does
  Actions actions = device.Reply(ToBytes(frame));
  actions.push_back(Action{Action::Kind::kSend, std::move(block)});
  return actions;
}

}  // namespace tracksim
