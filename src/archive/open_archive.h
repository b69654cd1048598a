// Opens the archive that a command names.
#pragma once

#include <memory>
#include <string>
#include <variant>

#include "archive/archive.h"

namespace trackctl {

enum class ArchiveAccess {
  kRead,    // an archive that is there
  kCreate,  // made empty when there is none
};

// The archive file for `path`; ArchiveError::Kind::kNotBuilt when this build
// has no backend for it.
std::variant<std::unique_ptr<Archive>, ArchiveError> OpenArchive(const std::string& path, ArchiveAccess access);

}  // namespace trackctl
