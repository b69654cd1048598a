#include "logger/logger_erase.h"

#include <array>
#include <cstdio>
#include <string>

#include "protocol/frame.h"
#include "serial/transport.h"

namespace trackctl {
namespace {

constexpr std::size_t kReplyCapacity = 80;

}  // namespace

Outcome EraseLoggerSector(Session& session, int isSmsSector) {
  const bool sms = isSmsSector != 0;
  std::printf("\nSending delete initialization command to device...");
  const std::array<std::uint8_t, 6> request{FRAME_START, static_cast<std::uint8_t>(sms ? 'P' : 'O'), 'D', 'E', 'L',
                                            FRAME_END};
  WritePortBuffer(session.port, request);
  std::printf("\nDeleting data from device......");

  std::array<std::uint8_t, kReplyCapacity> reply{};
  ReceiveResponse(session.port, reply, false);
  if (sms && MatchesWhole(reply, "\xEAPDEL_OK\xE4")) {
    std::printf("\nDeleting Logger Data in SMS Sector Done...");
    return Outcome::kDone;
  }
  if (!sms && MatchesWhole(reply, "\xEAODEL_OK\xE4")) {
    std::printf("\nDeleting Logger Data in DataCall Sector Done...");
    return Outcome::kDone;
  }
  if (MatchesWhole(reply, "\xEA" "DEL_ERROR\xE4")) {
    std::printf("\nERROR RESPONSE...%s RETRY\n", std::string(ReplyText(reply)).c_str());
  }
  return Outcome::kRefused;
}

}  // namespace trackctl
