// Which logger points have a valid time and place, and how their local times
// become UTC: a fixed offset, or the converting machine's zone.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <utility>

#include "track/machine_zone.h"
#include "track/track_point.h"

namespace trackctl {
namespace {

std::string Iso(std::int64_t seconds) {
  std::string text;
  AppendIsoUtc(text, seconds);
  return text;
}

LoggerLine At(unsigned day, unsigned month, unsigned year, unsigned hours, unsigned minutes = 0,
              unsigned seconds = 0) {
  LoggerLine line;
  line.day = day, line.month = month, line.year = year;
  line.hours = hours, line.minutes = minutes, line.seconds = seconds;
  line.longitude = 77'594'600;
  line.latitude = 12'971'520;
  return line;
}

TEST(TrackPoint, EachInvalidTimeOrPlaceIsNamed) {
  FixedOffsetRule rule(0);
  LoggerLine farNorth = At(12, 6, 2005, 22);
  farNorth.latitude = 90'000'040;
  LoggerLine farEast = At(12, 6, 2005, 22);
  farEast.longitude = 180'000'040;
  const struct {
    LoggerLine line;
    PointProblem problem;
  } cases[] = {
      {At(1, 1, 1970, 0), PointProblem::kEmptyDate},
      {At(12, 6, 0, 10), PointProblem::kYear},
      {At(31, 12, 1969, 23), PointProblem::kYear},
      {At(1, 1, 10000, 0), PointProblem::kYear},
      {At(12, 0, 2005, 10), PointProblem::kMonth},
      {At(12, 13, 2005, 10), PointProblem::kMonth},
      {At(0, 6, 2005, 10), PointProblem::kDay},
      {At(31, 4, 2005, 10), PointProblem::kDay},
      {At(29, 2, 2005, 10), PointProblem::kDay},
      {At(30, 2, 2008, 10), PointProblem::kDay},
      {At(29, 2, 2100, 10), PointProblem::kDay},  // not a leap year
      {At(12, 6, 2005, 24), PointProblem::kHour},
      {At(12, 6, 2005, 36, 24, 31), PointProblem::kHour},
      {At(12, 6, 2005, 23, 60), PointProblem::kMinuteOrSecond},
      {At(12, 6, 2005, 23, 0, 60), PointProblem::kMinuteOrSecond},
      {farNorth, PointProblem::kLatitude},
      {farEast, PointProblem::kLongitude},
      {At(0, 0, 2005, 24), PointProblem::kMonth},  // the first problem is the one given
  };
  for (const auto& [line, problem] : cases) {
    const TrackPoint point = MakeTrackPoint(line, rule);
    EXPECT_EQ(point.problem, problem) << line.day << ":" << line.month << ":" << line.year << " " << line.hours;
    EXPECT_FALSE(ProblemText(point.problem).empty());
  }
  LoggerLine edges = At(29, 2, 2008, 23, 59, 59);
  edges.latitude = 90'000'000;
  edges.longitude = 180'000'000;
  for (const LoggerLine& line : {edges, At(29, 2, 2000, 0), At(31, 12, 2157, 0), At(2, 1, 1970, 0), At(31, 12, 9999, 0)}) {
    const TrackPoint point = MakeTrackPoint(line, rule);
    EXPECT_EQ(point.problem, PointProblem::kNone) << line.day << ":" << line.month << ":" << line.year;
    EXPECT_TRUE(point.utc.has_value());
  }
}

TEST(FixedOffsetRule, DatesAcrossMidnightMonthsYearsAndLeapDays) {
  const struct {
    LoggerLine line;
    int offset;
    const char* utc;
  } cases[] = {
      {At(12, 6, 2005, 22, 0, 0), 330, "2005-06-12T16:30:00Z"},
      {At(13, 6, 2005, 0, 10, 0), 330, "2005-06-12T18:40:00Z"},
      {At(1, 7, 2005, 3, 0, 5), 330, "2005-06-30T21:30:05Z"},
      {At(31, 12, 2005, 22, 0, 0), -180, "2006-01-01T01:00:00Z"},
      {At(1, 1, 2006, 1, 0, 0), 600, "2005-12-31T15:00:00Z"},
      {At(29, 2, 2008, 23, 30, 0), -60, "2008-03-01T00:30:00Z"},
      {At(1, 3, 2008, 0, 30, 0), 60, "2008-02-29T23:30:00Z"},
      {At(15, 8, 2157, 12, 0, 0), 0, "2157-08-15T12:00:00Z"},
  };
  for (const auto& [line, offset, utc] : cases) {
    FixedOffsetRule rule(offset);
    const TrackPoint point = MakeTrackPoint(line, rule);
    ASSERT_TRUE(point.utc.has_value());
    EXPECT_EQ(Iso(*point.utc), utc);
  }
  FixedOffsetRule utc(0);
  EXPECT_EQ(*MakeTrackPoint(At(12, 6, 2005, 16, 30), utc).utc, 1'118'593'800);
}

TEST(UtcTime, DaysAndDatesAgreeOverCenturies) {
  std::int64_t expected = DaysFromCivil(1899, 12, 31);
  for (int year = 1900; year <= 2200; ++year) {
    for (unsigned month = 1; month <= 12; ++month) {
      for (unsigned day = 1; day <= DaysInMonth(year, month); ++day) {
        const std::int64_t days = DaysFromCivil(year, month, day);
        ASSERT_EQ(days, ++expected) << year << "-" << month << "-" << day;
        const LocalDateTime back = UtcDateTime(days * 86'400 + 86'399);
        ASSERT_EQ((std::array{back.year, back.month, back.day, back.hour, back.minute, back.second}),
                  (std::array{year, static_cast<int>(month), static_cast<int>(day), 23, 59, 59}));
      }
    }
  }
  EXPECT_EQ(DaysFromCivil(1970, 1, 1), 0);
  EXPECT_EQ(Iso(-1), "1969-12-31T23:59:59Z");
}

// Sets the process's time zone for one test and puts the old one back.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* zone) {
    if (const char* old = std::getenv("TZ")) old_ = old;
    Set(zone);
  }
  ~ScopedTimeZone() { Set(old_ ? old_->c_str() : nullptr); }

 private:
  static void Set(const char* zone) {
#ifdef _WIN32
    _putenv_s("TZ", zone != nullptr ? zone : "");
    _tzset();
#else
    if (zone != nullptr) {
      setenv("TZ", zone, 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
#endif
  }
  std::optional<std::string> old_;
};

// Whatever zone the C library applies, a local time that it shows for an instant
// is taken back to an instant that it shows as that same local time. Under wine
// the Windows C library applies its own reading of TZ (a US summer time rule
// for "CET-1CEST"), so this is what holds on both platforms: the hour-wise
// shortcut agrees with the library's own clock, every 13 minutes of a year.
TEST(MachineZoneRule, AgreesWithTheLibrarysLocalTimeAllYearRound) {
#ifdef _WIN32
  const ScopedTimeZone zone("CET-1CEST");
#else
  const ScopedTimeZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
#endif
  MachineZoneRule rule;
  const std::int64_t start = DaysFromCivil(2024, 1, 1) * 86'400;
  for (std::int64_t t = start; t < start + 366 * 86'400; t += 13 * 60) {
    const std::time_t instant = static_cast<std::time_t>(t);
    const std::tm shown = *std::localtime(&instant);
    const LocalDateTime local{shown.tm_year + 1900, shown.tm_mon + 1, shown.tm_mday,
                              shown.tm_hour,        shown.tm_min,     shown.tm_sec};
    const std::optional<std::int64_t> utc = rule.ToUtc(local);
    ASSERT_TRUE(utc.has_value());
    const std::time_t back = static_cast<std::time_t>(*utc);
    const std::tm again = *std::localtime(&back);
    ASSERT_EQ((std::array{again.tm_mday, again.tm_hour, again.tm_min}),
              (std::array{shown.tm_mday, shown.tm_hour, shown.tm_min}))
        << Iso(t) << " came back as " << Iso(*utc);
  }
}

#ifndef _WIN32
// Central European time by its POSIX rule, which needs no zone files: UTC+1,
// summer time (UTC+2) from 02:00 on the last Sunday of March to 03:00 on the
// last Sunday of October.
TEST(MachineZoneRule, SummerTimeWinterTimeAndTheHoursAroundTheChanges) {
  const ScopedTimeZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
  MachineZoneRule rule;
  const auto utc = [&rule](int year, int month, int day, int hour, int minute) {
    return Iso(rule.ToUtc(LocalDateTime{year, month, day, hour, minute, 0}).value());
  };
  EXPECT_EQ(utc(2024, 1, 15, 12, 0), "2024-01-15T11:00:00Z");
  EXPECT_EQ(utc(2024, 7, 15, 12, 0), "2024-07-15T10:00:00Z");
  EXPECT_EQ(utc(2024, 6, 1, 1, 30), "2024-05-31T23:30:00Z");  // across midnight and a month
  EXPECT_EQ(utc(2025, 1, 1, 0, 59), "2024-12-31T23:59:00Z");
  // 31 March 2024: 02:00 became 03:00; a skipped time is read in winter time.
  EXPECT_EQ(utc(2024, 3, 31, 1, 59), "2024-03-31T00:59:00Z");
  EXPECT_EQ(utc(2024, 3, 31, 3, 0), "2024-03-31T01:00:00Z");
  EXPECT_EQ(utc(2024, 3, 31, 2, 30), "2024-03-31T01:30:00Z");
  // 27 October 2024: 03:00 became 02:00 again; the repeated hour is taken at its
  // first occurrence, in summer time, whichever times come before it.
  const std::pair<LocalDateTime, const char*> night[] = {
      {{2024, 10, 27, 1, 59, 0}, "2024-10-26T23:59:00Z"}, {{2024, 10, 27, 2, 0, 0}, "2024-10-27T00:00:00Z"},
      {{2024, 10, 27, 2, 30, 0}, "2024-10-27T00:30:00Z"}, {{2024, 10, 27, 2, 59, 59}, "2024-10-27T00:59:59Z"},
      {{2024, 10, 27, 3, 0, 0}, "2024-10-27T02:00:00Z"},  {{2024, 10, 27, 3, 30, 0}, "2024-10-27T02:30:00Z"},
  };
  for (const bool backwards : {false, true}) {
    MachineZoneRule fresh;
    for (std::size_t i = 0; i < std::size(night); ++i) {
      const auto& [local, expected] = night[backwards ? std::size(night) - 1 - i : i];
      EXPECT_EQ(Iso(fresh.ToUtc(local).value()), expected) << (backwards ? "backwards" : "forwards");
    }
  }
  // A zone with half hours and summer time in the southern summer: Adelaide.
  const ScopedTimeZone adelaide("ACST-9:30ACDT,M10.1.0,M4.1.0/3");
  MachineZoneRule south;
  EXPECT_EQ(Iso(*south.ToUtc(LocalDateTime{2024, 1, 10, 9, 0, 0})), "2024-01-09T22:30:00Z");
  EXPECT_EQ(Iso(*south.ToUtc(LocalDateTime{2024, 7, 10, 9, 0, 0})), "2024-07-09T23:30:00Z");
}

// Newfoundland in 2010 by its POSIX rule (what the TZ database has for
// America/St_Johns then): UTC-3:30, summer time UTC-2:30, the clocks changed at
// 00:01, so hours began at one offset and ended at another. On 14 March 00:01
// became 01:01, on 7 November 00:01 became 23:01 of the day before.
TEST(MachineZoneRule, ClocksThatChangeInsideAnHour) {
  const ScopedTimeZone zone("NST3:30NDT,M3.2.0/0:01,M11.1.0/0:01");
  MachineZoneRule rule;
  const struct {
    LocalDateTime local;
    const char* utc;
  } cases[] = {
      {{2010, 3, 14, 0, 0, 30}, "2010-03-14T03:30:30Z"},
      {{2010, 3, 14, 1, 0, 30}, "2010-03-14T04:30:30Z"},  // skipped: winter time
      {{2010, 3, 14, 1, 30, 0}, "2010-03-14T04:00:00Z"},
      {{2010, 11, 6, 23, 0, 0}, "2010-11-07T01:30:00Z"},
      {{2010, 11, 6, 23, 30, 0}, "2010-11-07T02:00:00Z"},  // repeated: summer time
      {{2010, 11, 7, 0, 0, 30}, "2010-11-07T02:30:30Z"},   // repeated
      {{2010, 11, 7, 0, 30, 0}, "2010-11-07T04:00:00Z"},
  };
  for (const auto& [local, expected] : cases) {
    EXPECT_EQ(Iso(rule.ToUtc(local).value()), expected) << local.hour << ":" << local.minute;
  }
}
#endif

}  // namespace
}  // namespace trackctl
