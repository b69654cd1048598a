#include "serial/natural_order.h"

#include <algorithm>

namespace trackctl {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The run of digits at the start of `text`.
std::string_view DigitRun(std::string_view text) {
  const auto end = std::find_if_not(text.begin(), text.end(), IsDigit);
  return text.substr(0, static_cast<std::size_t>(end - text.begin()));
}

// Negative, zero or positive as the value of run `a` is below, equal to or above that of `b`.
int CompareValues(std::string_view a, std::string_view b) {
  a.remove_prefix(std::min(a.find_first_not_of('0'), a.size()));
  b.remove_prefix(std::min(b.find_first_not_of('0'), b.size()));
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  return a.compare(b);
}

}  // namespace

bool NaturalLess(std::string_view a, std::string_view b) {
  while (!a.empty() && !b.empty()) {
    if (IsDigit(a.front()) && IsDigit(b.front())) {
      const std::string_view runA = DigitRun(a);
      const std::string_view runB = DigitRun(b);
      if (const int order = CompareValues(runA, runB); order != 0) return order < 0;
      if (runA.size() != runB.size()) return runA.size() < runB.size();
      a.remove_prefix(runA.size());
      b.remove_prefix(runB.size());
      continue;
    }
    if (a.front() != b.front()) return static_cast<unsigned char>(a.front()) < static_cast<unsigned char>(b.front());
    a.remove_prefix(1);
    b.remove_prefix(1);
  }
  return a.size() < b.size();
}

}  // namespace trackctl
