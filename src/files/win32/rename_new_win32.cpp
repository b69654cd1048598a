#include <windows.h>

#include <cerrno>

#include "files/new_file.h"

namespace trackctl {

bool NameTaken(const std::string& name) {
  // A name wine cannot tell (a Linux link to a device, say) is taken too.
  if (GetFileAttributesA(name.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
  const DWORD error = GetLastError();
  return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
}

// Without MOVEFILE_REPLACE_EXISTING a taken name is refused.
bool RenameToNewName(const std::string& from, const std::string& to) {
  if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH) != 0) return true;
  const DWORD error = GetLastError();
  errno = error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? EEXIST : EACCES;
  return false;
}

}  // namespace trackctl
