// The main menu's choices, pause and exit, driven by a script.
#include "tests/e2e/harness.h"

namespace trackctl::e2e {
namespace {

class MainMenu : public E2eTest {};

TEST_F(MainMenu, WrongChoicesAreReportedAndTheMenuComesBack) {
  EXPECT_EQ(AfterStartUp("10\n\n-1\n\n0\n"),
            "Wrong choice...\n\n\n" + kPause + kMainMenu + "Wrong choice...\n\n\n" + kPause + kMainMenu);
}

TEST_F(MainMenu, ChoicesWithoutAnOperationOnlyPause) {
  EXPECT_EQ(AfterStartUp("2\n\n7\n\n8\n\n0\n"), kPause + kMainMenu + kPause + kMainMenu + kPause + kMainMenu);
}

TEST_F(MainMenu, ALetterOrTheEndOfInputExitsLikeZero) {
  EXPECT_EQ(AfterStartUp("q\n"), "");
  EXPECT_EQ(AfterStartUp(""), "");
}

TEST_F(MainMenu, TheRestOfAnAnswerLineIsDropped) {
  // "1 5" runs choice 1 only; the key press is the next line.
  const std::string output = AfterStartUp("1 5\n\n0\n");
  EXPECT_EQ(output.find(kReadConfigDone), 0u) << output;
  EXPECT_EQ(output.find("START TRACKING"), std::string::npos);
  EXPECT_EQ(Served(), (std::vector<std::string>{"INIT", "READCONFIG_"}));
  // CR LF line ends read the same.
  EXPECT_EQ(AfterStartUp("2\r\n\r\n0\r\n"), kPause + kMainMenu);
}

TEST_F(MainMenu, NothingIsSentToTheDeviceForMenuChoicesWithoutAnOperation) {
  AfterStartUp("2\n\n7\n\n8\n\n10\n\n0\n");
  EXPECT_EQ(sim().Received(), kHandshake);
}

}  // namespace
}  // namespace trackctl::e2e
