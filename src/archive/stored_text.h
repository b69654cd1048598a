// Text that comes from a device or from a logger file's name (a serial key, a
// version, a device type, the file's name) as both stores keep it. Such text
// may hold any bytes, while a PostgreSQL database in UTF-8 takes nothing that
// is not UTF-8 (nor NUL): each byte that is no part of a valid UTF-8 sequence,
// and NUL, is written \xHH (upper-case digits, as a terminal shows a control
// byte of a device's), every other byte stays. Text in UTF-8 is kept as it is,
// and so are the record keys made of it; bytes that are not keep apart the
// keys that differ in them, and can be read back.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "archive/archive.h"

namespace trackctl {

std::string StoredText(std::string_view text);

// `download` with each of its texts as stored.
ArchiveDownload StoredDownload(const ArchiveDownload& download);

// The devices of a track query, as stored.
std::vector<std::string> StoredDevices(const std::vector<std::string>& devices);

}  // namespace trackctl
