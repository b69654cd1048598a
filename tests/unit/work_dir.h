// Runs a test in a fresh, empty working folder (inside an outer one that
// catches anything written next to it) and removes both afterwards.
#pragma once

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace trackctl::testing {

class WorkDir {
 public:
  WorkDir() : previous_(std::filesystem::current_path()) {
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    outer_ = std::filesystem::temp_directory_path() / ("trackctl_test_" + std::to_string(stamp));
    std::filesystem::create_directories(outer_ / "work");
    std::filesystem::current_path(outer_ / "work");
  }
  ~WorkDir() {
    std::filesystem::current_path(previous_);
    std::error_code ignored;
    std::filesystem::remove_all(outer_, ignored);
  }
  WorkDir(const WorkDir&) = delete;
  WorkDir& operator=(const WorkDir&) = delete;

  const std::filesystem::path& outer() const { return outer_; }
  void Write(const char* name, std::string_view bytes) const { std::ofstream(name, std::ios::binary) << bytes; }
  std::string Read(const char* name) const {
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::vector<std::string> Files(const std::filesystem::path& where) const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(where)) names.push_back(entry.path().filename().string());
    return names;
  }

 private:
  std::filesystem::path previous_;
  std::filesystem::path outer_;
};

}  // namespace trackctl::testing
