#include "sim/state_file.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace tracksim {
namespace {

TEST(StateFile, EveryPartOfTheStateSurvivesTheRoundTrip) {
  DeviceState state;
  state.serialKey = "K%Y\xE4\n 12345";  // bytes the format must escape
  state.codeImageSize = 4096;
  state.codeChecksum = 0xDEADBEEF;
  state.config.trackStatus = 1;
  state.config.trackInterval = 0xFFFFFF;
  state.config.cumulativeDistance = -5;
  state.config.smsc = "";
  state.status.homeNumber = "+91 98";
  state.smsSector.clear();
  state.dataCallSector.resize(2);
  state.dataCallSector[1].fill(0xA5);
  std::string error;
  const std::optional<DeviceState> back = ParseStateFile(FormatStateFile(state), error);
  ASSERT_TRUE(back) << error;
  EXPECT_TRUE(*back == state);
  EXPECT_NE(FormatStateFile(state).find("\nserialKey K%25Y%E4%0A%2012345\n"), std::string::npos);
}

TEST(StateFile, MissingNamesKeepTheDefaultsAndWrongLinesAreNamed) {
  std::string error;
  const std::optional<DeviceState> partial =
      ParseStateFile("# comment\r\n\nconfig.trackStatus 1\r\nsmsSector 1\n" + std::string(44, 'f') + "\n", error);
  ASSERT_TRUE(partial) << error;
  EXPECT_EQ(partial->config.trackStatus, 1);
  EXPECT_EQ(partial->serialKey, DeviceState{}.serialKey);
  LoggerRecordBytes ones;
  ones.fill(0xFF);
  EXPECT_EQ(partial->smsSector, std::vector<LoggerRecordBytes>{ones});
  EXPECT_EQ(partial->dataCallSector, DeviceState{}.dataCallSector);

  const std::pair<std::string, std::string> cases[] = {
      {"serialKey 1\ncolour red\n", "line 2: unknown name 'colour'"},
      {"config.gpsState 256\n", "line 1: bad value for config.gpsState: '256'"},
      {"config.cumulativeDistance 12km\n", "line 1: bad value for config.cumulativeDistance: '12km'"},
      {"config.smsc 50%\n", "line 1: bad value for config.smsc: '50%'"},
      {"smsSector 2\n" + std::string(44, '0') + "\n", "line 2: records missing at the end of the file: 1"},
      {"dataCallSector 1\n" + std::string(42, '0') + "\n", "line 2: a record must be 44 hexadecimal digits"},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_FALSE(ParseStateFile(text, error)) << text;
    EXPECT_EQ(error, expected);
  }
}

TEST(StateFile, SavedWholeAndLoadedBack) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("tracksim-state-" + std::to_string(getpid()));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "device.state").string();
  EXPECT_FALSE(LoadStateFile(path));

  DeviceState state;
  state.serialKey = "SAVED00001";
  SaveStateFile(path, state);
  state.config.trackStatus = 1;
  SaveStateFile(path, state);  // replaces the file
  EXPECT_TRUE(LoadStateFile(path) == state);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);  // no temporary left behind

  std::ofstream(path) << "nonsense here\n";
  EXPECT_THROW(LoadStateFile(path), std::runtime_error);
  EXPECT_THROW(SaveStateFile((dir / "no" / "such").string(), state), std::runtime_error);
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace tracksim
