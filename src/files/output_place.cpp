#include "files/output_place.h"

#include <filesystem>
#include <system_error>

namespace trackctl {
namespace {

// As many links in a row as the Linux kernel follows.
constexpr int kMaxLinks = 40;

bool EndsInSeparator(const std::string& name) { return !std::filesystem::path(name).has_filename(); }

}  // namespace

OutputPlace PlaceOf(const std::string& name) {
  using Kind = OutputPlace::Kind;
  if (name == "-") return {Kind::kStandardOutput, name};
  if (EndsInSeparator(name)) return {Kind::kFolder, name};
  std::filesystem::path path(name);
  for (int links = 0;; ++links) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::symlink_status(path, error);
    switch (status.type()) {
      case std::filesystem::file_type::symlink: {
        if (links == kMaxLinks) return {Kind::kLinkLoop, name};
        const std::filesystem::path target = std::filesystem::read_symlink(path, error);
        if (error) return {Kind::kLinkLoop, name};
        path = target.is_absolute() ? target : path.parent_path() / target;
        continue;
      }
      case std::filesystem::file_type::directory:
        return {Kind::kFolder, path.string()};
      case std::filesystem::file_type::regular:
      case std::filesystem::file_type::not_found:
        return {Kind::kFile, path.string()};
      default:
        // A name that cannot be looked at is tried as a file: creating it says why.
        if (error) return {Kind::kFile, path.string()};
        return {Kind::kStream, path.string()};
    }
  }
}

}  // namespace trackctl
