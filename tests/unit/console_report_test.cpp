#include "app/console/console_report.h"
#include "app/console/progress_bar.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace trackctl {
namespace {

// What a report wrote, read back from its temporary file.
class Shown {
 public:
  ~Shown() { std::fclose(file_); }
  ConsoleReport& report() { return report_; }
  std::string Text() {
    std::rewind(file_);
    std::string text;
    for (int c; (c = std::fgetc(file_)) != EOF;) text += static_cast<char>(c);
    return text;
  }

 private:
  std::FILE* file_ = std::tmpfile();
  ConsoleReport report_{file_};
};

TEST(ConsoleReport, AnUploadMarksEveryThousandthByteOnly) {
  for (const auto& [bytes, marks] : {std::pair{999u, 0u}, {1000u, 1u}, {2047u, 2u}, {3000u, 3u}}) {
    Shown shown;
    for (std::uint64_t sent = 1; sent <= bytes; ++sent) shown.report().Progress(Transfer::kImage, sent, bytes);
    EXPECT_EQ(shown.Text(), std::string(marks, '#')) << bytes;
  }
}

TEST(ConsoleReport, PortFailuresNameTheStepAndTheErrorNumber) {
  Shown shown;
  shown.report().PortFailed(PortFailure{PortStep::kOpen, 2});
  shown.report().PortFailed(PortFailure{PortStep::kWrite, 31});
  EXPECT_EQ(shown.Text(),
            "\nMessage : \nThe specified COM port is not supported by your PC\n\nError Number : 2\n"
            "\nMessage : Writing to PORT\nError Number : 31\n");
}

TEST(ProgressLine, ShareRateAndTimeLeftOnceASecondIsMeasured) {
  using std::chrono::milliseconds;
  EXPECT_EQ(ProgressLine(0, 47662, "records", milliseconds(0)), "[....................]   0%  0/47662 records");
  EXPECT_EQ(ProgressLine(11916, 47662, "records", milliseconds(999)),
            "[#####...............]  25%  11916/47662 records");
  // 500 a second: 20 s for the rest.
  EXPECT_EQ(ProgressLine(1000, 11000, "bytes", milliseconds(2000)),
            "[#...................]   9%  1000/11000 bytes  500/s  0:20 left");
  EXPECT_EQ(ProgressLine(47662, 47662, "records", milliseconds(91000)),
            "[####################] 100%  47662/47662 records  524/s  0:00 left");
  EXPECT_EQ(ProgressLine(120000, 262144, "bytes", milliseconds(10000)),
            "[#########...........]  45%  120000/262144 bytes  12.0 k/s  0:12 left");
  EXPECT_EQ(ProgressLine(0, 0, "records", milliseconds(5000)), "[####################] 100%  0/0 records");
}

}  // namespace
}  // namespace trackctl
