#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "app/process_setup.h"

namespace trackctl {

// Windows has no signal for a file size limit: a failed write is reported as such.
void PrepareProcess() {}

void MakeStandardOutputBinary() { _setmode(_fileno(stdout), _O_BINARY); }

}  // namespace trackctl
