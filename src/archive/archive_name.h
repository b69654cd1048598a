// What an archive's name says: a GeoPackage file, or a PostgreSQL server in
// the connection string forms that libpq takes, with the schema that holds the
// archive there; and the name as it may be shown, without a password.
#pragma once

#include <string>
#include <string_view>

namespace trackctl {

// True for "postgresql://..." and "postgres://..." URIs and for key=value
// connection strings ("host=/run/pg dbname=fleet"); a file name otherwise
// (write "./a=b.gpkg" for a file whose name looks like a key=value pair).
bool IsServerArchiveName(std::string_view name);

// The name without the password that a connection string may carry (the
// userinfo's ":password" of a URI, its "password=" parameter, a key=value
// string's "password=..." pair); a file name as it is.
std::string ShownArchiveName(std::string_view name);

// The password that the connection string carries, empty when none.
std::string PasswordInArchiveName(std::string_view name);

// The schema that holds the archive on a server: the connection string's own
// "schema" parameter (a URI's "?schema=fleet_north", a key=value string's
// "schema=fleet_north"), which is trackctl's and not libpq's; "trackctl" when
// it names none.
std::string ArchiveSchemaName(std::string_view name);

// The connection string as libpq takes it: without its "schema" parameter.
std::string ConnectionString(std::string_view name);

}  // namespace trackctl
