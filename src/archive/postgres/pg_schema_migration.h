// Brings an archive of an earlier schema version up to this program's, in one
// transaction, under the lock under which schemas are made.
#pragma once

#include <libpq-fe.h>

#include "archive/postgres/pg_schema.h"

namespace trackctl::pg {

// Migrates the archive unless another program did meanwhile. Throws a
// Failure, and then leaves the archive as it was.
void MigratePgSchema(PGconn* connection, const Schema& schema);

}  // namespace trackctl::pg
