// Where a named output goes, for every kind of name the POSIX side has: links
// followed to what they lead to, devices and FIFOs written as they are.
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "files/file_handle.h"
#include "files/output_place.h"
#include "files/stream_file.h"
#include "files/whole_file.h"
#include "tests/unit/work_dir.h"

namespace trackctl {
namespace {

namespace fs = std::filesystem;
using Kind = OutputPlace::Kind;

TEST(PlaceOf, EveryKindOfName) {
  const testing::WorkDir dir;
  dir.Write("file", "older");
  fs::create_directory("folder");
  ASSERT_EQ(mkfifo("fifo", 0600), 0);
  fs::create_symlink("file", "to-file");
  fs::create_symlink("folder/new", "dangling");
  fs::create_symlink("to-file", "to-link");
  fs::create_symlink("/dev/null", "to-null");
  fs::create_symlink("folder", "to-folder");
  fs::create_symlink("/abs/where", "absolute");
  fs::create_symlink("loop-b", "loop-a");
  fs::create_symlink("loop-a", "loop-b");
  fs::create_symlink("../file", "folder/up");
  const struct {
    const char* name;
    Kind kind;
    const char* path;
  } cases[] = {
      {"-", Kind::kStandardOutput, "-"},
      {"new", Kind::kFile, "new"},
      {"file", Kind::kFile, "file"},
      {"folder", Kind::kFolder, "folder"},
      {"folder/", Kind::kFolder, "folder/"},
      {"missing/", Kind::kFolder, "missing/"},
      {"fifo", Kind::kStream, "fifo"},
      {"/dev/null", Kind::kStream, "/dev/null"},
      {"to-file", Kind::kFile, "file"},
      {"dangling", Kind::kFile, "folder/new"},
      {"to-link", Kind::kFile, "file"},
      {"to-null", Kind::kStream, "/dev/null"},
      {"to-folder", Kind::kFolder, "folder"},
      {"absolute", Kind::kFile, "/abs/where"},
      {"loop-a", Kind::kLinkLoop, "loop-a"},
      {"folder/up", Kind::kFile, "folder/../file"},
  };
  for (const auto& [name, kind, path] : cases) {
    const OutputPlace place = PlaceOf(name);
    EXPECT_EQ(place.kind, kind) << name;
    EXPECT_EQ(place.path, path) << name;
  }
  // A chain of 40 links is followed; one more is a loop.
  std::string last = "file";
  for (int i = 1; i <= 41; ++i) {
    const std::string link = "chain" + std::to_string(i);
    fs::create_symlink(last, link);
    last = link;
  }
  EXPECT_EQ(PlaceOf("chain40").kind, Kind::kFile);
  EXPECT_EQ(PlaceOf("chain41").kind, Kind::kLinkLoop);
}

TEST(OpenStream, WritesADeviceAndNeverAFileOrFolder) {
  const testing::WorkDir dir;
  dir.Write("file", "older");
  fs::create_directory("folder");
  // A null device of the test's own: a writer gone wrong replaces no system device.
  if (mknod("null", S_IFCHR | 0666, makedev(1, 3)) != 0) GTEST_SKIP() << "device nodes of the test's own need root";
  EXPECT_TRUE(FileHandle(OpenStream("null", FileMode::kBinary)));
  EXPECT_EQ(fs::symlink_status("null").type(), fs::file_type::character);
  for (const char* name : {"file", "folder"}) {
    errno = 0;
    EXPECT_FALSE(FileHandle(OpenStream(name, FileMode::kBinary))) << name;
    EXPECT_EQ(errno, name == std::string("file") ? EEXIST : EISDIR) << name;
  }
  errno = 0;
  EXPECT_FALSE(FileHandle(OpenStream("missing", FileMode::kBinary)));
  EXPECT_EQ(errno, ENOENT);
  EXPECT_FALSE(fs::exists("missing"));
  EXPECT_EQ(fs::file_size("file"), 5u);
}

TEST(RegularFileProblem, OnlyARegularFileUpToTheLimit) {
  const testing::WorkDir dir;
  dir.Write("five", "12345");
  fs::create_directory("folder");
  ASSERT_EQ(mkfifo("fifo", 0600), 0);
  fs::create_symlink("five", "to-five");
  EXPECT_FALSE(RegularFileProblem("five", 5));
  EXPECT_FALSE(RegularFileProblem("to-five", 5));
  const auto tooLong = RegularFileProblem("five", 4);
  ASSERT_TRUE(tooLong);
  EXPECT_EQ(tooLong->step, FileError::Step::kRead);
  EXPECT_EQ(tooLong->number, EFBIG);
  for (const char* name : {"folder", "fifo", "/dev/zero", "/dev/null"}) {
    const auto problem = RegularFileProblem(name, 5);
    ASSERT_TRUE(problem) << name;
    EXPECT_EQ(problem->step, FileError::Step::kNotRegular) << name;
  }
  const auto missing = RegularFileProblem("missing", 5);
  ASSERT_TRUE(missing);
  EXPECT_EQ(missing->step, FileError::Step::kOpen);
  EXPECT_EQ(missing->number, ENOENT);
  // /dev/zero is refused before a byte is read: no waiting, no memory.
  const auto zero = ReadWholeRegularFile("/dev/zero", std::size_t{1} << 31);
  ASSERT_TRUE(std::holds_alternative<FileError>(zero));
  EXPECT_EQ(std::get<FileError>(zero).step, FileError::Step::kNotRegular);
  const auto five = ReadWholeRegularFile("five", 5);
  ASSERT_TRUE(std::holds_alternative<std::vector<std::uint8_t>>(five));
  EXPECT_EQ(std::get<std::vector<std::uint8_t>>(five).size(), 5u);
}

}  // namespace
}  // namespace trackctl
