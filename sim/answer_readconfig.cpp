#include "sim/blocks.h"
#include "sim/handlers.h"

namespace tracksim {

// "\xEAREADCONFIG_OK_" key(10) kind, the block(s) the kind letter names, "\xE4".
Actions AnswerReadConfig(Device& device, std::span<const std::uint8_t> /*request*/) {
  const DeviceState& state = device.state();
  const std::uint8_t kind = device.knobs().readConfigKind;
  Bytes frame = ToBytes("\xEAREADCONFIG_OK_" + state.serialKey);
  frame.push_back(kind);
  if (kind == 'C' || kind == 'F') {
    const Bytes block = EncodeConfigBlock(state.config);
    frame.insert(frame.end(), block.begin(), block.end());
  }
  if (kind == 'D' || kind == 'F') {
    const Bytes block = EncodeStatusBlock(state.status);
    frame.insert(frame.end(), block.begin(), block.end());
  }
  frame.push_back(0xE4);
  return device.Reply(std::move(frame));
}

}  // namespace tracksim
