#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <optional>

#include "archive/server_archive.h"

namespace trackctl {
namespace {

// The folder of the running program, links followed.
std::optional<std::filesystem::path> ProgramFolder() {
  char path[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return std::nullopt;
  return std::filesystem::path(std::string(path, static_cast<std::size_t>(length))).parent_path();
}

// Where the module is: beside the program (the build tree), else where the
// package installs it, relative to the program's folder.
std::optional<std::filesystem::path> ModulePath() {
  const std::optional<std::filesystem::path> folder = ProgramFolder();
  if (!folder) return std::nullopt;
  for (const std::filesystem::path& candidate :
       {*folder / kServerArchiveModule, *folder / TRACKCTL_MODULE_DIR / kServerArchiveModule}) {
    std::error_code error;
    if (std::filesystem::is_regular_file(candidate, error)) return candidate.lexically_normal();
  }
  return std::nullopt;
}

std::variant<ServerArchiveOpener, ArchiveError> Load() {
  const std::optional<std::filesystem::path> path = ModulePath();
  if (!path) {
    return ArchiveError{ArchiveError::Kind::kFailed,
                        std::string("the PostgreSQL archive's module ") + kServerArchiveModule +
                            " is not installed with this trackctl (reinstall the package trackctl)"};
  }
  // Kept for the whole run: the archives it opens live in it.
  void* module = dlopen(path->c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    const char* why = dlerror();
    return ArchiveError{ArchiveError::Kind::kFailed,
                        "the PostgreSQL client library cannot be loaded (install the package libpq5): " +
                            std::string(why != nullptr ? why : "unknown reason")};
  }
  void* entry = dlsym(module, kServerArchiveEntry);
  if (entry == nullptr) {
    return ArchiveError{ArchiveError::Kind::kFailed,
                        path->string() + " is no PostgreSQL archive module of this trackctl (reinstall the package trackctl)"};
  }
  return reinterpret_cast<ServerArchiveOpener>(entry);
}

}  // namespace

std::variant<ServerArchiveOpener, ArchiveError> LoadServerArchive() {
  static const std::variant<ServerArchiveOpener, ArchiveError> loaded = Load();
  return loaded;
}

}  // namespace trackctl
