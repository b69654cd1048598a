// The key under which the archive finds a record: a 64-bit hash of what makes
// a record the same record (its device, sector and logger columns). Keys are
// stored, so the hash never changes. Two different records may hash alike:
// the second then takes the next free key (NextRecordKey), and a record is
// found by following the keys from its hash until its own row or a free key.
#pragma once

#include <cstdint>
#include <string_view>

#include "logger/logger_line.h"
#include "logger/sector.h"

namespace trackctl {

std::int64_t RecordKey(std::string_view device, Sector sector, const LoggerLine& line);

// The key tried after `key` when that one holds another record.
std::int64_t NextRecordKey(std::int64_t key);

// Folds record keys into one value that tells one file's records from another's.
class RecordsDigest {
 public:
  void Add(std::int64_t key);
  std::int64_t Value() const;

 private:
  std::uint64_t state_ = 0;
  std::uint64_t count_ = 0;
};

}  // namespace trackctl
