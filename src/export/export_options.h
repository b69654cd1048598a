// What an export is asked to do, and the names that follow from it.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "export/export_formats.h"

namespace trackctl {

inline constexpr int kDefaultSplitGapMinutes = 10;

struct ExportOptions {
  const ExportFormat* format = &ExportFormats().front();
  std::vector<std::string> files;  // logger files, a track each
  std::string output;              // the file written; "-": `standardOutput`
  std::FILE* standardOutput = nullptr;  // the front end's standard output
  std::optional<int> utcOffsetMinutes;  // the device clock's offset from UTC; none: this machine's zone
  int splitGapMinutes = kDefaultSplitGapMinutes;
  // From the archive instead of files: the archive (none given: the default
  // one), the devices (none: every one), UTC bounds as the archive stores them.
  bool fromArchive = false;
  std::optional<std::string> archive;
  std::vector<std::string> devices;
  std::optional<std::string> since;
  std::optional<std::string> until;
};

// `file` with its extension, if it has one, replaced by the format's.
std::string DefaultOutputName(std::string_view file, const ExportFormat& format);

// The track's name for a logger file: "<key> SMS sector (downloaded <date> <time>)"
// (or DataCall sector) for a name that a download gives, otherwise the name
// without its folder and extension.
std::string TrackName(std::string_view file);

}  // namespace trackctl
