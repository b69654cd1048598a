// Files that are always new: nothing that has the name already (a file, a
// folder, a link even to nothing) is opened, followed, truncated or appended to.
#pragma once

#include <fcntl.h>

#include <cstdio>
#include <string>

namespace trackctl {

// Text: on Windows "\n" is written as CR LF. Binary: every byte as it is.
enum class FileMode { kText, kBinary };

// The open() flag of binary mode: Windows' C library has the two modes, other
// systems have only the one.
#ifdef O_BINARY
inline constexpr int kBinaryMode = O_BINARY;
#else
inline constexpr int kBinaryMode = 0;
#endif

// A new, empty file of that name, open for reading and writing; nullptr, with
// errno set (EEXIST when the name is taken), when it cannot be created.
std::FILE* CreateNewFile(const std::string& name, FileMode mode);

// Whether something has the name `name`: a file, a folder, a device, or a link
// even one that leads nowhere (it is not followed). On POSIX, false for a name
// that cannot be looked at (creating it then says why); Windows counts every
// name that is not found missing as taken.
bool NameTaken(const std::string& name);

// Gives the file `from` the name `to` when nothing has that name: a file that
// has it is never replaced. False, with errno set (EEXIST when the name is
// taken), when the file keeps its name.
bool RenameToNewName(const std::string& from, const std::string& to);

}  // namespace trackctl
