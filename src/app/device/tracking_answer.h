// How the start and stop of tracking show the device's answer.
#pragma once

#include "app/device/device_commands.h"

namespace trackctl {

// "\n<done text>", or the reply as an error response.
Outcome ShowTrackingAnswer(CommandRun& run, const Answer& answer, const char* done);

}  // namespace trackctl
