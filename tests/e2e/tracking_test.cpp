// Start and stop tracking (menu choices 5 and 6) against the simulated device.
#include <algorithm>
#include <regex>
#include <ctime>
#include <filesystem>
#include <set>

#include "tests/e2e/harness.h"
#include "tests/common/expected_texts.h"

namespace trackctl::e2e {
namespace {

using tracksim::Bytes;
using tracksim::ToBytes;
using testing::kExampleStartFrame;

// What a command may carry when run between two readings of the calendar time:
// the time and date words (4 bytes, high bytes first) and the random byte.
struct Moments {
  std::set<Bytes> words;
  std::set<std::uint8_t> randomBytes;
};

Moments Between(std::time_t first, std::time_t last) {
  Moments moments;
  for (std::time_t t = first; t <= last; ++t) {
    std::tm local{};
    localtime_r(&t, &local);
    const unsigned timeWord = static_cast<unsigned>(local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec) / 2;
    const unsigned dateWord = static_cast<unsigned>((local.tm_year + 1900) % 100 * 416 + (local.tm_mon + 1) * 32 + local.tm_mday);
    moments.words.insert(Bytes{static_cast<std::uint8_t>(timeWord >> 8), static_cast<std::uint8_t>(timeWord),
                               static_cast<std::uint8_t>(dateWord >> 8), static_cast<std::uint8_t>(dateWord)});
    // The generator seeded with the calendar seconds, drawn once, bits 8 to 15.
    const std::uint32_t state = static_cast<std::uint32_t>(t) * 214013u + 2531011u;
    moments.randomBytes.insert(static_cast<std::uint8_t>(((state >> 16) & 0x7FFFu) >> 8));
  }
  return moments;
}

Bytes Slice(const Bytes& bytes, std::size_t offset, std::size_t count) {
  return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(offset),
               bytes.begin() + static_cast<std::ptrdiff_t>(offset + count));
}

class Tracking : public E2eTest {
 protected:
  // Runs the menu with `input` after the port answer and returns what follows start-up.
  std::string Run(const std::string& input) {
    first_ = std::time(nullptr);
    receivedBefore_ = sim().Received().size();
    const std::string output = AfterStartUp(input, 0);
    last_ = std::time(nullptr);
    return output;
  }

  // What this run wrote to the line after the handshake.
  Bytes SentByThisRun() { return SentAfterInit(receivedBefore_); }

  void ExpectStartFrame(const Bytes& frame) const {
    ASSERT_EQ(frame.size(), kExampleStartFrame.size());
    // The random byte (29) and the time and date words (32 to 35) depend on the moment.
    Bytes fixed = frame;
    Bytes expected(kExampleStartFrame.begin(), kExampleStartFrame.end());
    for (const std::size_t at : {29, 32, 33, 34, 35}) fixed[at] = expected[at] = 0;
    EXPECT_EQ(fixed, expected);
    const Moments moments = Between(first_, last_);
    EXPECT_TRUE(moments.words.contains(Slice(frame, 32, 4)));
    EXPECT_TRUE(moments.randomBytes.contains(frame[29]));
  }

  void ExpectStopFrame(const Bytes& frame) const {
    ASSERT_EQ(frame.size(), 30u);
    EXPECT_EQ(Slice(frame, 0, 10), ToBytes("\xEA" "STOPTRACK"));
    const Moments moments = Between(first_, last_);
    EXPECT_TRUE(moments.randomBytes.contains(frame[10]));
    EXPECT_TRUE(moments.words.contains(Slice(frame, 11, 4)));
    EXPECT_EQ(Slice(frame, 15, 15), Bytes({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xE4}));
  }

  std::time_t first_ = 0;
  std::time_t last_ = 0;
  std::size_t receivedBefore_ = 0;
};

TEST_F(Tracking, StartSendsTheExampleFileAndTheDeviceStartsTracking) {
  PutExample("config15.dat");
  EXPECT_EQ(Run("5\n\n0\n"), kStartSent + "\nSTART TRACKING...DONE" + kPause + kMainMenu);
  ExpectStartFrame(SentByThisRun());
  sim().WithDevice([](tracksim::Device& device) {
    const tracksim::ConfigBlock& config = device.state().config;
    EXPECT_EQ(config.trackStatus, 1);
    EXPECT_EQ(config.featuresEnabled, 0x000D);
    EXPECT_EQ(config.trackInterval, 30u);
    EXPECT_EQ(config.dataCallTrackInterval, 600u);
  });
}

TEST_F(Tracking, StartWithoutAReadableFileSendsNothing) {
  // The menu's message, and one line on standard error with the system's reason.
  const std::string shown = "Cannot open input file.\ntrackctl: config15.dat: cannot read the tracking settings: "
                            "REASON\n" + kPause + kMainMenu;
  const std::regex reason("settings: [^\n]+\n");
  EXPECT_EQ(std::regex_replace(Run("5\n\n0\n"), reason, "settings: REASON\n"), shown);
  EXPECT_TRUE(SentByThisRun().empty());
  // A folder of that name: on Linux it opens, and the first read fails.
  std::filesystem::create_directory(workdir() / "config15.dat");
  EXPECT_EQ(std::regex_replace(Run("5\n\n0\n"), reason, "settings: REASON\n"), shown);
  EXPECT_TRUE(SentByThisRun().empty());
}

TEST_F(Tracking, AnyOtherReplyToStartIsShown) {
  PutExample("config15.dat");
  knobs.noiseBeforeReply = {0x00, 0xFA};
  knobs.replyFor["STARTTRACK_"] = ToBytes("\xEA" "STARTTRACK_ERR\xE4");
  EXPECT_EQ(Run("5\n\n0\n"), kStartSent + "\nERROR RESPONSE...\xEA" "STARTTRACK_ERR\xE4\n" + kPause + kMainMenu);
  ExpectStartFrame(SentByThisRun());
}

TEST_F(Tracking, StopWorksWithoutTheFileAndEndsTracking) {
  state.config.trackStatus = 1;
  EXPECT_EQ(Run("6\n\n0\n"), kStopSent + "\nStop Tracking...DONE" + kPause + kMainMenu);
  ExpectStopFrame(SentByThisRun());
  EXPECT_EQ(Device([](auto& s) { return s.config.trackStatus; }), 0);
}

TEST_F(Tracking, AnyOtherReplyToStopIsShown) {
  knobs.replyFor["STOPTRACK"] = ToBytes("\xEA" "STARTTRACK_OK\xE4");
  EXPECT_EQ(Run("6\n\n0\n"), kStopSent + "\nERROR RESPONSE...\xEA" "STARTTRACK_OK\xE4\n" + kPause + kMainMenu);
  ExpectStopFrame(SentByThisRun());
}

TEST_F(Tracking, StartThenStopInOneRun) {
  PutExample("config15.dat");
  EXPECT_EQ(Run("5\n\n6\n\n0\n"), kStartSent + "\nSTART TRACKING...DONE" + kPause + kMainMenu + kStopSent +
                                      "\nStop Tracking...DONE" + kPause + kMainMenu);
  const Bytes sent = SentByThisRun();
  ASSERT_EQ(sent.size(), 103u + 30u);
  ExpectStartFrame(Slice(sent, 0, 103));
  ExpectStopFrame(Slice(sent, 103, 30));
  EXPECT_EQ(Device([](auto& s) { return s.config.trackStatus; }), 0);
}

TEST_F(Tracking, ReadingTheConfigurationAfterAStartShowsTheFilesValuesAndThePcsClock) {
  PutExample("config15.dat");
  const std::string output = Run("5\n\n1\n\n0\n");
  EXPECT_NE(output.find("Track Status = 1\n"), std::string::npos) << output;
  EXPECT_NE(output.find("Features Enabled = 13\n"), std::string::npos);
  EXPECT_NE(output.find("Track Interval = 30\nStop Delay Threshold = 300\nStart Delay Threshold = 5\n"
                        "Start Distance Threshold = 50\nOvSpd Threshold = 80\nOverSpdDelayThreshold = 10\n"
                        "OverSpdTrackInterval = 15\nAccel Threshold = 12\nDecel Threshold = 14\n"
                        "Datacall Time = 600\nDataCallInterval = 60\nDataCallTrackInterval = 600\n"),
            std::string::npos);
  // The device clock is the PC's moment of the start, to the even second.
  bool clockShown = false;
  for (std::time_t t = first_; t <= last_; ++t) {
    std::tm local{};
    localtime_r(&t, &local);
    const std::string shown = "Device Time = " + std::to_string(local.tm_hour) + ":" + std::to_string(local.tm_min) +
                              ":" + std::to_string(local.tm_sec / 2 * 2) + "Device Date = " +
                              std::to_string(local.tm_mday) + "/" + std::to_string(local.tm_mon + 1) + "/" +
                              std::to_string(local.tm_year + 1900) + "\n";
    clockShown = clockShown || output.find(shown) != std::string::npos;
  }
  EXPECT_TRUE(clockShown) << output;
}

}  // namespace
}  // namespace trackctl::e2e
