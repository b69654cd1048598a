// Download of one logger sector: the count reply, then the data block.
#pragma once

#include <cstdint>
#include <functional>
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
  std::uint32_t records = 0;    // as the count announces them
  std::uint32_t delivered = 0;  // records handed on so far
  std::unique_ptr<std::uint8_t[]> block;  // the data block: FRAME_START, then the records

  std::span<const std::uint8_t, kLoggerRecordSize> Record(std::uint32_t index) const {
    return std::span<const std::uint8_t, kLoggerRecordSize>(block.get() + 1 + kLoggerRecordSize * index,
                                                            kLoggerRecordSize);
  }
};

// Where the records go, in sector order, as they arrive.
using RecordSink = std::function<void(std::span<const std::uint8_t, kLoggerRecordSize>)>;

// Sends "PREAD" or "OREAD" and reads the sector, handing each record to `sink`
// as it arrives. The count is reported when it has arrived, the records'
// progress block by block, and block read problems as they happen; a port that
// fails three block reads in a row throws PortFailure, a device silent for the
// session's limit DeviceSilent. Whatever the device sends after the reply is
// discarded.
SectorRead ReadLoggerSector(Session& session, Sector sector, const RecordSink& sink);

}  // namespace trackctl
