// Opens the archive that a command names.
#pragma once

#include <memory>
#include <string>
#include <variant>

#include "archive/archive.h"

namespace trackctl {

enum class ArchiveAccess {
  kRead,    // an archive that is there, read without a write
  kCreate,  // made empty when there is none
};

// The archive that `path` names: a PostgreSQL server for a connection string
// (see archive_name.h), a GeoPackage file otherwise; ArchiveError::Kind::kNotBuilt,
// with the backend's name, when this build has no backend for it.
std::variant<std::unique_ptr<Archive>, ArchiveError> OpenArchive(const std::string& path, ArchiveAccess access);

}  // namespace trackctl
