// The files an export writes: the output itself under a temporary name beside
// it, renamed only once it is complete, so that a failed export never leaves half
// a file over an older one (a stream is written directly); and a spool for text
// that must wait.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "export/text_sink.h"
#include "files/file_handle.h"
#include "files/output_place.h"

namespace trackctl {

// A new, empty file with a name of its own beside `target` ("<target>.<8 hex
// digits>.tmp"), open for reading and writing, removed when this object ends
// unless it has been renamed. The first failure is remembered with its reason.
class TemporaryFile {
 public:
  explicit TemporaryFile(const std::string& target);
  ~TemporaryFile();
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  bool IsOpen() const { return file_ != nullptr; }
  bool failed() const { return !error_.empty(); }
  // Why the file could not be created, or its first failure.
  const std::string& error() const { return error_; }
  std::FILE* get() { return file_; }
  void Write(std::string_view text);
  // Remembers a failure of the C library's last call on the file.
  void Fail();
  // Flushes and closes the file and renames it to `target`, replacing a file of
  // that name; false when a write, the close or the rename failed.
  bool RenameTo(const std::string& target);

 private:
  std::string name_;
  std::FILE* file_ = nullptr;
  std::unique_ptr<char[]> buffer_;
  std::string error_;
  bool renamed_ = false;
};

// The output of an export: a file written under a temporary name that becomes
// the place's file at Commit, or a stream (a device, a FIFO, a descriptor,
// standard output) written as it goes, which is never replaced.
class OutputFile : public TextSink {
 public:
  // `standardOutput` is where the name "-" writes; none: it cannot be written.
  // A FIFO is waited for until it has a reader, at most `readerWaitMs`.
  OutputFile(const OutputPlace& place, std::FILE* standardOutput, std::uint32_t readerWaitMs);
  bool IsOpen() const;
  const std::string& error() const { return file_ ? file_->error() : error_; }
  void Write(std::string_view text) override;
  // True when every byte reached the file or the stream.
  bool Commit();

 private:
  void Fail();

  std::string target_;
  std::optional<TemporaryFile> file_;  // a file that is replaced
  FileHandle stream_;                  // a device, FIFO or descriptor
  std::FILE* out_ = nullptr;           // the stream written, standard output included
  std::string error_;
};

// Text held on disk until it is moved on: beside the output's file, or in the
// system's folder for temporary files (else the working folder) when the output
// is a stream.
class SpoolFile : public TextSpool {
 public:
  explicit SpoolFile(const OutputPlace& place);
  bool IsOpen() const { return file_.IsOpen(); }
  const std::string& error() const { return file_.error(); }
  void Write(std::string_view text) override;
  void MoveTo(TextSink& out) override;

 private:
  TemporaryFile file_;
  std::size_t size_ = 0;  // bytes held, from the file's start
};

}  // namespace trackctl
