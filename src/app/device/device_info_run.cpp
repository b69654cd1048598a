#include "app/device/device_info_run.h"

#include "app/device/json_records.h"

namespace trackctl {

Outcome ShowDeviceInfo(CommandRun& run, const DeviceCommand&) {
  if (run.json) WriteJson(DeviceInfoJson(run.device));
  return Outcome::kDone;
}

}  // namespace trackctl
