// The table of requests the device answers, one row per exchange.
#include "sim/handlers.h"

namespace tracksim {

std::span<const RequestKind> RequestKinds() {
  static constexpr RequestKind kKinds[] = {
      {"INIT", 6, AnswerInit},
      {"PREAD", 7, AnswerLoggerRead},
      {"OREAD", 7, AnswerLoggerRead},
      {"PDEL", 6, AnswerLoggerErase},
      {"ODEL", 6, AnswerLoggerErase},
  };
  return kKinds;
}

}  // namespace tracksim
