// Waking the device and the INIT exchange that reports its serial key, version and type.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "protocol/session.h"

namespace trackctl {

struct InitFields {
  std::string serialKey;   // at most 10 characters
  std::string version[3];  // at most 2 characters each
  std::string deviceType;  // at most 4 characters
};

// The fields of a collected "\xEAINIT_OK" reply, its bytes from FRAME_START on.
// Each field reaches only as far as the frame (one that starts past its end is
// empty) and ends at a NUL of its own.
InitFields ParseInitReply(std::span<const std::uint8_t> reply);

struct InitAnswer {
  enum class Kind {
    kAccepted,    // "\xEAINIT_OK": `fields` holds what the device reported
    kInitError,   // the device answered "\xEAINIT_ERROR\xE4"
    kUnexpected,  // anything else
    kNoDevice,    // no echo of the wake-up byte within the session's wake limit
  };
  Kind kind = Kind::kUnexpected;
  InitFields fields;
};

// Wakes the device, switches to the command time-outs and runs the INIT exchange.
// When the device accepts, stores the serial key in the session.
InitAnswer InitializeDevice(Session& session);

}  // namespace trackctl
