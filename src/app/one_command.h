// A run of one device command, for scripts: the command's messages as the menu
// shows them, without menus, pauses or clearing, and its outcome as the exit status.
#pragma once

#include "app/command_line.h"
#include "app/json_stdout.h"
#include "protocol/handshake.h"
#include "protocol/session.h"

namespace trackctl {

// Runs `command` on a session whose handshake reported `device`; returns the
// exit status: 0 done, 3 refused, 4 a file problem. With `json` (info and
// read-config only) the result is one JSON document written there.
int RunOneCommand(Session& session, const DeviceCommand& command, const InitFields& device, JsonStdout* json);

}  // namespace trackctl
