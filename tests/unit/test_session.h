// A session over a scripted port, with a fixed clock and a recorded report.
#pragma once

#include "fake_port.h"
#include "fixed_clock.h"
#include "protocol/session.h"
#include "recorded_report.h"

namespace trackctl::testing {

struct TestSession {
  FakePort port;
  FixedClock clock{LocalDateTime{}, 0};
  RandomGenerator random;
  RecordedReport report;
  Session session{port, clock, random, report};
};

}  // namespace trackctl::testing
