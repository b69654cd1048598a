#include "app/one_command.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "app/json_records.h"
#include "app/json_stdout.h"
#include "app/logger_menu.h"
#include "protocol/firmware_upgrade.h"
#include "protocol/read_configuration.h"
#include "protocol/serial_key_write.h"
#include "protocol/start_tracking.h"
#include "protocol/stop_tracking.h"

namespace trackctl {
namespace {

int ExitStatus(Outcome outcome) {
  switch (outcome) {
    case Outcome::kDone:
      return 0;
    case Outcome::kRefused:
      return 3;
    case Outcome::kFileProblem:
      return 4;
  }
  return 3;
}

Outcome Upgrade(Session& session, const DeviceCommand& command) {
  std::fputs("Upgrade Code : Started...\n", stdout);
  if (!command.file) std::fputs("Upgrading the code from the default file : RAVU.BIN...\n", stdout);
  return UpgradeCode(session, command.file.value_or(kDefaultImage));
}

// read-config with --json: the records as one JSON object; a reply without them
// is described as on the console.
Outcome ReadConfigurationAsJson(Session& session, JsonStdout& json) {
  std::fputs("\nSending READ CONFIG command to Device", stdout);
  const ConfigReply reply = ExchangeReadConfig(session);
  const Outcome outcome = ConfigReplyOutcome(reply);
  if (outcome != Outcome::kDone) {
    std::fputs(DescribeConfigReply(reply).c_str(), stdout);
    return outcome;
  }
  std::fputs("...DONE", stdout);
  const ConfigReplyRecords records = DecodeConfigReply(reply);
  return json.Write(JsonText(ReadConfigJson(records.config, records.status)) + "\n") ? outcome
                                                                                      : Outcome::kFileProblem;
}

Outcome Run(Session& session, const DeviceCommand& command) {
  switch (command.kind) {
    case DeviceCommand::Kind::kInfo:
      return Outcome::kDone;  // the handshake has said it all
    case DeviceCommand::Kind::kReadConfig:
      return ReadConfiguration(session);
    case DeviceCommand::Kind::kDownload:
      return DownloadSector(session, command.isSmsSector, command.file);
    case DeviceCommand::Kind::kErase:
      return EraseSector(session, command.isSmsSector);
    case DeviceCommand::Kind::kStart:
      return StartTracking(session, command.file.value_or(kTrackingConfigFile).c_str());
    case DeviceCommand::Kind::kStop:
      return StopTracking(session);
    case DeviceCommand::Kind::kUpgrade:
      return Upgrade(session, command);
    case DeviceCommand::Kind::kWriteKey:
      return WriteSerialKey(session, *BuildSerialKeyFrame(command.key));
  }
  return Outcome::kRefused;
}

}  // namespace

std::optional<int> RefuseBeforeOpening(const DeviceCommand& command) {
  if (command.kind != DeviceCommand::Kind::kDownload || !command.file) return std::nullopt;
  std::error_code error;
  // A link counts, even one that leads nowhere: it is not followed.
  if (!std::filesystem::exists(std::filesystem::symlink_status(*command.file, error))) return std::nullopt;
  std::fputs("error creating file\n", stdout);
  return ExitStatus(Outcome::kFileProblem);
}

int RunOneCommand(Session& session, const DeviceCommand& command, const InitFields& device, JsonStdout* json) {
  Outcome outcome = Outcome::kDone;
  if (json != nullptr && command.kind == DeviceCommand::Kind::kInfo) {
    if (!json->Write(JsonText(DeviceInfoJson(device)) + "\n")) outcome = Outcome::kFileProblem;
  } else if (json != nullptr && command.kind == DeviceCommand::Kind::kReadConfig) {
    outcome = ReadConfigurationAsJson(session, *json);
  } else {
    outcome = Run(session, command);
  }
  std::fputs("\n", stdout);  // where the menu would go on with "\nPress any key to Continue..."
  // A script that reads the output must not take output that was lost for a success.
  const bool written = std::fflush(stdout) == 0 && std::ferror(stdout) == 0;
  if (outcome == Outcome::kDone && !written) outcome = Outcome::kFileProblem;
  return ExitStatus(outcome);
}

}  // namespace trackctl
