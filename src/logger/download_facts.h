// What one download of a logger sector was, as the download itself knows it:
// the file it wrote, whose records and which sector's they are, when it ran,
// and the records received. The archive takes these, never the file read back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "logger/logger_line.h"
#include "logger/sector.h"
#include "protocol/timewords.h"

namespace trackctl {

struct DownloadFacts {
  std::string fileName;      // the logger file as it was named: the default name or -o's
  std::string device;        // the serial key that the handshake reported
  Sector sector = Sector::kSms;
  LocalDateTime downloaded;  // this machine's local time when the file was named
  std::string version;       // "v1:v2:v3", as the handshake reported it
  std::string deviceType;    // likewise
  std::uint32_t announced = 0;      // the records that the device's count announced
  std::vector<LoggerLine> records;  // those received, in sector order, when they are kept
};

}  // namespace trackctl
