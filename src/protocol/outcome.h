// How a device command ended. The menu goes on whatever the outcome; a run of one
// command turns it into its exit status.
#pragma once

#include <string>

namespace trackctl {

enum class Outcome {
  kDone,         // the device accepted, and every file is complete
  kRefused,      // the device refused or answered something unexpected
  kFileProblem,  // a local file is missing, unreadable, or could not be written whole
};

// A device's answer to a request: accepted, or the reply as received, up to
// its first NUL byte.
struct Answer {
  bool accepted = false;
  std::string reply;
};

}  // namespace trackctl
