// Ending the run. The process ends by unwinding to main, so that every resource
// (the port's line settings, the terminal mode, open files) is released on the way.
#pragma once

namespace trackctl {

struct ProgramExit {
  int status;
};

[[noreturn]] inline void EndProgram(int status) { throw ProgramExit{status}; }

}  // namespace trackctl
