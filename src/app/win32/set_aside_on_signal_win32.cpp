// Windows ends a console program on Ctrl-C from another thread, with no signal
// that could set the file aside in time: the download's own set-aside covers
// every way out of the program but that one.
#include "app/set_aside_on_signal.h"

namespace trackctl {

SetAsideOnSignal::SetAsideOnSignal(const std::string&) {}

SetAsideOnSignal::~SetAsideOnSignal() = default;

}  // namespace trackctl
