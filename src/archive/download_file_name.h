// The download that a logger file's name tells of.
#pragma once

#include <optional>
#include <string_view>

#include "archive/archive.h"

namespace trackctl {

// The device, sector and time of download of a file that a download named
// (its folder, if any, is left aside); nothing for any other name.
std::optional<ArchiveDownload> DownloadOfFileName(std::string_view path);

}  // namespace trackctl
