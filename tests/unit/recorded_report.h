// A report that keeps what a command told, one short line per event.
#pragma once

#include <string>
#include <vector>

#include "protocol/report.h"

namespace trackctl::testing {

class RecordedReport : public Report {
 public:
  void StepBegun(Step step) override { events.push_back(StepName(step)); }
  void ReplyByte() override { ++replyBytes; }
  void Progress(Transfer transfer, std::uint64_t done, std::uint64_t total) override {
    if (transfer == Transfer::kImage) {
      imageBytes = done;
    } else {
      events.push_back("records " + std::to_string(done) + "/" + std::to_string(total));
    }
  }
  void RecordsAnnounced(std::uint32_t records) override { events.push_back("announced " + std::to_string(records)); }
  void RecordsTooMany(std::uint32_t records) override { events.push_back("too many " + std::to_string(records)); }
  void BlockReadProblem(const BlockReadProblems& p) override {
    events.push_back(std::string("block problem") + (p.dtrRaiseFailed ? " dtr-raise" : "") +
                     (p.readFailed ? " read-failed" : "") + (p.timedOut ? " timed-out" : "") +
                     (p.dtrLowerFailed ? " dtr-lower" : ""));
  }

  static std::string StepName(Step step) {
    switch (step) {
      case Step::kWakingDevice: return "waking";
      case Step::kSendingInit: return "sending init";
      case Step::kSendingErase: return "sending erase";
      case Step::kErasing: return "erasing";
      case Step::kImageAccepted: return "image accepted";
      case Step::kImageSent: return "image sent";
      case Step::kChecksumSent: return "checksum sent";
      case Step::kCountRefused: return "count refused";
    }
    return "?";
  }

  std::vector<std::string> events;
  std::size_t replyBytes = 0;
  std::uint64_t imageBytes = 0;  // the last progress of an image
};

}  // namespace trackctl::testing
