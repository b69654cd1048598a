#include <csignal>

#include "app/process_setup.h"

namespace trackctl {

void PrepareProcess() { std::signal(SIGXFSZ, SIG_IGN); }

// The C library here has one mode only, which writes bytes as they are.
void MakeStandardOutputBinary() {}

}  // namespace trackctl
