// The files an export writes are new files: nothing that has the name already
// is opened, followed or written over.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "export/output_files.h"
#include "tests/unit/work_dir.h"

namespace trackctl {
namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

std::string Read(const char* name) {
  std::ifstream in(name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(CreateNewFile, OnlyWhereNothingHasTheNameAndInBinaryMode) {
  const testing::WorkDir dir;
  dir.Write("taken", "older");
  errno = 0;
  EXPECT_FALSE(File(CreateNewFile("taken", FileMode::kBinary)));
  EXPECT_EQ(errno, EEXIST);
  EXPECT_EQ(Read("taken"), "older");
#ifndef _WIN32
  std::filesystem::create_symlink("elsewhere", "link");  // a link to nothing
  EXPECT_FALSE(File(CreateNewFile("link", FileMode::kBinary)));
  EXPECT_FALSE(std::filesystem::exists("elsewhere"));
#endif
  {
    const File made(CreateNewFile("new", FileMode::kBinary));
    ASSERT_TRUE(made);
    EXPECT_EQ(std::fwrite("a\nb", 1, 3, made.get()), 3u);
  }
  EXPECT_EQ(Read("new"), "a\nb");  // no CR added on Windows
}

}  // namespace
}  // namespace trackctl
