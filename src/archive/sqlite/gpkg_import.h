// The GeoPackage's side of an import (import_run.h): an immediate transaction;
// rows added by a prepared insert; the spatial index filled at the end, packed
// where it was empty, and the layer's extent widened.
#pragma once

#include <sqlite3.h>

#include <memory>

#include "archive/import_run.h"

namespace trackctl::gpkg {

std::unique_ptr<ImportSession> BeginImport(sqlite3* db, const ArchiveDownload& download);

}  // namespace trackctl::gpkg
