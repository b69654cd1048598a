#include "app/console/progress_bar.h"

#include <cinttypes>

namespace trackctl {
namespace {

constexpr int kBarWidth = 20;
constexpr auto kRedrawEvery = std::chrono::milliseconds(100);
constexpr auto kMeasuredEnough = std::chrono::seconds(1);

// 1234 as "1234", 12345 as "12.3 k".
std::string Amount(double value) {
  char text[32];
  if (value >= 10'000) {
    std::snprintf(text, sizeof text, "%.1f k", value / 1000);
  } else {
    std::snprintf(text, sizeof text, "%.0f", value);
  }
  return text;
}

}  // namespace

std::string ProgressLine(std::uint64_t done, std::uint64_t total, std::string_view unit,
                         std::chrono::milliseconds elapsed) {
  const double share = total == 0 ? 1.0 : static_cast<double>(done) / static_cast<double>(total);
  const int filled = static_cast<int>(share * kBarWidth);
  std::string line = "[" + std::string(static_cast<std::size_t>(filled), '#') +
                     std::string(static_cast<std::size_t>(kBarWidth - filled), '.') + "]";
  char text[96];
  std::snprintf(text, sizeof text, " %3d%%  %" PRIu64 "/%" PRIu64 " ", static_cast<int>(share * 100), done, total);
  line += text;
  line += unit;
  if (elapsed >= kMeasuredEnough && done > 0) {
    const double perSecond = static_cast<double>(done) * 1000.0 / static_cast<double>(elapsed.count());
    const auto left = static_cast<std::uint64_t>(static_cast<double>(total - done) / perSecond + 0.5);
    std::snprintf(text, sizeof text, "  %s/s  %" PRIu64 ":%02" PRIu64 " left", Amount(perSecond).c_str(), left / 60,
                  left % 60);
    line += text;
  }
  return line;
}

void ProgressBar::Show(std::uint64_t done, std::uint64_t total, std::string_view unit) {
  const Clock::time_point now = Clock::now();
  if (total != total_ || unit != unit_) {
    total_ = total;
    unit_ = unit;
    started_ = now;
  } else if (now - drawn_ < kRedrawEvery && done != total) {
    return;
  }
  drawn_ = now;
  const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(now - started_);
  std::fprintf(terminal_, "\r%s\033[K", ProgressLine(done, total, unit, elapsed).c_str());
  std::fflush(terminal_);
  shown_ = true;
}

void ProgressBar::Clear() {
  if (!shown_) return;
  std::fputs("\r\033[K", terminal_);
  std::fflush(terminal_);
  shown_ = false;
}

}  // namespace trackctl
