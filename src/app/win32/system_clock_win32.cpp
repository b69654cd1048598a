#include <windows.h>

#include <ctime>

#include "app/system_clock.h"

namespace trackctl {

LocalDateTime SystemClock::Now() {
  SYSTEMTIME local{};
  GetLocalTime(&local);
  return LocalDateTime{local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond};
}

std::int64_t SystemClock::CalendarSeconds() { return static_cast<std::int64_t>(std::time(nullptr)); }

}  // namespace trackctl
