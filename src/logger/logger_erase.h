// Erase of one logger sector in the device.
#pragma once

#include <string>

#include "logger/sector.h"
#include "protocol/session.h"

namespace trackctl {

struct EraseAnswer {
  enum class Kind {
    kDone,       // the OK reply of that sector
    kDelError,   // "\xEA" "DEL_ERROR\xE4"
    kUnexpected, // anything else
  };
  Kind kind = Kind::kUnexpected;
  std::string reply;  // up to its first NUL byte
};

// Sends "PDEL" or "ODEL" and returns the device's answer.
EraseAnswer EraseLoggerSector(Session& session, Sector sector);

}  // namespace trackctl
