// The text file a logger download writes, open for the length of one download.
// Output is buffered; on Windows every "\n" is written as CR LF (text mode).
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace trackctl {

class LoggerFile {
 public:
  // Creates the file, or truncates an existing one; see IsOpen().
  explicit LoggerFile(const std::string& name);
  ~LoggerFile();
  LoggerFile(const LoggerFile&) = delete;
  LoggerFile& operator=(const LoggerFile&) = delete;

  bool IsOpen() const { return file_ != nullptr; }
  // False when the text could not be written whole, and for every write after that.
  bool Write(std::string_view text);
  // Flushes and closes; true only when every write and the close succeeded.
  bool Close();

 private:
  std::FILE* file_ = nullptr;
  std::unique_ptr<char[]> buffer_;
  bool failed_ = false;
};

}  // namespace trackctl
