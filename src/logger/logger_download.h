// Download of one logger sector: the count reply, then the data block.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "logger/logger_record.h"
#include "logger/sector.h"
#include "protocol/session.h"

namespace trackctl {

struct SectorRead {
  enum class Kind {
    kRead,          // the data block was read whole
    kCountRefused,  // the count is not whole records: nothing was read
    kTooMany,       // more records than memory holds: nothing was read
  };
  Kind kind = Kind::kCountRefused;
  // The count reply carried the sector's acknowledgement. A reply without it
  // reads as a count of 0.
  bool acknowledged = false;
  std::uint32_t records = 0;
  std::unique_ptr<std::uint8_t[]> block;  // the data block: FRAME_START, then the records

  std::span<const std::uint8_t, kLoggerRecordSize> Record(std::uint32_t index) const {
    return std::span<const std::uint8_t, kLoggerRecordSize>(block.get() + 1 + kLoggerRecordSize * index,
                                                            kLoggerRecordSize);
  }
};

// Sends "PREAD" or "OREAD" and reads the sector. The count is reported when it
// has arrived, the records' progress block by block, and block read problems
// as they happen; a port that fails three block reads in a row throws
// PortFailure. Whatever the device sends after the reply is discarded.
SectorRead ReadLoggerSector(Session& session, Sector sector);

}  // namespace trackctl
