#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "sim/line_pacer.h"
#include "sim/pty_server.h"

namespace tracksim {
namespace {

using namespace std::chrono_literals;
using Clock = LinePacer::Clock;

constexpr unsigned kBaud = 115200;
constexpr double kBytesPerSecond = kBaud / 10.0;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

TEST(LinePacer, RunsOnWhileBusyAndStartsAfreshWhenIdle) {
  LinePacer pacer(kBaud);
  const Clock::time_point t0{};
  EXPECT_EQ(pacer.Take(1152, t0), t0 + 100ms);
  EXPECT_EQ(pacer.Take(1152, t0 + 50ms), t0 + 200ms);  // queued behind the first
  EXPECT_EQ(pacer.Take(1152, t0 + 200ms), t0 + 300ms);  // waiting when the line became free
  // Idle time is not saved up for a later burst.
  EXPECT_EQ(pacer.Take(1, t0 + 1s), t0 + 1s + 86'805ns);
  EXPECT_EQ(pacer.burst(), 11u);

  LinePacer unpaced;
  EXPECT_EQ(unpaced.Take(1'000'000, t0 + 1s), t0 + 1s);
}

// What the device sends reaches the program at the line's speed: never ahead of
// it, and not behind it by more than the tolerance at the end.
TEST(PtyServerPacing, SendsAtTheLineSpeed) {
  PtyServer server(Device{}, kBaud);
  const int fd = open(server.slavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
  ASSERT_GE(fd, 0);
  const std::size_t total = 11'520;
  const Clock::time_point start = Clock::now();
  std::thread sender([&] { server.Send(Bytes(total, 0x55)); });

  std::vector<std::pair<double, std::size_t>> arrivals;  // seconds, bytes so far
  std::size_t got = 0;
  std::uint8_t buffer[4096];
  while (got < total && SecondsSince(start) < 3.0) {
    pollfd ready{fd, POLLIN, 0};
    if (poll(&ready, 1, 100) <= 0) continue;
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n > 0) got += static_cast<std::size_t>(n);
    arrivals.emplace_back(SecondsSince(start), got);
  }
  sender.join();
  close(fd);

  ASSERT_EQ(got, total);
  // Never ahead of the line; behind it only by how late a loaded machine wakes threads.
  const double seconds = arrivals.back().first;
  EXPECT_GE(seconds, 0.99);
  EXPECT_LE(seconds, 1.10);
  for (const auto& [at, bytes] : arrivals) {
    EXPECT_LE(static_cast<double>(bytes), at * kBytesPerSecond + 11) << "ahead of the line at " << at << " s";
  }
}

// What the program writes reaches the device at the line's speed, however fast
// the program wrote it.
TEST(PtyServerPacing, TakesFromTheProgramAtTheLineSpeed) {
  PtyServer server(Device{}, kBaud);
  const int fd = open(server.slavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  const std::size_t total = 5'760;
  const Bytes zeros(total, 0x00);  // outside any frame: the device ignores them
  const Clock::time_point start = Clock::now();
  ASSERT_EQ(write(fd, zeros.data(), zeros.size()), static_cast<ssize_t>(total));

  ASSERT_TRUE(server.WaitForReceived(total / 2, 2s));
  const double half = SecondsSince(start);
  ASSERT_TRUE(server.WaitForReceived(total, 2s));
  const double all = SecondsSince(start);
  close(fd);

  EXPECT_GE(half, total / 2 / kBytesPerSecond);
  EXPECT_GE(all, total / kBytesPerSecond - 0.002);
  EXPECT_LE(all, total / kBytesPerSecond + 0.05);
}

}  // namespace
}  // namespace tracksim
