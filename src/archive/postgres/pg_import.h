// The PostgreSQL side of an import (import_run.h): one transaction, imports of
// one device's sector taking turns; records looked up by their keys, and
// added through COPY into a temporary table and one insert a batch.
#pragma once

#include <libpq-fe.h>

#include <memory>

#include "archive/import_run.h"
#include "archive/postgres/pg_schema.h"

namespace trackctl::pg {

std::unique_ptr<ImportSession> BeginImport(PGconn* connection, const Schema& schema, bool geometry,
                                             const ArchiveDownload& download);

}  // namespace trackctl::pg
