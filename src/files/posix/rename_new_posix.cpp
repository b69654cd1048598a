#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "files/new_file.h"

namespace trackctl {

bool NameTaken(const std::string& name) {
  struct stat info {};
  return lstat(name.c_str(), &info) == 0;
}

// renameat2 refuses a taken name in one step; a file system without it gets a
// second link and the old one removed, which refuses a taken name as well.
bool RenameToNewName(const std::string& from, const std::string& to) {
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  if (link(from.c_str(), to.c_str()) != 0) return false;
  unlink(from.c_str());
  return true;
}

}  // namespace trackctl
