// Whether the C library knows the time zone that TZ names. A name it does not
// know is taken as UTC without a word, so the export says so itself.
#pragma once

#include <string_view>

namespace trackctl {

// True for a zone file of the TZ database (under TZDIR, or the system's folder
// of zone files; an absolute path; either after a ':'), and for a rule written
// out, such as "CET-1CEST" or "<+0530>-5:30": a name of three letters or more
// (or one in angle brackets) and its offset. An empty TZ is UTC, and known.
bool ZoneNameIsKnown(std::string_view tz, std::string_view zoneFolder);

// The folder that TZDIR names, else the system's folder of zone files.
std::string_view ZoneFolder(const char* tzdir);

}  // namespace trackctl
