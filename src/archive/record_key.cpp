#include "archive/record_key.h"

#include "track/logger_columns.h"

namespace trackctl {
namespace {

// FNV-1a over the bytes, then a final mix so that records a column apart land
// far apart.
class Hash {
 public:
  void Byte(std::uint8_t byte) {
    state_ ^= byte;
    state_ *= 0x100000001b3ULL;
  }
  void Word(std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) Byte(static_cast<std::uint8_t>(value >> (8 * i)));
  }
  std::uint64_t Final() const { return Mix(state_); }

  static std::uint64_t Mix(std::uint64_t z) {
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
  }

 private:
  std::uint64_t state_ = 0xcbf29ce484222325ULL;
};

}  // namespace

std::int64_t RecordKey(std::string_view device, Sector sector, const LoggerLine& line) {
  Hash hash;
  for (const char c : device) hash.Byte(static_cast<std::uint8_t>(c));
  hash.Byte(0);
  hash.Byte(sector == Sector::kSms ? 1 : 2);
  // The integer columns as 4 bytes, the decimal ones (millionths) as 8.
  for (const LoggerColumn& column : kLoggerColumns) {
    hash.Word(column.get(line), column.kind == LoggerColumnKind::kInteger ? 4 : 8);
  }
  return static_cast<std::int64_t>(hash.Final());
}

std::int64_t NextRecordKey(std::int64_t key) { return static_cast<std::int64_t>(static_cast<std::uint64_t>(key) + 1); }

void RecordsDigest::Add(std::int64_t key) {
  state_ = Hash::Mix(state_ ^ static_cast<std::uint64_t>(key));
  ++count_;
}

std::int64_t RecordsDigest::Value() const { return static_cast<std::int64_t>(Hash::Mix(state_ ^ count_)); }

}  // namespace trackctl
