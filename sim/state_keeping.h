// What tracksim does around its device: the state it starts from, and what it
// does after each exchange (the --log line, the --state file).
#pragma once

#include "sim/device.h"
#include "sim/options.h"

namespace tracksim {

// The state file's content when there is one, with what the options set on top;
// the file is written at once when it is new or the options changed it. Throws
// std::runtime_error when the file cannot be read or written.
DeviceState InitialState(const SimOptions& options);

// Prints the --log line, and rewrites the state file after an exchange that
// changed the state (`saved` is what the file holds); a failed write is reported
// on stderr and the device goes on.
Device::ExchangeObserver AfterEachExchange(const SimOptions& options, DeviceState saved);

}  // namespace tracksim
