#include "app/device/tracking_answer.h"

namespace trackctl {

Outcome ShowTrackingAnswer(CommandRun& run, const Answer& answer, const char* done) {
  if (answer.accepted) {
    run.say.Say("\n%s", done);
    return Outcome::kDone;
  }
  run.say.Say("\nERROR RESPONSE...%s\n", run.say.Device(answer.reply).c_str());
  return Outcome::kRefused;
}

}  // namespace trackctl
