// Brings an archive of an earlier schema to this program's, in one
// transaction: another program may be migrating it at the same time, and a
// migration that does not complete leaves the archive as it was.
#pragma once

#include <sqlite3.h>

namespace trackctl::gpkg {

// Throws SqliteFailure when the archive could not be migrated.
void MigrateArchive(sqlite3* db);

}  // namespace trackctl::gpkg
