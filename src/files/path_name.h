// A name that the program was given (UTF-8 on every platform: Windows' manifest
// makes the program's strings UTF-8) as a path of the standard library, which
// would otherwise read a narrow string in the C library's code page on Windows.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace trackctl {

inline std::filesystem::path PathOf(std::string_view name) {
  return std::filesystem::path(std::u8string_view(reinterpret_cast<const char8_t*>(name.data()), name.size()));
}

// The path's name back as the program's string.
inline std::string NameOf(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace trackctl
