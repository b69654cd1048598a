// A port failure in words, from Windows' own message for its error code.
#include <windows.h>

#include "serial/port_failure.h"

namespace trackctl {
namespace {

std::string SystemMessage(int error) {
  char text[256] = {};
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                      static_cast<DWORD>(error), 0, text, sizeof text, nullptr);
  std::string message(text, length);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' ')) {
    message.pop_back();
  }
  return message.empty() ? "error " + std::to_string(error) : message;
}

}  // namespace

std::string DescribePortFailure(const PortFailure& failure) {
  const std::string reason = SystemMessage(failure.errorNumber);
  switch (failure.step) {
    case PortStep::kOpen:
      // A COM port that another program has open refuses access.
      if (failure.errorNumber == ERROR_ACCESS_DENIED) return "busy or not allowed: " + reason;
      return "cannot open: " + reason;
    case PortStep::kGetState:
    case PortStep::kSetState:
      return "not a serial port, or its line cannot be set up: " + reason;
    case PortStep::kSetTimeouts:
      return "cannot set its time-outs: " + reason;
    case PortStep::kRead:
    case PortStep::kWrite:
      if (failure.errorNumber == ERROR_DEVICE_NOT_CONNECTED || failure.errorNumber == ERROR_BAD_COMMAND ||
          failure.errorNumber == ERROR_OPERATION_ABORTED) {
        return "device gone: " + reason;
      }
      return std::string(failure.step == PortStep::kRead ? "read failed: " : "write failed: ") + reason;
  }
  return reason;
}

}  // namespace trackctl
