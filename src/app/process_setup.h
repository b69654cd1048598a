// Process-wide settings made once at start-up.
#pragma once

namespace trackctl {

// A write past a file size limit fails with an error that the program reports,
// instead of ending the process before it can say that a file is incomplete.
void PrepareProcess();

// Standard output takes bytes as they are: on Windows "\n" is not turned into CR LF.
void MakeStandardOutputBinary();

}  // namespace trackctl
