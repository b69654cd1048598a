#include "app/device/read_config_run.h"

#include "app/device/config_text.h"
#include "app/device/json_records.h"
#include "protocol/read_configuration.h"

namespace trackctl {

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

}  // namespace trackctl
