#include "archive/sqlite/archive_file.h"

#include <filesystem>
#include <system_error>

#include "files/path_name.h"

namespace trackctl::gpkg {

std::optional<ArchiveError> RefusedArchiveFile(const std::string& path, bool needFolder) {
  namespace fs = std::filesystem;
  const auto refused = [](const char* what) { return ArchiveError{ArchiveError::Kind::kFailed, what}; };
  if (path.empty()) return refused("an empty name");
  std::error_code error;
  switch (fs::status(PathOf(path), error).type()) {
    case fs::file_type::regular: return std::nullopt;
    case fs::file_type::directory: return refused("a folder, not a file");
    case fs::file_type::fifo: return refused("a FIFO, not a file");
    case fs::file_type::character:
    case fs::file_type::block: return refused("a device, not a file");
    case fs::file_type::socket: return refused("a socket, not a file");
    case fs::file_type::not_found: break;
    default: return std::nullopt;  // not to be found out here (no permission, say): SQLite tells
  }
  if (!needFolder) return std::nullopt;
  const fs::path folder = PathOf(path).parent_path();
  if (folder.empty()) return std::nullopt;
  switch (fs::status(folder, error).type()) {
    case fs::file_type::not_found: return refused("its folder is not there");
    case fs::file_type::directory:
    case fs::file_type::none: return std::nullopt;
    default: return refused("its folder is not a folder");
  }
}

bool HasWriteAheadLog(const std::string& path) {
  std::error_code error;
  return std::filesystem::exists(PathOf(path + "-wal"), error);
}

std::string FileUri(std::string_view path, std::string_view query) {
  constexpr char kHex[] = "0123456789ABCDEF";
  std::string uri = "file:";
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    const bool plain = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9') ||
                       byte == '-' || byte == '.' || byte == '_' || byte == '~';
    if (plain) {
      uri += c;
    } else {
      uri += '%';
      uri += kHex[byte >> 4];
      uri += kHex[byte & 0xF];
    }
  }
  if (!query.empty()) uri.append("?").append(query);
  return uri;
}

}  // namespace trackctl::gpkg
