#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdio>
#include <iterator>

#include "app/set_aside_on_signal.h"

namespace trackctl {
namespace {

constexpr int kEndingSignals[] = {SIGINT, SIGQUIT, SIGTERM, SIGHUP};
constexpr std::size_t kSignalCount = std::size(kEndingSignals);

// What the handler needs, made before it is installed: it may only make
// async-signal-safe calls.
constexpr std::size_t kPathCapacity = 4096;
char fileName[kPathCapacity];
char partialName[kPathCapacity];
char keptLine[3 * kPathCapacity];
char removedLine[2 * kPathCapacity];
struct sigaction handlersBefore[kSignalCount] = {};

void WriteLine(const char* line) {
  std::size_t length = 0;
  while (line[length] != '\0') ++length;
  [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, line, length);
}

// Leaves the file as NAME.partial, or removes it when empty, then lets the
// handler found before (the port's, which puts the line back) or the default
// end the program.
extern "C" void SetAsideAndEnd(int number) {
  struct stat status{};
  if (stat(partialName, &status) == 0 && status.st_size > 0) {
    WriteLine(keptLine);
  } else if (unlink(partialName) == 0) {
    WriteLine(removedLine);
  }
  for (std::size_t i = 0; i < kSignalCount; ++i) {
    const auto found = handlersBefore[i].sa_handler;
    const bool plain = (handlersBefore[i].sa_flags & SA_SIGINFO) == 0;
    if (kEndingSignals[i] == number && plain && found != SIG_DFL && found != SIG_IGN) {
      found(number);
      return;
    }
  }
  signal(number, SIG_DFL);
  raise(number);  // delivered when the handler returns
}

}  // namespace

SetAsideOnSignal::SetAsideOnSignal(const std::string& name) {
  // A name too long for the buffers is set aside by the download alone.
  if (name.size() + sizeof ".partial" > kPathCapacity) return;
  std::snprintf(fileName, sizeof fileName, "%s", name.c_str());
  std::snprintf(partialName, sizeof partialName, "%s.partial", name.c_str());
  std::snprintf(keptLine, sizeof keptLine, "trackctl: download incomplete: %s kept as %s\n", fileName, partialName);
  std::snprintf(removedLine, sizeof removedLine, "trackctl: download incomplete: %s removed, it held no record\n",
                fileName);
  struct sigaction setAside{};
  setAside.sa_handler = SetAsideAndEnd;
  sigemptyset(&setAside.sa_mask);
  for (std::size_t i = 0; i < kSignalCount; ++i) {
    sigaction(kEndingSignals[i], nullptr, &handlersBefore[i]);
    if (handlersBefore[i].sa_handler != SIG_IGN) sigaction(kEndingSignals[i], &setAside, nullptr);
  }
}

SetAsideOnSignal::~SetAsideOnSignal() {
  if (fileName[0] == '\0') return;
  for (std::size_t i = 0; i < kSignalCount; ++i) sigaction(kEndingSignals[i], &handlersBefore[i], nullptr);
  fileName[0] = '\0';
}

}  // namespace trackctl
