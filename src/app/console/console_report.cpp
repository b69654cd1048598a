#include "app/console/console_report.h"

#include <cstdarg>

namespace trackctl {
namespace {

// Records between two "Done : N" lines of a download.
constexpr std::uint64_t kRecordsPerDoneLine = 100;
// Image bytes per progress mark of an upload.
constexpr std::uint64_t kBytesPerMark = 1000;

const char* StepText(Step step) {
  switch (step) {
    case Step::kWakingDevice: return "Waiting for ACK";
    case Step::kSendingInit: return "\nSending Initialization Command to device...";
    case Step::kSendingErase: return "\nSending delete initialization command to device...";
    case Step::kErasing: return "\nDeleting data from device......";
    case Step::kImageAccepted: return "Received OK response from device...\n\n";
    case Step::kImageSent: return "\n\n";
    case Step::kChecksumSent: return "Waiting for ACK. . . .\n";
    case Step::kCountRefused: return "ERROR COM_DOWNLOAD_DATA_INCORRECT\n";
  }
  return "";
}

const char* PortStepText(PortStep step) {
  switch (step) {
    case PortStep::kOpen: return "\nThe specified COM port is not supported by your PC\n";
    case PortStep::kGetState: return "In GetComState.....";
    case PortStep::kSetState: return "In SetComState........";
    case PortStep::kSetTimeouts: return "In SetCommTimeouts........";
    case PortStep::kRead: return "Reading .....";
    case PortStep::kWrite: return "Writing to PORT";
  }
  return "";
}

}  // namespace

void ConsoleReport::ShowProgressOn(std::FILE* terminal, bool sameScreen) {
  bar_.emplace(terminal);
  barOnly_ = sameScreen;
}

void ConsoleReport::Say(const char* format, ...) {
  if (bar_) bar_->Clear();
  std::va_list args;
  va_start(args, format);
  std::vfprintf(out_, format, args);
  va_end(args);
  std::fflush(out_);
}

void ConsoleReport::StepBegun(Step step) { Say("%s", StepText(step)); }

void ConsoleReport::ReplyByte() { Say("#"); }

void ConsoleReport::Progress(Transfer transfer, std::uint64_t done, std::uint64_t total) {
  if (bar_) {
    bar_->Show(done, total, transfer == Transfer::kImage ? "bytes" : "records");
    if (done >= total) bar_->Clear();
    if (barOnly_) return;
  }
  switch (transfer) {
    case Transfer::kImage:
      if (done % kBytesPerMark == 0) Say("#");
      break;
    case Transfer::kLoggerRecords:
      if (done > nextDoneLine_) {
        Say("Done : %d\n", static_cast<int>(done));
        nextDoneLine_ += kRecordsPerDoneLine;
      }
      break;
  }
}

void ConsoleReport::RecordsAnnounced(std::uint32_t records) {
  Say("No of records = %d\n", static_cast<int>(records));
  nextDoneLine_ = kRecordsPerDoneLine;
}

void ConsoleReport::RecordsTooMany(std::uint32_t records) {
  Say("ERROR NOT_ENOUGH_MEMORY for %u records; nothing is downloaded\n", static_cast<unsigned>(records));
}

void ConsoleReport::BlockReadProblem(const BlockReadProblems& problems) {
  if (problems.dtrRaiseFailed) Say("ERROR COM_ERROR IN ESCAPE_COMM\n");
  if (problems.readFailed) Say("ERROR CANNOT_READ_FROM_COM_PORT\n");
  if (problems.timedOut) Say("ERROR COM_TIME_OUT\n");
  if (problems.dtrLowerFailed) Say("ERROR COM_ERROR_IN_ESCAPE_COMM\n");
}

void ConsoleReport::Problem(const std::string& text) {
  if (bar_) bar_->Clear();
  std::fflush(out_);
  std::fprintf(stderr, "trackctl: %s\n", text.c_str());
}

void ConsoleReport::PortFailed(const PortFailure& failure) {
  Say("\nMessage : %s\n", PortStepText(failure.step));
  Say("Error Number : %d\n", failure.errorNumber);
}

}  // namespace trackctl
