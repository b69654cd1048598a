// A port failure in words, from the C library's errno.
#include <cerrno>
#include <cstring>

#include "serial/port_failure.h"

namespace trackctl {

std::string DescribePortFailure(const PortFailure& failure) {
  const int error = failure.errorNumber;
  const std::string reason = std::strerror(error);
  switch (failure.step) {
    case PortStep::kOpen:
      // flock() of a port that another program has locked.
      if (error == EWOULDBLOCK || error == EBUSY) return "busy: another program holds it";
      return "cannot open: " + reason;
    case PortStep::kGetState:
    case PortStep::kSetState:
      if (error == ENOTTY || error == EINVAL) return "not a serial port (" + reason + ")";
      return "cannot set up the line: " + reason;
    case PortStep::kSetTimeouts:
      return "cannot set its time-outs: " + reason;
    case PortStep::kRead:
    case PortStep::kWrite:
      // An adapter pulled out or a device switched off reads as these.
      if (error == EIO || error == ENXIO || error == ENODEV) return "device gone: " + reason;
      return std::string(failure.step == PortStep::kRead ? "read failed: " : "write failed: ") + reason;
  }
  return reason;
}

}  // namespace trackctl
