// Menu choice 1: the READCONFIG exchange against the simulated device.
#include <ctime>

#include "sim/blocks.h"
#include "tests/e2e/harness.h"

namespace trackctl::e2e {
namespace {

using tracksim::Bytes;
using tracksim::ToBytes;

// The default device's blocks, as the console shows them.
const std::string kConfigText =
    "GPS State = 1\nTrack Mode = 1\nTrack Status = 0\nUnits = 0\nSignal Strength = 23\nSession Id = 7\n"
    "Features Enabled = 3\nDevice Time = 9:15:20Device Date = 15/6/2005\nTrack Interval = 60\n"
    "Stop Delay Threshold = 300\nStart Delay Threshold = 5\nStart Distance Threshold = 10\n"
    "OvSpd Threshold = 100\nOverSpdDelayThreshold = 10\nOverSpdTrackInterval = 15\nAccel Threshold = 8\n"
    "Decel Threshold = 9\nDatacall Time = 1200\nDataCallInterval = 30\nDataCallTrackInterval = 600\n"
    "ErrorCode = 0\nSMSC = +919845086000\ncumulative distance = 123456\nVoice Number = +919845012345\n"
    "version = R1.5.2\n";
const std::string kStatusText =
    "GSM Type = 2\nGPS Type = 1\nLast Bootup Time = 8:0:0Last Bootup Date = 15/6/2005\n"
    "Last Logger Time = 8:53:20Last Logger Date = 15/6/2005\nCode Upgrade Date = 12/6/2005\n"
    "Code Release Date = 10/5/2005\nHome Number = +919845099999\n";

class ReadConfig : public E2eTest {};

std::uint16_t TimeWordNow(std::time_t t) {
  const std::tm* local = std::localtime(&t);
  return static_cast<std::uint16_t>((local->tm_hour * 3600 + local->tm_min * 60 + local->tm_sec) / 2);
}

std::uint16_t DateWordNow(std::time_t t) {
  const std::tm* local = std::localtime(&t);
  return static_cast<std::uint16_t>((local->tm_year % 100) * 416 + (local->tm_mon + 1) * 32 + local->tm_mday);
}

TEST_F(ReadConfig, SendsTheRequestWithTheClockAndTheFirstRandomByte) {
  const std::time_t before = std::time(nullptr);
  AfterStartUp("1\n\n0\n");
  const std::time_t after = std::time(nullptr);
  const Bytes received = sim().Received();
  ASSERT_EQ(received.size(), kHandshake.size() + 35);
  const Bytes request(received.begin() + static_cast<std::ptrdiff_t>(kHandshake.size()), received.end());
  EXPECT_EQ(Bytes(request.begin(), request.begin() + 13), ToBytes("\xEAREADCONFIG_C"));
  const unsigned timeWord = request[13] * 256u + request[14];
  const unsigned dateWord = request[15] * 256u + request[16];
  if (DateWordNow(before) == DateWordNow(after)) {  // not across midnight
    EXPECT_GE(timeWord, TimeWordNow(before));
    EXPECT_LE(timeWord, TimeWordNow(after));
    EXPECT_EQ(dateWord, DateWordNow(before));
  }
  EXPECT_EQ(request[17], 0x29);  // the first draw of the generator
  Bytes tail(16, 0);
  tail.push_back(0xE4);
  EXPECT_EQ(Bytes(request.begin() + 18, request.end()), tail);
}

TEST_F(ReadConfig, PrintsTheBlocksThatTheKindLetterNames) {
  const std::pair<std::uint8_t, std::string> kinds[] = {
      {'F', kConfigText + kStatusText}, {'C', kConfigText}, {'D', kStatusText}, {'c', ""}};
  for (const auto& [kind, text] : kinds) {
    knobs.readConfigKind = kind;
    StartSim();
    EXPECT_EQ(AfterStartUp("1\n\n0\n"), kReadConfigDone + text + kPause + kMainMenu) << kind;
  }
}

TEST_F(ReadConfig, BlockBytesE4AreValuesAndTheNextCommandStillWorks) {
  state.config.deviceDateWord = 0x08E4;           // 4/6/2005
  state.config.dataCallInterval = 0xE4;
  state.config.cumulativeDistance = -454761244;   // E4 E4 E4 E4
  state.status.loggerTimeWord = 0x00E4;           // 456 s
  state.status.codeUpgradeDateWord = 0x08E4;
  state.status.homeNumber = "12345678901234";     // ends just before FRAME_END ...
  state.config.version = "V1.0\xE4";
  // ... and the reply arrives in pieces, with pauses after some of its 0xE4 bytes.
  knobs.chunkSize = 12;
  knobs.chunkPauseMs = 40;
  std::string config = kConfigText;
  auto swap = [](std::string& text, const std::string& from, const std::string& to) {
    const auto at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
  };
  swap(config, "Device Date = 15/6/2005", "Device Date = 4/6/2005");
  swap(config, "DataCallInterval = 30", "DataCallInterval = 228");
  swap(config, "cumulative distance = 123456", "cumulative distance = -454761244");
  swap(config, "version = R1.5.2", "version = V1.0\xE4");
  std::string status = kStatusText;
  swap(status, "Last Logger Time = 8:53:20", "Last Logger Time = 0:7:36");
  swap(status, "Code Upgrade Date = 12/6/2005", "Code Upgrade Date = 4/6/2005");
  swap(status, "Home Number = +919845099999", "Home Number = 12345678901234");
  const std::string once = kReadConfigDone + config + status + kPause + kMainMenu;
  EXPECT_EQ(AfterStartUp("1\n\n1\n\n0\n"), once + once);
  EXPECT_EQ(Served(), (std::vector<std::string>{"INIT", "READCONFIG_", "READCONFIG_"}));
}

TEST_F(ReadConfig, AShortReplyIsReportedWithoutValues) {
  Bytes reply = ToBytes("\xEAREADCONFIG_OK_" + state.serialKey + "F");
  const Bytes block = tracksim::EncodeConfigBlock(state.config);
  reply.insert(reply.end(), block.begin(), block.begin() + 30);
  reply.push_back(0xE4);
  knobs.replyFor["READCONFIG_"] = reply;
  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(AfterStartUp("1\n\n0\n"),
            kReadConfigSent + "\nshort reply from device: 57 of 124 bytes received.\n" + kPause + kMainMenu);
  EXPECT_GE(std::chrono::steady_clock::now() - started, 900ms);  // a quiet second first
}

TEST_F(ReadConfig, ErrorAndUnknownReplies) {
  knobs.replyFor["READCONFIG_"] = ToBytes("\xEA" "ERROR_NOT_READY\xE4");
  StartSim();
  EXPECT_EQ(AfterStartUp("1\n\n0\n"),
            kReadConfigSent + "\nan error occured. \xEA" "ERROR_NOT_READY\xE4\n" + kPause + kMainMenu);

  knobs.replyFor["READCONFIG_"] = ToBytes("\xEAREADCONFIG_BUSY\xE4");
  StartSim();
  EXPECT_EQ(AfterStartUp("1\n\n0\n"), kReadConfigSent + "\nunknown error occured." + kPause + kMainMenu);
}

TEST_F(ReadConfig, NoiseBeforeTheReplyIsDropped) {
  knobs.noiseBeforeReply = {0x11, 0xFA, 0x00, 0xE4};
  EXPECT_EQ(AfterStartUp("1\n\n0\n"), kReadConfigDone + kConfigText + kStatusText + kPause + kMainMenu);
}

}  // namespace
}  // namespace trackctl::e2e
