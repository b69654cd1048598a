#include <gtest/gtest.h>

#include <string>

#include "logger/logger_record.h"
#include "sim/device.h"
#include "tests/sim/sent_bytes.h"

namespace tracksim {
namespace {

// The data block, `filler` bytes after the records, and its FRAME_END.
Bytes Block(const std::vector<LoggerRecordBytes>& records, std::size_t filler = 0) {
  Bytes block{0xEA};
  for (const LoggerRecordBytes& record : records) block.insert(block.end(), record.begin(), record.end());
  block.insert(block.end(), filler, 0x00);
  block.push_back(0xE4);
  return block;
}

Bytes Concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// The record's logger line, as a download writes it.
std::string LoggerLine(const LoggerRecordBytes& bytes) {
  return trackctl::FormatLoggerLine(trackctl::LoggerLineOf(trackctl::DecodeLoggerRecord(bytes)));
}

// Seconds since 2000 of a record's time and date, as the program decodes them.
long AbsoluteSeconds(const LoggerRecordBytes& bytes) {
  const trackctl::LoggerRecord r = trackctl::DecodeLoggerRecord(bytes);
  static constexpr int kStart[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
  const int year = r.dateWord / 416;
  const int month = r.dateWord % 416 / 32;
  const int day = r.dateWord % 32;
  const long days = year * 365L + (year + 3) / 4 + kStart[month - 1] + (month > 2 && year % 4 == 0) + day - 1;
  return days * 86400 + 2L * r.timeWord + (r.oddSecond ? 1 : 0);
}

TEST(DeviceLoggerRecords, DefaultSectorsAreConsecutiveAndPlausible) {
  const DeviceState state;
  ASSERT_EQ(state.smsSector.size(), 300u);
  ASSERT_EQ(state.dataCallSector.size(), 250u);
  EXPECT_EQ(LoggerLine(state.smsSector[0]),
            "5,1,0,0,22:0:0.00,12:6:2005,77.594600,12.971520,30.000000,74565.000000;\n");
  // 250 records 45 s apart run past midnight into the next day.
  EXPECT_EQ(LoggerLine(state.dataCallSector[249]).substr(0, 30),
            "9,1,1,0,1:6:45.00,13:6:2005,77");
  for (const auto* sector : {&state.smsSector, &state.dataCallSector}) {
    const long step = sector == &state.smsSector ? 30 : 45;
    for (std::size_t j = 1; j < sector->size(); ++j) {
      ASSERT_EQ(AbsoluteSeconds((*sector)[j]) - AbsoluteSeconds((*sector)[j - 1]), step) << j;
    }
  }
  // A record a day, past month ends, year ends and 29 February 2008.
  const std::vector<LoggerRecordBytes> daily = DefaultLoggerRecords(1200, 1, 86400);
  for (std::size_t j = 1; j < daily.size(); ++j) {
    ASSERT_EQ(AbsoluteSeconds(daily[j]) - AbsoluteSeconds(daily[j - 1]), 86400) << j;
  }
}

TEST(DeviceLoggerRead, CountReplyThenTheBlockOfRecords) {
  Knobs knobs;
  knobs.noiseBeforeReply = {0x01};
  Device device({}, knobs);
  EXPECT_EQ(SentBytes(device.Feed(ToBytes("\xEAPREAD\xE4"))),
            Concat(ToBytes("\x01\xEAPREAD_OK_6600\xE4"), Block(device.state().smsSector)));
  EXPECT_EQ(SentBytes(device.Feed(ToBytes("\xEAOREAD\xE4"))),
            Concat(ToBytes("\x01\xEAOREAD_OK_5500\xE4"), Block(device.state().dataCallSector)));
  EXPECT_EQ(device.served(), (std::vector<std::string>{"PREAD", "OREAD"}));

  device.state().smsSector.clear();
  EXPECT_EQ(SentBytes(device.Feed(ToBytes("\xEAPREAD\xE4"))), ToBytes("\x01\xEAPREAD_OK_0\xE4\xEA\xE4"));
}

TEST(DeviceLoggerRead, KnobsForTheCountAndTheBlock) {
  DeviceState state;
  state.smsSector.resize(1);
  Knobs knobs;
  knobs.loggerExtraBytes = 1;
  Device device(state, knobs);
  EXPECT_EQ(SentBytes(device.Feed(ToBytes("\xEAPREAD\xE4"))),
            Concat(ToBytes("\xEAPREAD_OK_23\xE4"), Block(state.smsSector, 1)));

  device.knobs().loggerExtraBytes = 0;
  device.knobs().loggerCountText = " -4x";
  EXPECT_EQ(SentBytes(device.Feed(ToBytes("\xEAPREAD\xE4"))),
            Concat(ToBytes("\xEAPREAD_OK_ -4x\xE4"), Block(state.smsSector)));

  // A hang-up cuts the block like any reply.
  device.knobs().loggerCountText.reset();
  device.knobs().hangUpOn = "PREAD";
  device.knobs().hangUpAfterBytes = 20;
  const Actions cut = device.Feed(ToBytes("\xEAPREAD\xE4"));
  EXPECT_EQ(SentBytes(cut).size(), 20u);
  EXPECT_EQ(cut.back().kind, Action::Kind::kHangUp);
}

TEST(DeviceLoggerErase, EmptiesOneSectorOrRefuses) {
  Device device;
  const std::vector<LoggerRecordBytes> dataCall = device.state().dataCallSector;
  EXPECT_EQ(SentBytes(device.Feed(ToBytes("\xEAPDEL\xE4"))), ToBytes("\xEAPDEL_OK\xE4"));
  EXPECT_TRUE(device.state().smsSector.empty());
  EXPECT_EQ(device.state().dataCallSector, dataCall);

  device.knobs().loggerEraseFails = true;
  EXPECT_EQ(SentBytes(device.Feed(ToBytes("\xEAODEL\xE4"))), ToBytes("\xEA" "DEL_ERROR\xE4"));
  EXPECT_EQ(device.state().dataCallSector, dataCall);

  device.knobs().loggerEraseFails = false;
  EXPECT_EQ(SentBytes(device.Feed(ToBytes("\xEAODEL\xE4"))), ToBytes("\xEAODEL_OK\xE4"));
  EXPECT_TRUE(device.state().dataCallSector.empty());
}

}  // namespace
}  // namespace tracksim
