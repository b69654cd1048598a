// How a device command ended. The menu goes on whatever the outcome; a run of one
// command turns it into its exit status.
#pragma once

namespace trackctl {

enum class Outcome {
  kDone,         // the device accepted, and every file is complete
  kRefused,      // the device refused or answered something unexpected
  kFileProblem,  // a local file is missing, unreadable, or could not be written whole
};

}  // namespace trackctl
