#include "logger/logger_erase.h"

#include <array>

#include "protocol/frame.h"
#include "serial/transport.h"

namespace trackctl {
namespace {

constexpr std::size_t kReplyCapacity = 80;

}  // namespace

EraseAnswer EraseLoggerSector(Session& session, Sector sector) {
  const auto letter = static_cast<std::uint8_t>(SectorLetter(sector));
  session.report.StepBegun(Step::kSendingErase);
  const std::array<std::uint8_t, 6> request{FRAME_START, letter, 'D', 'E', 'L', FRAME_END};
  WritePortBuffer(session.port, request);
  session.report.StepBegun(Step::kErasing);

  std::array<std::uint8_t, kReplyCapacity> reply{};
  ReceiveResponse(session, reply, std::string_view(reinterpret_cast<const char*>(request.data()) + 1, 4));
  const std::array<char, 9> ok{static_cast<char>(FRAME_START), static_cast<char>(letter), 'D', 'E', 'L',
                               '_', 'O', 'K', static_cast<char>(FRAME_END)};
  EraseAnswer answer{EraseAnswer::Kind::kUnexpected, std::string(ReplyText(reply))};
  if (MatchesWhole(reply, std::string_view(ok.data(), ok.size()))) {
    answer.kind = EraseAnswer::Kind::kDone;
  } else if (MatchesWhole(reply, "\xEA" "DEL_ERROR\xE4")) {
    answer.kind = EraseAnswer::Kind::kDelError;
  }
  return answer;
}

}  // namespace trackctl
