// Main-menu choice 9: writing a serial key into the simulated device.
#include "tests/e2e/harness.h"
#include "tests/common/expected_texts.h"

namespace trackctl::e2e {
namespace {

using tracksim::Bytes;
using tracksim::ToBytes;

using testing::kKeyFormat;
const std::string kWritten = "############# Done...\nSerial key written to flash...\n";

class WriteSerialKey : public E2eTest {};

TEST_F(WriteSerialKey, AShortKeyIsFilledWithSpacesAndReportedByTheNextHandshake) {
  // Empty lines before the key are skipped.
  EXPECT_EQ(AfterStartUp("9\n\n   1000752\n\n0\n"), kKeyFormat + kWritten + kPause + kMainMenu);
  EXPECT_EQ(sim().Received(), Concat({kHandshake, ToBytes("\xEASERIALKEY_1000752   \xE4")}));

  // A second run against the same device sees the new key at start-up.
  state.serialKey = "1000752   ";
  Program& again = Start("1\n0\n");
  EXPECT_EQ(again.WaitExit(), 0);
  EXPECT_EQ(again.Output(), ExpectedStartUp());
}

TEST_F(WriteSerialKey, TenCharactersGoAsTheyAreElevenAreRefused) {
  EXPECT_EQ(AfterStartUp("9\nABCDEFGHIJ\n\n9\n10007523011\n\n0\n"),
            kKeyFormat + kWritten + kPause + kMainMenu + kKeyFormat +
                "Serial key must be only 10 characters in lenght\n" + kPause + kMainMenu);
  EXPECT_EQ(sim().Received(), Concat({kHandshake, ToBytes("\xEASERIALKEY_ABCDEFGHIJ\xE4")}));
  EXPECT_EQ(Device([](auto& s) { return s.serialKey; }), "ABCDEFGHIJ");
}

TEST_F(WriteSerialKey, AnErrorReplyIsShownAndTheKeyStaysUnchanged) {
  knobs.replyFor["SERIALKEY_"] = ToBytes("\xEASERIALKEY_ERROR\xE4");
  EXPECT_EQ(AfterStartUp("9\n1000752301\n\n0\n"),
            kKeyFormat + "################Error Response.. \xEASERIALKEY_ERROR\xE4\n" + kPause + kMainMenu);
  EXPECT_EQ(Device([](auto& s) { return s.serialKey; }), state.serialKey);
}

TEST_F(WriteSerialKey, TheEndOfInputInsteadOfAKeySendsNothing) {
  EXPECT_EQ(AfterStartUp("9\n"), kKeyFormat + kPause + kMainMenu);
  EXPECT_EQ(sim().Received(), kHandshake);
}

}  // namespace
}  // namespace trackctl::e2e
