#include "logger/logger_line.h"

#include <charconv>

namespace trackctl {
namespace {

constexpr std::size_t kMaxDigits = 9;
constexpr std::size_t kMaxYearDigits = 4;
constexpr std::size_t kMaxWholeDigits = 10;  // before the '.' of a "%f" column
constexpr std::size_t kDecimals = 6;

// Reads `text` from the front; once a step fails, every later step fails too.
class Cursor {
 public:
  explicit Cursor(std::string_view text) : text_(text) {}

  bool ok() const { return ok_; }
  bool AtEnd() const { return ok_ && at_ == text_.size(); }

  void Expect(std::string_view literal) {
    if (ok_ && text_.substr(at_, literal.size()) == literal) {
      at_ += literal.size();
    } else {
      ok_ = false;
    }
  }

  // 1 to `maxDigits` decimal digits.
  std::uint64_t Digits(std::size_t maxDigits, std::size_t minDigits = 1) {
    std::uint64_t value = 0;
    std::size_t count = 0;
    while (ok_ && at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9' && count < maxDigits) {
      value = value * 10 + static_cast<std::uint64_t>(text_[at_] - '0');
      ++at_;
      ++count;
    }
    if (count < minDigits || (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9')) ok_ = false;
    return value;
  }

  std::uint32_t Number(std::size_t maxDigits = kMaxDigits) { return static_cast<std::uint32_t>(Digits(maxDigits)); }

  // "%f": whole digits, '.', six decimals; in millionths.
  std::uint64_t Millionths() {
    const std::uint64_t whole = Digits(kMaxWholeDigits);
    Expect(".");
    const std::uint64_t fraction = Digits(kDecimals, kDecimals);
    return whole * 1'000'000u + fraction;
  }

 private:
  std::string_view text_;
  std::size_t at_ = 0;
  bool ok_ = true;
};

void AppendUnsigned(std::string& out, std::uint64_t value, char separator) {
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, result.ptr);
  out += separator;
}

}  // namespace

void AppendMillionths(std::string& out, std::uint64_t millionths) {
  AppendUnsigned(out, millionths / 1'000'000u, '.');
  char fraction[kDecimals];
  std::uint64_t rest = millionths % 1'000'000u;
  for (std::size_t i = kDecimals; i-- > 0; rest /= 10) fraction[i] = static_cast<char>('0' + rest % 10);
  out.append(fraction, kDecimals);
}

std::string FormatLoggerLine(const LoggerLine& line) {
  std::string text;
  AppendUnsigned(text, line.headCode, ',');
  AppendUnsigned(text, line.headState, ',');
  AppendUnsigned(text, line.flagCode, ',');
  AppendUnsigned(text, line.column4, ',');
  AppendUnsigned(text, line.hours, ':');
  AppendUnsigned(text, line.minutes, ':');
  AppendUnsigned(text, line.seconds, '.');
  text += "00,";
  AppendUnsigned(text, line.day, ':');
  AppendUnsigned(text, line.month, ':');
  AppendUnsigned(text, line.year, ',');
  AppendMillionths(text, line.longitude);
  text += ',';
  AppendMillionths(text, line.latitude);
  text += ',';
  AppendMillionths(text, line.byteValue);
  text += ',';
  AppendMillionths(text, line.wideValue);
  text += ";\n";
  return text;
}

std::optional<LoggerLine> ParseLoggerLine(std::string_view text) {
  if (text.size() > kMaxLoggerLineLength) return std::nullopt;
  Cursor in(text);
  LoggerLine line;
  line.headCode = in.Number();
  in.Expect(",");
  line.headState = in.Number();
  in.Expect(",");
  line.flagCode = in.Number();
  in.Expect(",");
  line.column4 = in.Number();
  in.Expect(",");
  line.hours = in.Number();
  in.Expect(":");
  line.minutes = in.Number();
  in.Expect(":");
  line.seconds = in.Number();
  in.Expect(".00,");
  line.day = in.Number();
  in.Expect(":");
  line.month = in.Number();
  in.Expect(":");
  line.year = in.Number(kMaxYearDigits);
  in.Expect(",");
  line.longitude = in.Millionths();
  in.Expect(",");
  line.latitude = in.Millionths();
  in.Expect(",");
  line.byteValue = in.Millionths();
  in.Expect(",");
  line.wideValue = in.Millionths();
  in.Expect(";");
  if (!in.AtEnd()) return std::nullopt;
  return line;
}

}  // namespace trackctl
