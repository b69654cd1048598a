#include "files/output_place.h"

#include <charconv>
#include <filesystem>
#include <optional>
#include <string_view>
#include <system_error>

namespace trackctl {
namespace {

// As many links in a row as the Linux kernel follows.
constexpr int kMaxLinks = 40;

bool EndsInSeparator(const std::string& name) { return !std::filesystem::path(name).has_filename(); }

// The descriptor that `path` names, by the names systems give their own
// descriptors; nothing for any other path.
std::optional<int> DescriptorNamed(const std::filesystem::path& path) {
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(path, error);
  if (error) return std::nullopt;
  const std::string name = absolute.lexically_normal().generic_string();
  if (name == "/dev/stdin") return 0;
  if (name == "/dev/stdout") return 1;
  if (name == "/dev/stderr") return 2;
  for (const std::string_view folder : {"/dev/fd/", "/proc/self/fd/", "/proc/thread-self/fd/"}) {
    if (!name.starts_with(folder)) continue;
    const std::string_view number = std::string_view(name).substr(folder.size());
    int descriptor = -1;
    const auto [end, failure] = std::from_chars(number.data(), number.data() + number.size(), descriptor);
    if (failure == std::errc() && end == number.data() + number.size() && descriptor >= 0) return descriptor;
  }
  return std::nullopt;
}

}  // namespace

OutputPlace PlaceOf(const std::string& name) {
  using Kind = OutputPlace::Kind;
  if (name == "-") return {Kind::kStandardOutput, name};
  if (EndsInSeparator(name)) return {Kind::kFolder, name};
  std::filesystem::path path(name);
  for (int links = 0;; ++links) {
    if (const std::optional<int> descriptor = DescriptorNamed(path)) return {Kind::kDescriptor, name, *descriptor};
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
