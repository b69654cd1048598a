#include "app/whole_file.h"

#include <cstdio>
#include <memory>

namespace trackctl {
namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

FileRead ReadWholeFile(const std::string& name, std::vector<std::uint8_t>& bytes) {
  const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(name.c_str(), "rb"));
  if (!file) return FileRead::kCannotOpen;
  std::uint8_t chunk[64 * 1024];
  std::size_t count = 0;
  while ((count = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) bytes.insert(bytes.end(), chunk, chunk + count);
  return std::ferror(file.get()) != 0 ? FileRead::kCannotRead : FileRead::kDone;
}

}  // namespace trackctl
