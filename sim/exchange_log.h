// The line tracksim --log prints for one exchange, e.g. "tracksim: INIT -> INIT_OK".
#pragma once

#include <string>
#include <string_view>

#include "sim/device.h"

namespace tracksim {

// `request` as the device names it (a token, "wake-up", "data (N bytes)"); the
// answer by the token of its first frame, by its bytes in hex when it sends no
// frame, or "(no answer)"; a hang-up is named too.
std::string ExchangeLine(std::string_view request, const Actions& answer);

}  // namespace tracksim
