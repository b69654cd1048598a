#include "app/device/command_runs.h"

#include <cstdio>
#include <cstring>
#include <variant>
#include <vector>

#include "app/device/config_text.h"
#include "app/device/json_records.h"
#include "files/whole_file.h"
#include "protocol/read_configuration.h"
#include "protocol/start_tracking.h"
#include "protocol/stop_tracking.h"
#include "protocol/tracking_config.h"

namespace trackctl {
namespace {

// Far more than any tracking configuration file holds (28 lines of a few dozen
// bytes), and a bound on what a wrong file name (/dev/zero) can cost.
constexpr std::size_t kMaxTrackingConfigSize = std::size_t{2} << 20;

// One JSON document on standard output; its write errors count when the run ends.
void WriteJson(const nlohmann::ordered_json& json) { std::fputs((JsonText(json) + "\n").c_str(), stdout); }

// The answer of a tracking command: "\n<done text>" or the reply as an error response.
Outcome ShowTrackingAnswer(CommandRun& run, const Answer& answer, const char* done) {
  if (answer.accepted) {
    run.say.Say("\n%s", done);
    return Outcome::kDone;
  }
  run.say.Say("\nERROR RESPONSE...%s\n", run.say.Device(answer.reply).c_str());
  return Outcome::kRefused;
}

}  // namespace

Outcome ShowDeviceInfo(CommandRun& run, const DeviceCommand&) {
  if (run.json) WriteJson(DeviceInfoJson(run.device));
  return Outcome::kDone;
}

Outcome ReadConfiguration(CommandRun& run, const DeviceCommand&) {
  run.say.Say("\nSending READ CONFIG command to Device");
  const ConfigReply reply = ExchangeReadConfig(run.session);
  const Outcome outcome = ConfigReplyOutcome(reply);
  if (!run.json || outcome != Outcome::kDone) {
    run.say.Say("%s", DescribeConfigReply(reply, run.say.deviceText()).c_str());
    return outcome;
  }
  run.say.Say("...DONE");
  const ConfigReplyRecords records = DecodeConfigReply(reply);
  WriteJson(ReadConfigJson(records.config, records.status));
  return outcome;
}

Outcome StartTracking(CommandRun& run, const DeviceCommand& command) {
  const auto file = ReadWholeFile(command.configFile.value_or(kTrackingConfigFile), kMaxTrackingConfigSize);
  const auto* bytes = std::get_if<std::vector<std::uint8_t>>(&file);
  if (bytes == nullptr) {
    run.say.Say("Cannot open input file.\n");
    run.say.Problem(command.configFile.value_or(kTrackingConfigFile) + ": cannot read the tracking settings: " +
                    std::strerror(std::get<FileError>(file).number));
    return Outcome::kFileProblem;
  }
  TrackingConfigTable table{};
  ParseTrackingConfig(*bytes, table);
  run.say.Say("\nSending START TRACKING command to Device");
  return ShowTrackingAnswer(run, StartTracking(run.session, table), "START TRACKING...DONE");
}

Outcome StopTracking(CommandRun& run, const DeviceCommand&) {
  run.say.Say("\nSending STOP TRACKING command to Device");
  return ShowTrackingAnswer(run, StopTracking(run.session), "Stop Tracking...DONE");
}

}  // namespace trackctl
