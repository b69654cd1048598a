// Operator input from a list of answers, for commands that ask for a line or a word.
#pragma once

#include <deque>
#include <optional>
#include <string>

#include "app/console/console.h"

namespace trackctl::testing {

class FakeConsole : public Console {
 public:
  int ReadInt() override { return ints.empty() ? 0 : Pop(ints); }
  void DiscardPending() override { ++discards; }
  void WaitKey() override { ++keyWaits; }
  std::string ReadLine() override { return lines.empty() ? std::string() : Pop(lines); }
  std::optional<std::string> ReadWord() override {
    if (words.empty()) return std::nullopt;
    return Pop(words);
  }
  void Clear() override {}

  std::deque<int> ints;
  std::deque<std::string> lines;
  std::deque<std::string> words;
  int discards = 0;
  int keyWaits = 0;

 private:
  template <typename T>
  static T Pop(std::deque<T>& queue) {
    T value = std::move(queue.front());
    queue.pop_front();
    return value;
  }
};

}  // namespace trackctl::testing
