// A device, FIFO, socket or descriptor that is written as it is: opened for
// writing only, never created, truncated or replaced.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "files/new_file.h"

namespace trackctl {

// The stream of that name open for writing; nullptr with errno set when it cannot
// be opened, EEXIST when it is (by now) a regular file or a folder. A FIFO is
// waited for until a program reads it, at most `readerWaitMs` (0: for ever):
// ENXIO when none came.
std::FILE* OpenStream(const std::string& name, FileMode mode, std::uint32_t readerWaitMs);

// This process's descriptor `descriptor`, written at its position (appended to,
// when it was opened so): a copy of it, closed with the file; nullptr with errno
// set when it is not open.
std::FILE* OpenDescriptor(int descriptor, FileMode mode);

}  // namespace trackctl
