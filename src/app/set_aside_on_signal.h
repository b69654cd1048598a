// A download's file set aside when a signal (Ctrl-C, a hang-up, kill) ends the
// program in the middle of the download: renamed to NAME.partial when it holds
// something, removed when it is empty, with one line on standard error saying
// which. Every other way out goes through the download's own set-aside.
#pragma once

#include <string>

namespace trackctl {

class SetAsideOnSignal {
 public:
  explicit SetAsideOnSignal(const std::string& name);
  // The handlers from before. Only one lives at a time.
  ~SetAsideOnSignal();
  SetAsideOnSignal(const SetAsideOnSignal&) = delete;
  SetAsideOnSignal& operator=(const SetAsideOnSignal&) = delete;
};

}  // namespace trackctl
