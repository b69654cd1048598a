// A port operation that failed for good: the run cannot go on with this port.
// Thrown by the serial layer; the front end says what failed and ends the run.
#pragma once

#include <string>

namespace trackctl {

enum class PortStep {
  kOpen,         // the port does not open (missing, not a port, held by another program)
  kGetState,     // its line settings cannot be read
  kSetState,     // its line settings cannot be set
  kSetTimeouts,  // its read time-outs cannot be set
  kRead,         // a read failed
  kWrite,        // a write failed
};

struct PortFailure {
  PortStep step;
  int errorNumber;  // the platform's error code
};

// What went wrong, in words: the step and the system's own reason, e.g.
// "cannot open: No such file or directory", "busy: another program holds it",
// "not a serial port", "device gone: Input/output error".
std::string DescribePortFailure(const PortFailure& failure);

[[noreturn]] inline void FailPort(PortStep step, int errorNumber) { throw PortFailure{step, errorNumber}; }

}  // namespace trackctl
