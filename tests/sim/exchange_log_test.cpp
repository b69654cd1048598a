#include "sim/exchange_log.h"

#include <gtest/gtest.h>

namespace tracksim {
namespace {

TEST(ExchangeLog, OneLineNamesTheRequestAndTheReplysToken) {
  std::vector<std::string> lines;
  DeviceState state;
  state.serialKey = "OKABCERROR";  // letters after the reply's token are not part of it
  Device device(state);
  device.ObserveExchanges([&](const Device&, std::string_view request, const Actions& answer) {
    lines.push_back(ExchangeLine(request, answer));
  });
  device.Feed(ToBytes("\xFA\xEAINIT\xE4"));
  device.Feed(ToBytes("\xEAREADCONFIG_" + std::string(23, '\0') + "\xE4"));
  device.Feed(ToBytes("\xEAPREAD\xE4\xEAWHAT\xE4"));
  device.Feed(ToBytes("\xEA" "CODE_00000004\xE4"));
  device.Feed(Bytes{0, 0, 0, 0, 0});  // the 0x00 after the header, an empty image, its checksum
  device.knobs().hangUpOn = "STOPTRACK";
  device.Feed(ToBytes("\xEASTOPTRACK" + std::string(19, '\0') + "\xE4"));
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "tracksim: wake-up -> FA",
                       "tracksim: INIT -> INIT_OK",
                       "tracksim: READCONFIG -> READCONFIG_OK",
                       "tracksim: PREAD -> PREAD_OK",
                       "tracksim: WHAT -> (no answer)",
                       "tracksim: CODE -> CODE-OK",
                       "tracksim: data (5 bytes) -> CODE_ACK",
                       "tracksim: STOPTRACK -> (no answer), then hangs up",
                   }));
}

}  // namespace
}  // namespace tracksim
