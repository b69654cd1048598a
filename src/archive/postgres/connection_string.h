// A PostgreSQL archive's name: the connection string forms that libpq takes,
// read without libpq (every build reads them, to tell a server from a file and
// to keep its password out of messages; see archive_name.h), with the schema
// that holds the archive there.
//
// A URI is read as libpq reads it: its userinfo is the text after the scheme up
// to the first '@' that comes before any '/', the password what follows the
// userinfo's first ':', and the query begins at the first '?' after the
// userinfo. A password that holds a raw '@' or '/' is split there by libpq:
// such a URI is refused (RefusedArchiveName), and shown without all that
// may be its password.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trackctl {

// Why libpq would not read the URI `name` as it was meant: it would split it
// inside the password (a raw '@' or '/' in it). Nothing for a name it reads
// as written, and for every name that is no URI.
std::optional<std::string> RefusedArchiveName(std::string_view name);

// The password that libpq takes from the connection string (decoded), empty
// when it carries none; for a URI that libpq would split, all that may be
// its password.
std::string PasswordInArchiveName(std::string_view name);

// Every spelling of every password that the connection string holds, as
// written and as decoded, the longest first; none for a file name.
std::vector<std::string> SecretsInArchiveName(std::string_view name);

// The schema that holds the archive on a server: the connection string's own
// "schema" parameter (a URI's "?schema=fleet_north", a key=value string's
// "schema=fleet_north"), which is trackctl's and not libpq's; "trackctl" when
// it names none.
std::string ArchiveSchemaName(std::string_view name);

// The connection string as libpq takes it: without its "schema" parameter.
std::string ConnectionString(std::string_view name);

}  // namespace trackctl
