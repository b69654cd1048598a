// A program that does nothing, linked as trackctl is with SQLite and the C++
// library: the floor of a run's start-up.
#include <sqlite3.h>

#include <string>

int main(int argc, char**) {
  const std::string version = sqlite3_libversion();
  return argc > 1 && version.empty() ? 1 : 0;
}
