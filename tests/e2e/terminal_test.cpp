// An operator at a terminal: trackctl's standard input, output and error are a
// pseudo-terminal that is its controlling terminal, read here like a screen and
// typed at one answer at a time, each once the program waits for it.
#include <termios.h>

#include <csignal>

#include "tests/e2e/harness.h"

namespace trackctl::e2e {
namespace {

const std::string kClear = "\x1b[H\x1b[2J\x1b[3J";

class AtATerminal : public E2eTest {
 protected:
  void SetUp() override {
    // Linux only: under wine the program has a console of wine's, not this terminal.
    if (UnderWine()) GTEST_SKIP() << "the terminal tests are for the Linux program";
    RunOptions options;
    options.onTerminal = true;
    run_ = &Start("", options);
  }

  Program& run() { return *run_; }

  // Waits for the screen to show `screen` (everything from the start, ending in
  // a prompt) and for the program to wait for input, then types `keys`. A prompt
  // that the program keeps in its buffer while it waits is never shown.
  void Answer(const std::string& screen, const std::string& keys) {
    EXPECT_TRUE(run().WaitForOutput(screen)) << "expected:\n" << screen << "\nshown:\n" << run().Output();
    EXPECT_TRUE(run().WaitUntilReadingInput()) << run().Output();
    run().Type(keys);
  }

  // The screen at the first main menu, after port 1 was typed.
  std::string ScreenAtMenu() {
    std::string startUp = ExpectedStartUp();
    startUp.insert(kPortPrompt.size(), "1\n");  // the answer, echoed
    return startUp;
  }
  // At the key wait after menu choice 2, which does nothing itself.
  std::string ScreenAtKeyWait() { return ScreenAtMenu() + "2\n" + kPause; }

 private:
  Program* run_ = nullptr;
};

TEST_F(AtATerminal, PromptsAreShownBeforeEachWaitAndOneUnechoedKeyClearsTheScreen) {
  const termios before = run().TerminalMode();
  Answer(kPortPrompt, "1\n");
  Answer(ScreenAtMenu(), "2\n");
  const std::string atKeyWait = ScreenAtKeyWait();
  Answer(atKeyWait, "x");  // no Enter
  Answer(atKeyWait + kClear + kMainMenu, "0\n");
  EXPECT_EQ(run().WaitExit(), 0);
  EXPECT_EQ(run().Output(), atKeyWait + kClear + kMainMenu + "0\n");
  EXPECT_EQ(LineSettings(run().TerminalMode()), LineSettings(before));
}

TEST_F(AtATerminal, CtrlCAtTheKeyWaitEndsTheProgramAndLeavesTheTerminalAsItWas) {
  const termios before = run().TerminalMode();
  Answer(kPortPrompt, "1\n");
  Answer(ScreenAtMenu(), "2\n");
  Answer(ScreenAtKeyWait(), std::string(1, static_cast<char>(before.c_cc[VINTR])));
  EXPECT_EQ(run().WaitExit(5s), -1);
  EXPECT_EQ(run().endSignal(), SIGINT);
  EXPECT_EQ(LineSettings(run().TerminalMode()), LineSettings(before));
}

}  // namespace
}  // namespace trackctl::e2e
