#include "sim/state_keeping.h"

#include <cstdio>
#include <exception>

#include "sim/exchange_log.h"
#include "sim/state_file.h"

namespace tracksim {

DeviceState InitialState(const SimOptions& options) {
  DeviceState state;
  std::optional<DeviceState> loaded;
  if (options.stateFile) loaded = LoadStateFile(*options.stateFile);
  if (loaded) state = *loaded;
  ApplyOptions(options, state);
  if (options.stateFile && (!loaded || state != *loaded)) SaveStateFile(*options.stateFile, state);
  return state;
}

Device::ExchangeObserver AfterEachExchange(const SimOptions& options, DeviceState saved) {
  return [log = options.log, stateFile = options.stateFile, saved = std::move(saved)](
             const Device& device, std::string_view request, const Actions& answer) mutable {
    if (log) std::fprintf(stderr, "%s\n", ExchangeLine(request, answer).c_str());
    if (!stateFile || device.state() == saved) return;
    try {
      SaveStateFile(*stateFile, device.state());
      saved = device.state();
    } catch (const std::exception& error) {
      std::fprintf(stderr, "tracksim: %s\n", error.what());
    }
  };
}

}  // namespace tracksim
