// A download's file, written as NAME.partial until the sector is in whole, when
// a signal (Ctrl-C, a hang-up, kill) ends the program in the middle of the
// download: kept as NAME.partial when it holds something, removed when it is
// empty, with one line on standard error saying which. Every other way out goes
// through the download's own set-aside; SIGKILL and a power loss leave the
// NAME.partial as it is.
#pragma once

#include <string>

namespace trackctl {

class SetAsideOnSignal {
 public:
  // `name` is the logger file's final name.
  explicit SetAsideOnSignal(const std::string& name);
  // The handlers from before. Only one lives at a time.
  ~SetAsideOnSignal();
  SetAsideOnSignal(const SetAsideOnSignal&) = delete;
  SetAsideOnSignal& operator=(const SetAsideOnSignal&) = delete;
};

}  // namespace trackctl
