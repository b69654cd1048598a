// The table of requests the device answers, one row per exchange.
#include "sim/handlers.h"

namespace tracksim {

std::span<const RequestKind> RequestKinds() {
  static constexpr RequestKind kKinds[] = {
      {"INIT", 6, AnswerInit},
      {"READCONFIG_", 35, AnswerReadConfig},
      {"STARTTRACK_", 103, AnswerStartTrack},
      {"STOPTRACK", 30, AnswerStopTrack},
  };
  return kKinds;
}

}  // namespace tracksim
