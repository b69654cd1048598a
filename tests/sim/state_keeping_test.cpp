#include "sim/state_keeping.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "sim/state_file.h"

namespace tracksim {
namespace {

TEST(StateKeeping, TheFileFollowsEveryChangeAndTheOptionsOverrideIt) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("tracksim-keeping-" + std::to_string(getpid()));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  SimOptions options;
  options.stateFile = (dir / "device.state").string();
  options.records = 2;

  const DeviceState first = InitialState(options);  // a new file, written at once
  EXPECT_EQ(first.smsSector.size(), 2u);
  EXPECT_TRUE(LoadStateFile(*options.stateFile) == first);

  Device device(first);
  device.ObserveExchanges(AfterEachExchange(options, first));
  device.Feed(ToBytes("\xEAPDEL\xE4"));
  EXPECT_TRUE(LoadStateFile(*options.stateFile)->smsSector.empty());
  std::filesystem::remove(*options.stateFile);
  device.Feed(ToBytes("\xFA\xEAINIT\xE4"));  // nothing changes: nothing written
  EXPECT_FALSE(std::filesystem::exists(*options.stateFile));
  device.Feed(ToBytes("\xEASTOPTRACK" + std::string(19, '\0') + "\xE4"));  // a stop when stopped changes nothing
  EXPECT_FALSE(std::filesystem::exists(*options.stateFile));
  device.Feed(ToBytes("\xEASERIALKEY_" + std::string("NEWKEY0001") + "\xE4"));
  EXPECT_EQ(LoadStateFile(*options.stateFile)->serialKey, "NEWKEY0001");

  // The next run starts from the file; an option given again wins over it.
  SimOptions next;
  next.stateFile = options.stateFile;
  EXPECT_EQ(InitialState(next).serialKey, "NEWKEY0001");
  EXPECT_TRUE(InitialState(next).smsSector.empty());
  next.serialKey = "OPTION0001";
  EXPECT_EQ(InitialState(next).serialKey, "OPTION0001");
  EXPECT_EQ(LoadStateFile(*options.stateFile)->serialKey, "OPTION0001");
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace tracksim
