#include "app/menu_prompts.h"

#include <cstdio>
#include <optional>
#include <string>

#include "protocol/firmware_upgrade.h"
#include "protocol/serial_key_write.h"
#include "serial/program_exit.h"

namespace trackctl {
namespace {

void PrintKeyFormat() {
  std::fputs("Enter the serial key where the max limit is 10 chars:\n", stdout);
  std::fputs("\n Format for Serial key is as follows", stdout);
  std::fputs("\n First 3 chars is the device type 100\\075\\050", stdout);
  std::fputs("\n Next 2 chars is week varying from 00 to 52 ", stdout);
  std::fputs("\n Next 2 chars is year varying from 02 to 04 ", stdout);
  std::fputs("\n Next 3 chars is the key 001 to 999\n", stdout);
  std::fputs("\n ----------------------------------\n", stdout);
}

}  // namespace

void UpgradeCodeFromMenu(Session& session, Console& console) {
  std::fputs("Upgrade Code : Started...\n", stdout);
  std::fputs("Enter the file name [Default : RAVU.BIN]:\n", stdout);
  console.DiscardPending();
  std::string name = console.ReadLine();
  if (name.empty()) {
    name = kDefaultImage;
    std::fputs("Upgrading the code from the default file : RAVU.BIN...\n", stdout);
  }
  if (UpgradeCode(session, name) == Outcome::kFileProblem) EndProgram(1);
}

void WriteSerialKeyFromMenu(Session& session, Console& console) {
  PrintKeyFormat();
  const std::optional<std::string> key = console.ReadWord();
  if (!key) return;  // the input ended: nothing to write
  const std::optional<SerialKeyFrame> frame = BuildSerialKeyFrame(*key);
  if (!frame) {
    std::fputs("Serial key must be only 10 characters in lenght\n", stdout);
    return;
  }
  WriteSerialKey(session, *frame);
}

}  // namespace trackctl
