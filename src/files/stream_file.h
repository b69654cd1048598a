// A device, FIFO or socket that is written as it is: opened for writing only,
// never created, truncated or replaced.
#pragma once

#include <cstdio>
#include <string>

#include "files/new_file.h"

namespace trackctl {

// The stream of that name open for writing; nullptr with errno set when it cannot
// be opened, EEXIST when it is (by now) a regular file or a folder. Opening a FIFO
// waits for its reader.
std::FILE* OpenStream(const std::string& name, FileMode mode);

}  // namespace trackctl
