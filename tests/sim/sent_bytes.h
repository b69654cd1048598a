// What the device puts on the line for a list of actions.
#pragma once

#include "sim/device.h"

namespace tracksim {

inline Bytes SentBytes(const Actions& actions) {
  Bytes all;
  for (const Action& action : actions) {
    if (action.kind == Action::Kind::kSend) all.insert(all.end(), action.bytes.begin(), action.bytes.end());
  }
  return all;
}

}  // namespace tracksim
