// What an archive's name says: a GeoPackage file or a PostgreSQL server, and
// the name as it may be shown, without a password. A server's name is read by
// postgres/connection_string.cpp, which every build holds (it needs no libpq).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace trackctl {

// True for "postgresql://..." and "postgres://..." URIs and for key=value
// connection strings ("host=/run/pg dbname=fleet"); a file name otherwise
// (write "./a=b.gpkg" for a file whose name looks like a key=value pair).
bool IsServerArchiveName(std::string_view name);

// The name without the password that a connection string may carry (the
// userinfo's ":password" of a URI, its "password=" parameter, a key=value
// string's "password=..." pair); a file name as it is.
std::string ShownArchiveName(std::string_view name);

// `text` with every occurrence of each of `secrets` (and of the secrets of
// the archive name, with MaskedSecrets(text, name)) written "***".
std::string MaskedSecrets(std::string text, const std::vector<std::string>& secrets);
std::string MaskedSecrets(std::string text, std::string_view name);

}  // namespace trackctl
