// The logger columns of a record, in the order of a logger line: their names
// (as the archive's tables and the CSV export spell them), their kind, and how
// each is read from and written into a LoggerLine. Whatever lists the columns
// (the archive's SQL and binds, its comparison of records, the CSV export)
// walks this table.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "logger/logger_line.h"

namespace trackctl {

enum class LoggerColumnKind {
  kInteger,  // a whole number as the line gives it
  kDecimal,  // six decimals, held in millionths, stored as the double millionths / 1e6
};

struct LoggerColumn {
  std::string_view name;
  LoggerColumnKind kind;
  std::uint64_t (*get)(const LoggerLine& line);
  void (*set)(LoggerLine& line, std::uint64_t value);
};

#define TRACKCTL_LOGGER_COLUMN(field, kind)                                                     \
  LoggerColumn {                                                                                \
    #field, kind, [](const LoggerLine& line) -> std::uint64_t { return line.field; },          \
        [](LoggerLine& line, std::uint64_t value) { line.field = static_cast<decltype(line.field)>(value); } \
  }

inline constexpr auto kLoggerColumns = std::to_array<LoggerColumn>({
    TRACKCTL_LOGGER_COLUMN(headCode, LoggerColumnKind::kInteger),
    TRACKCTL_LOGGER_COLUMN(headState, LoggerColumnKind::kInteger),
    TRACKCTL_LOGGER_COLUMN(flagCode, LoggerColumnKind::kInteger),
    TRACKCTL_LOGGER_COLUMN(column4, LoggerColumnKind::kInteger),
    TRACKCTL_LOGGER_COLUMN(hours, LoggerColumnKind::kInteger),
    TRACKCTL_LOGGER_COLUMN(minutes, LoggerColumnKind::kInteger),
    TRACKCTL_LOGGER_COLUMN(seconds, LoggerColumnKind::kInteger),
    TRACKCTL_LOGGER_COLUMN(day, LoggerColumnKind::kInteger),
    TRACKCTL_LOGGER_COLUMN(month, LoggerColumnKind::kInteger),
    TRACKCTL_LOGGER_COLUMN(year, LoggerColumnKind::kInteger),
    TRACKCTL_LOGGER_COLUMN(longitude, LoggerColumnKind::kDecimal),
    TRACKCTL_LOGGER_COLUMN(latitude, LoggerColumnKind::kDecimal),
    TRACKCTL_LOGGER_COLUMN(byteValue, LoggerColumnKind::kDecimal),
    TRACKCTL_LOGGER_COLUMN(wideValue, LoggerColumnKind::kDecimal),
});

#undef TRACKCTL_LOGGER_COLUMN

// A decimal column's value as stored: degrees, or the value, from its millionths.
inline double StoredDecimal(std::uint64_t millionths) { return static_cast<double>(millionths) / 1e6; }

}  // namespace trackctl
