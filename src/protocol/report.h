// What a command tells while it runs, as it happens: the steps the operator
// waits on, the bytes of a reply, the progress of a transfer and what a logger
// read announces. The session carries one; the front end decides what the
// operator reads of it. Results come back from the command as values.
#pragma once

#include <cstdint>

namespace trackctl {

enum class Step {
  kWakingDevice,      // the wake-up byte is being sent until the device echoes it
  kSendingInit,       // the device is awake; the INIT request goes out
  kSendingErase,      // an erase request goes out
  kErasing,           // the erase request is sent; the device's answer is awaited
  kImageAccepted,     // the device accepted the image header; the image follows
  kImageSent,         // the image is sent; its checksum follows
  kChecksumSent,      // the checksum is sent; the device's verdict is awaited
  kCountRefused,      // a logger read announced a byte count that is not whole records
};

enum class Transfer {
  kImage,          // firmware image bytes sent
  kLoggerRecords,  // logger records received
};

// What a logger data block read ran into; the read goes on.
struct BlockReadProblems {
  bool dtrRaiseFailed = false;
  bool readFailed = false;
  bool timedOut = false;  // the read returned no byte
  bool dtrLowerFailed = false;
};

class Report {
 public:
  virtual ~Report() = default;
  virtual void StepBegun(Step step) = 0;
  // One byte of a reply that is shown as it arrives arrived.
  virtual void ReplyByte() = 0;
  // `done` of `total` units of a transfer.
  virtual void Progress(Transfer transfer, std::uint64_t done, std::uint64_t total) = 0;
  // A logger read announced this many records.
  virtual void RecordsAnnounced(std::uint32_t records) = 0;
  // A logger read announced more records than memory can hold; nothing is read.
  virtual void RecordsTooMany(std::uint32_t records) = 0;
  virtual void BlockReadProblem(const BlockReadProblems& problems) = 0;
};

}  // namespace trackctl
