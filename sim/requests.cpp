// The table of requests the device answers, one row per exchange.
#include "sim/handlers.h"

namespace tracksim {

std::span<const RequestKind> RequestKinds() {
  static constexpr RequestKind kKinds[] = {
      {"INIT", 6, AnswerInit},
      {"READCONFIG_", 35, AnswerReadConfig},
      {"STARTTRACK_", 103, AnswerStartTrack},
      {"STOPTRACK", 30, AnswerStopTrack},
      {"CODE_", 15, AnswerCodeHeader},
      {"SERIALKEY_", 22, AnswerSerialKey},
      {"PREAD", 7, AnswerLoggerRead},
      {"OREAD", 7, AnswerLoggerRead},
      {"PDEL", 6, AnswerLoggerErase},
      {"ODEL", 6, AnswerLoggerErase},
  };
  return kKinds;
}

}  // namespace tracksim
