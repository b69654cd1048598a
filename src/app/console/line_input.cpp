#include "app/console/line_input.h"

#include <climits>

namespace trackctl {
namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

LineInput::LineInput(Source source) : source_(std::move(source)) {}

void LineInput::Compact() {
  buffer_.erase(0, position_);
  position_ = 0;
}

bool LineInput::Fill() {
  if (end_) return false;
  char chunk[512];
  const std::size_t n = source_(chunk, sizeof chunk);
  if (n == 0) {
    end_ = true;
    return false;
  }
  buffer_.append(chunk, n);
  return true;
}

std::optional<char> LineInput::Peek() {
  if (position_ == buffer_.size() && !Fill()) return std::nullopt;
  return buffer_[position_];
}

char LineInput::Take() {
  const char c = buffer_[position_++];
  atLineStart_ = c == '\n';
  return c;
}

bool LineInput::AtEnd() { return !Peek().has_value(); }

int LineInput::ReadInt() {
  Compact();
  while (auto c = Peek()) {
    if (!IsSpace(*c)) break;
    Take();
  }
  Compact();  // from here on the sign can be given back
  if (Peek()) atLineStart_ = false;  // this line has been looked at: its rest is pending
  const std::size_t start = position_;
  bool negative = false;
  if (auto c = Peek(); c && (*c == '+' || *c == '-')) {
    negative = *c == '-';
    ++position_;
  }
  long long value = 0;
  bool digits = false;
  while (auto c = Peek()) {
    if (!IsDigit(*c)) break;
    digits = true;
    if (value <= INT_MAX) value = value * 10 + (*c - '0');
    Take();
  }
  if (!digits) {
    position_ = start;  // a lone sign stays unread, as a failed conversion leaves it
    return 0;
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

void LineInput::DropRestOfLine() {
  Compact();
  if (atLineStart_) return;
  while (auto c = Peek()) {
    if (Take() == '\n') return;
  }
}

void LineInput::DropBuffered() {
  buffer_.clear();
  position_ = 0;
  atLineStart_ = true;
}

std::string LineInput::ReadLine() {
  DropRestOfLine();
  std::string line;
  while (auto c = Peek()) {
    if (Take() == '\n') break;
    line += *c;
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  atLineStart_ = true;
  return line;
}

std::optional<std::string> LineInput::ReadWord() {
  while (auto c = Peek()) {
    if (!IsSpace(*c)) break;
    Take();
  }
  if (AtEnd()) return std::nullopt;
  std::string word;
  while (auto c = Peek()) {
    if (IsSpace(*c)) break;
    word += Take();
  }
  return word;
}

}  // namespace trackctl
