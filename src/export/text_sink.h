// Where the export writers put their text: a file, or a string in tests.
#pragma once

#include <string>
#include <string_view>

namespace trackctl {

class TextSink {
 public:
  virtual ~TextSink() = default;
  virtual void Write(std::string_view text) = 0;
};

// Text held for a while and then moved, whole and in order, to another sink.
class TextSpool : public TextSink {
 public:
  // Writes everything held so far to `out` and starts empty again.
  virtual void MoveTo(TextSink& out) = 0;
};

// Keeps the text in memory.
class StringSink : public TextSpool {
 public:
  void Write(std::string_view text) override { text_ += text; }
  void MoveTo(TextSink& out) override {
    out.Write(text_);
    text_.clear();
  }
  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

}  // namespace trackctl
