#include "app/device/start_tracking_run.h"

#include <cstring>
#include <variant>
#include <vector>

#include "app/device/tracking_answer.h"
#include "files/whole_file.h"
#include "protocol/start_tracking.h"
#include "protocol/tracking_config.h"

namespace trackctl {
namespace {

// Far more than any tracking configuration file holds (28 lines of a few dozen
// bytes), and a bound on what a wrong file name (/dev/zero) can cost.
constexpr std::size_t kMaxTrackingConfigSize = std::size_t{2} << 20;

}  // namespace

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

}  // namespace trackctl
