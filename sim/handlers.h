// One answer per exchange; each lives in its own file.
#pragma once

#include "sim/device.h"

namespace tracksim {

Actions AnswerInit(Device& device, std::span<const std::uint8_t> request);
Actions AnswerReadConfig(Device& device, std::span<const std::uint8_t> request);
Actions AnswerStartTrack(Device& device, std::span<const std::uint8_t> request);
Actions AnswerStopTrack(Device& device, std::span<const std::uint8_t> request);
Actions AnswerCodeHeader(Device& device, std::span<const std::uint8_t> request);
Actions AnswerSerialKey(Device& device, std::span<const std::uint8_t> request);
Actions AnswerLoggerRead(Device& device, std::span<const std::uint8_t> request);
Actions AnswerLoggerErase(Device& device, std::span<const std::uint8_t> request);

}  // namespace tracksim
