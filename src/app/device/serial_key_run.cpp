#include "app/device/serial_key_run.h"

#include <optional>
#include <string>

#include "protocol/serial_key_write.h"

namespace trackctl {
namespace {

void PrintKeyFormat(ConsoleReport& say) {
  say.Say("Enter the serial key where the max limit is 10 chars:\n");
  say.Say("\n Format for Serial key is as follows");
  say.Say("\n First 3 chars is the device type 100\\075\\050");
  say.Say("\n Next 2 chars is week varying from 00 to 52 ");
  say.Say("\n Next 2 chars is year varying from 02 to 04 ");
  say.Say("\n Next 3 chars is the key 001 to 999\n");
  say.Say("\n ----------------------------------\n");
}

Outcome WriteKey(CommandRun& run, const SerialKeyFrame& frame) {
  const Answer answer = WriteSerialKey(run.session, frame);
  if (answer.accepted) {
    run.say.Say(" Done...\n");
    run.say.Say("Serial key written to flash...\n");
    return Outcome::kDone;
  }
  run.say.Say("Error Response.. %s\n", run.say.Device(answer.reply).c_str());
  return Outcome::kRefused;
}

}  // namespace

Outcome WriteSerialKey(CommandRun& run, const DeviceCommand& command) {
  return WriteKey(run, *BuildSerialKeyFrame(command.key));
}

void WriteSerialKeyFromMenu(CommandRun& run) {
  PrintKeyFormat(run.say);
  const std::optional<std::string> key = run.console->ReadWord();
  if (!key) return;  // the input ended: nothing to write
  const std::optional<SerialKeyFrame> frame = BuildSerialKeyFrame(*key);
  if (!frame) {
    run.say.Say("Serial key must be only 10 characters in lenght\n");
    return;
  }
  WriteKey(run, *frame);
}

}  // namespace trackctl
