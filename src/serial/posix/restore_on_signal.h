// The port's line settings put back when a signal (Ctrl-C, a hang-up of the
// operator's terminal, kill) ends the program while the port is open; every
// other way out goes through the port's destructor, which puts them back itself.
#pragma once

#include <signal.h>
#include <termios.h>

namespace trackctl {

class RestoreOnSignal {
 public:
  // For SIGINT, SIGQUIT, SIGTERM and SIGHUP, unless ignored: puts `original`
  // back on `fd`, then ends the program by the signal as it would have ended.
  RestoreOnSignal(int fd, const termios& original);
  // The handlers from before. Only one lives at a time.
  ~RestoreOnSignal();
  RestoreOnSignal(const RestoreOnSignal&) = delete;
  RestoreOnSignal& operator=(const RestoreOnSignal&) = delete;

 private:
  struct sigaction previous_[4] = {};
};

}  // namespace trackctl
