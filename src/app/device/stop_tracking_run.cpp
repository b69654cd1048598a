#include "app/device/stop_tracking_run.h"

#include "app/device/tracking_answer.h"
#include "protocol/stop_tracking.h"

namespace trackctl {

Outcome StopTracking(CommandRun& run, const DeviceCommand&) {
  run.say.Say("\nSending STOP TRACKING command to Device");
  return ShowTrackingAnswer(run, StopTracking(run.session), "Stop Tracking...DONE");
}

}  // namespace trackctl
