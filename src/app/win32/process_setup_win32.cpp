#include "app/process_setup.h"

namespace trackctl {

// Windows has no signal for a file size limit: a failed write is reported as such.
void PrepareProcess() {}

}  // namespace trackctl
