// Cuts text that arrives in pieces of any size into lines. LF or CR LF ends a
// line; the last line may lack its end. Only lines split across pieces are
// copied, and of those only the first `maxLength` + 1 bytes: enough to tell that
// a line is too long, without holding all of it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace trackctl {

class LineSplitter {
 public:
  explicit LineSplitter(std::size_t maxLength) : maxLength_(maxLength) {}

  // Calls onLine(line) for every line that ends in `text`, without its line end.
  template <typename OnLine>
  void Feed(std::string_view text, OnLine&& onLine) {
    for (std::size_t end; (end = text.find('\n')) != std::string_view::npos; text.remove_prefix(end + 1)) {
      if (pending_) {
        Keep(text.substr(0, end));
        onLine(WithoutCarriageReturn(carry_));
        carry_.clear();
        pending_ = false;
      } else {
        onLine(WithoutCarriageReturn(text.substr(0, end)));
      }
    }
    if (!text.empty()) {
      Keep(text);
      pending_ = true;
    }
  }

  // Calls onLine for a last line that has no line end (or only the CR of one).
  template <typename OnLine>
  void Finish(OnLine&& onLine) {
    if (pending_) onLine(WithoutCarriageReturn(carry_));
    carry_.clear();
    pending_ = false;
  }

 private:
  static std::string_view WithoutCarriageReturn(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
  }
  void Keep(std::string_view text) {
    if (carry_.size() <= maxLength_) carry_.append(text.substr(0, maxLength_ + 1 - carry_.size()));
  }

  std::size_t maxLength_;
  std::string carry_;
  bool pending_ = false;
};

}  // namespace trackctl
