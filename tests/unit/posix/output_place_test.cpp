// Where a named output goes, for every kind of name the POSIX side has: links
// followed to what they lead to, devices and FIFOs written as they are.
#include <sys/stat.h>
#include <fcntl.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <string>

#include "files/file_handle.h"
#include "files/new_file.h"
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
      {"/dev/fd/x", Kind::kFile, "/dev/fd/x"},
  };
  for (const auto& [name, kind, path] : cases) {
    const OutputPlace place = PlaceOf(name);
    EXPECT_EQ(place.kind, kind) << name;
    EXPECT_EQ(place.path, path) << name;
  }
  // Names of this process's descriptors, and links into them, are written at
  // the descriptor, whatever it leads to.
  fs::create_symlink("/dev/stdout", "to-stdout");
  fs::create_symlink("/proc/self/fd/7", "to-seven");
  const struct {
    const char* name;
    int descriptor;
  } descriptors[] = {{"/dev/stdout", 1}, {"/dev/stderr", 2},      {"/dev/fd/5", 5},  {"/proc/self/fd/12", 12},
                     {"to-stdout", 1},   {"to-seven", 7},         {"/dev//fd/./3", 3}, {"/proc/thread-self/fd/4", 4}};
  for (const auto& [name, descriptor] : descriptors) {
    const OutputPlace place = PlaceOf(name);
    EXPECT_EQ(place.kind, Kind::kDescriptor) << name;
    EXPECT_EQ(place.descriptor, descriptor) << name;
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
  EXPECT_TRUE(FileHandle(OpenStream("null", FileMode::kBinary, 0)));
  EXPECT_EQ(fs::symlink_status("null").type(), fs::file_type::character);
  for (const char* name : {"file", "folder"}) {
    errno = 0;
    EXPECT_FALSE(FileHandle(OpenStream(name, FileMode::kBinary, 0))) << name;
    EXPECT_EQ(errno, name == std::string("file") ? EEXIST : EISDIR) << name;
  }
  errno = 0;
  EXPECT_FALSE(FileHandle(OpenStream("missing", FileMode::kBinary, 0)));
  EXPECT_EQ(errno, ENOENT);
  EXPECT_FALSE(fs::exists("missing"));
  EXPECT_EQ(fs::file_size("file"), 5u);
}

TEST(OpenStream, AFifoWithoutAReaderIsGivenUpAfterTheLimit) {
  const testing::WorkDir dir;
  ASSERT_EQ(mkfifo("fifo", 0600), 0);
  const auto start = std::chrono::steady_clock::now();
  errno = 0;
  EXPECT_FALSE(FileHandle(OpenStream("fifo", FileMode::kBinary, 300)));
  EXPECT_EQ(errno, ENXIO);
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, std::chrono::milliseconds(300));
  EXPECT_LT(waited, std::chrono::seconds(10));
  // With a reader it opens, and what is written reaches the reader.
  const int reader = open("fifo", O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  {
    const FileHandle writer(OpenStream("fifo", FileMode::kBinary, 300));
    ASSERT_TRUE(writer);
    EXPECT_EQ(std::fputs("line\n", writer.get()), 1);
  }
  char got[8] = {};
  EXPECT_EQ(read(reader, got, sizeof got), 5);
  EXPECT_STREQ(got, "line\n");
  close(reader);
}

TEST(OpenDescriptor, WritesAtTheDescriptorsPosition) {
  const testing::WorkDir dir;
  dir.Write("log", "");
  const int appended = open("log", O_WRONLY | O_APPEND);
  ASSERT_GE(appended, 0);
  ASSERT_EQ(write(appended, "head\n", 5), 5);
  {
    const FileHandle file(OpenDescriptor(appended, FileMode::kBinary));
    ASSERT_TRUE(file);
    std::fputs("body\n", file.get());
  }
  // The descriptor stays open, at the end of what was written through it.
  ASSERT_EQ(write(appended, "tail\n", 5), 5);
  close(appended);
  EXPECT_EQ(dir.Read("log"), "head\nbody\ntail\n");
  errno = 0;
  EXPECT_FALSE(FileHandle(OpenDescriptor(appended, FileMode::kBinary)));
  EXPECT_EQ(errno, EBADF);
}

TEST(RenameToNewName, NeverReplacesATakenName) {
  const testing::WorkDir dir;
  dir.Write("a.partial", "whole");
  dir.Write("taken", "older");
  errno = 0;
  EXPECT_FALSE(RenameToNewName("a.partial", "taken"));
  EXPECT_EQ(errno, EEXIST);
  EXPECT_EQ(dir.Read("taken"), "older");
  EXPECT_TRUE(RenameToNewName("a.partial", "a"));
  EXPECT_EQ(dir.Read("a"), "whole");
  EXPECT_FALSE(fs::exists("a.partial"));
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
