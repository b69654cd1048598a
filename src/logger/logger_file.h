// The text file a logger download writes, open for the length of one download.
// Output is buffered; on Windows every "\n" is written as CR LF (text mode).
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "files/output_place.h"

namespace trackctl {

class LoggerFile {
 public:
  // A new file of that name: one already there is never opened, so never
  // truncated or appended to. See IsOpen() and NameTaken().
  explicit LoggerFile(const std::string& name);
  // A device, FIFO or descriptor that is there (a kStream or kDescriptor place),
  // written as it is; a FIFO waited for until it has a reader, at most
  // `readerWaitMs` (0: for ever). See IsOpen().
  LoggerFile(const OutputPlace& place, std::uint32_t readerWaitMs);
  ~LoggerFile();
  LoggerFile(const LoggerFile&) = delete;
  LoggerFile& operator=(const LoggerFile&) = delete;

  bool IsOpen() const { return file_ != nullptr; }
  bool IsStream() const { return stream_; }
  // The file could not be created because something of that name exists.
  bool NameTaken() const { return nameTaken_; }
  // False when the text could not be written whole, and for every write after that.
  bool Write(std::string_view text);
  // Hands what is buffered to the system, so that it is in the file even if the
  // program ends without closing it.
  void Flush();
  // Flushes and closes; true only when every write and the close succeeded.
  bool Close();
  // The system's error number of the creation, write or close that failed.
  int error() const { return error_; }

 private:
  void Opened();

  bool stream_;
  std::FILE* file_ = nullptr;
  std::unique_ptr<char[]> buffer_;
  bool nameTaken_ = false;
  bool failed_ = false;
  int error_ = 0;
};

}  // namespace trackctl
