#include <csignal>

#include "app/process_setup.h"

namespace trackctl {

void PrepareProcess() { std::signal(SIGXFSZ, SIG_IGN); }

}  // namespace trackctl
