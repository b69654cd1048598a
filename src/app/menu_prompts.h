// The menu's commands that ask the operator for their input first.
#pragma once

#include "app/console.h"
#include "protocol/session.h"

namespace trackctl {

// Asks for the image file (RAVU.BIN when the answer is empty) and uploads it. A
// file that cannot be opened or read ends the run with status 1.
void UpgradeCodeFromMenu(Session& session, Console& console);

// Shows the key format, reads a key and writes it; a key longer than 10
// characters is refused with a message, the end of the input sends nothing.
void WriteSerialKeyFromMenu(Session& session, Console& console);

}  // namespace trackctl
