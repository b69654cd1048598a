// The operator's view of a run: every message of a device run, written to one
// stream (standard output, or standard error when standard output carries
// JSON), each one flushed as it is written.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "app/console/device_text.h"
#include "app/console/progress_bar.h"
#include "protocol/report.h"
#include "serial/port_failure.h"

namespace trackctl {

class ConsoleReport : public Report {
 public:
  explicit ConsoleReport(std::FILE* out, DeviceTextMode deviceText = DeviceTextMode::kAsItIs)
      : out_(out), deviceText_(deviceText) {}

  // A progress bar for transfers on `terminal`; when the messages go to the same
  // screen, the bar stands in for their marks and "Done : N" lines.
  void ShowProgressOn(std::FILE* terminal, bool sameScreen);

  // printf to the message stream.
  [[gnu::format(printf, 2, 3)]] void Say(const char* format, ...);
  // A device's text as the message stream shows it.
  std::string Device(std::string_view text) const { return ShownDeviceText(text, deviceText_); }
  DeviceTextMode deviceText() const { return deviceText_; }

  void StepBegun(Step step) override;
  void ReplyByte() override;
  void Progress(Transfer transfer, std::uint64_t done, std::uint64_t total) override;
  void RecordsAnnounced(std::uint32_t records) override;
  void RecordsTooMany(std::uint32_t records) override;
  void BlockReadProblem(const BlockReadProblems& problems) override;

  // "\nMessage : <what failed>\n" and "Error Number : <code>\n".
  void PortFailed(const PortFailure& failure);

  // One line on standard error, "trackctl: <text>", whatever stream the
  // messages go to: what failed and why, for scripts and logs.
  void Problem(const std::string& text);

 private:
  std::FILE* out_;
  DeviceTextMode deviceText_;
  std::uint64_t nextDoneLine_ = 0;  // a "Done : N" line once N passes this
  std::optional<ProgressBar> bar_;
  bool barOnly_ = false;  // the bar instead of the marks and "Done : N" lines
};

}  // namespace trackctl
