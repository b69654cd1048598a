#include "app/one_command.h"

#include <cstdio>

#include "app/json_records.h"
#include "app/json_stdout.h"
#include "logger/logger_download.h"
#include "logger/logger_erase.h"
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

Outcome Download(Session& session, const DeviceCommand& command) {
  const char* sector = command.isSmsSector != 0 ? "SMS" : "DataCall";
  std::printf("Reading data from %s sector : Started...\n", sector);
  const Outcome outcome = ReadLoggerSector(session, command.isSmsSector, command.file);
  std::printf("Reading data from %s sector : Done...\n", sector);
  return outcome;
}

Outcome Erase(Session& session, const DeviceCommand& command) {
  const char* sector = command.isSmsSector != 0 ? "SMS" : "DataCall";
  std::printf("Deleting data in %s sector : Started...\n", sector);
  const Outcome outcome = EraseLoggerSector(session, command.isSmsSector);
  std::printf("Deleting data in %s sector : Over...\n\n", sector);
  return outcome;
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
  json.Write(JsonText(ReadConfigJson(records.config, records.status)) + "\n");
  return outcome;
}

Outcome Run(Session& session, const DeviceCommand& command) {
  switch (command.kind) {
    case DeviceCommand::Kind::kInfo:
      return Outcome::kDone;  // the handshake has said it all
    case DeviceCommand::Kind::kReadConfig:
      return ReadConfiguration(session);
    case DeviceCommand::Kind::kDownload:
      return Download(session, command);
    case DeviceCommand::Kind::kErase:
      return Erase(session, command);
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

int RunOneCommand(Session& session, const DeviceCommand& command, const InitFields& device, JsonStdout* json) {
  Outcome outcome = Outcome::kDone;
  if (json != nullptr && command.kind == DeviceCommand::Kind::kInfo) {
    json->Write(JsonText(DeviceInfoJson(device)) + "\n");
  } else if (json != nullptr && command.kind == DeviceCommand::Kind::kReadConfig) {
    outcome = ReadConfigurationAsJson(session, *json);
  } else {
    outcome = Run(session, command);
  }
  std::fputs("\n", stdout);  // where the menu would go on with "\nPress any key to Continue..."
  return ExitStatus(outcome);
}

}  // namespace trackctl
