// Waiting for the device's reply under the session's silence limit.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "protocol/session.h"
#include "serial/comm_timeouts.h"

namespace trackctl {

// The device stayed silent for `limitMs` while the reply to `awaited` (a
// request's token, "READCONFIG") was due.
struct DeviceSilent {
  std::string awaited;
  std::uint32_t limitMs;
};

// The port's time-outs while a reply is due: a read waits without limit, or
// gives up after the session's reply limit without a byte.
CommTimeouts ReplyTimeouts(const Session& session);

// The next byte of the reply to `awaited`; throws DeviceSilent when the line
// stays quiet for the session's limit.
std::uint8_t AwaitReplyByte(Session& session, std::string_view awaited);

// Like ReadPortByteWithin, the reply time-outs back in force afterwards.
std::uint32_t ReadByteWithin(Session& session, std::uint8_t& byte, std::uint32_t milliseconds);

}  // namespace trackctl
