// The main menu's choices, pause and exit, driven by a script.
#include "tests/e2e/harness.h"

namespace trackctl::e2e {
namespace {

const std::string kPause = "\nPress any key to Continue...";

class MainMenu : public E2eTest {
 protected:
  // What the program prints after start-up for `input` (port answer excluded).
  std::string MenuOutput(const std::string& input, int expectedStatus = 0) {
    Program& run = Start("1\n" + input);
    EXPECT_EQ(run.WaitExit(), expectedStatus);
    const std::string output = run.Output();
    const std::string startUp = StartUpText(sim().slavePath(), state);
    EXPECT_EQ(output.substr(0, startUp.size()), startUp);
    return output.substr(std::min(output.size(), startUp.size()));
  }
};

TEST_F(MainMenu, WrongChoicesAreReportedAndTheMenuComesBack) {
  EXPECT_EQ(MenuOutput("10\n\n-1\n\n0\n"),
            "Wrong choice...\n\n\n" + kPause + kMainMenu + "Wrong choice...\n\n\n" + kPause + kMainMenu);
}

TEST_F(MainMenu, ChoicesWithoutAnOperationOnlyPause) {
  EXPECT_EQ(MenuOutput("2\n\n7\n\n8\n\n0\n"), kPause + kMainMenu + kPause + kMainMenu + kPause + kMainMenu);
}

TEST_F(MainMenu, ALetterOrTheEndOfInputExitsLikeZero) {
  EXPECT_EQ(MenuOutput("q\n"), "");
  EXPECT_EQ(MenuOutput(""), "");
}

TEST_F(MainMenu, TheRestOfAnAnswerLineIsDropped) {
  // "1 5" runs choice 1 only; the key press is the next line.
  const std::string output = MenuOutput("1 5\n\n0\n");
  EXPECT_EQ(output.find("\nSending READ CONFIG command to Device...DONE\n"), 0u) << output;
  EXPECT_EQ(output.find("START TRACKING"), std::string::npos);
  EXPECT_EQ(sim().WithDevice([](tracksim::Device& device) { return device.served(); }),
            (std::vector<std::string>{"INIT", "READCONFIG_"}));
  // CR LF line ends read the same.
  EXPECT_EQ(MenuOutput("2\r\n\r\n0\r\n"), kPause + kMainMenu);
}

TEST_F(MainMenu, NothingIsSentToTheDeviceForMenuChoicesWithoutAnOperation) {
  MenuOutput("2\n\n7\n\n8\n\n10\n\n0\n");
  EXPECT_EQ(sim().Received(), tracksim::ToBytes("\xFA\xEAINIT\xE4"));
}

}  // namespace
}  // namespace trackctl::e2e
