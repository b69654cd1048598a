// New files are new: nothing that has the name already is opened, followed or
// written over. Whole files are read as they are, up to a limit.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "files/file_handle.h"
#include "files/new_file.h"
#include "files/whole_file.h"
#include "tests/unit/work_dir.h"

namespace trackctl {
namespace {


std::string Read(const char* name) {
  std::ifstream in(name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(CreateNewFile, OnlyWhereNothingHasTheNameAndInBinaryMode) {
  const testing::WorkDir dir;
  dir.Write("taken", "older");
  errno = 0;
  EXPECT_FALSE(FileHandle(CreateNewFile("taken", FileMode::kBinary)));
  EXPECT_EQ(errno, EEXIST);
  EXPECT_EQ(Read("taken"), "older");
#ifndef _WIN32
  std::filesystem::create_symlink("elsewhere", "link");  // a link to nothing
  EXPECT_FALSE(FileHandle(CreateNewFile("link", FileMode::kBinary)));
  EXPECT_FALSE(std::filesystem::exists("elsewhere"));
#endif
  {
    const FileHandle made(CreateNewFile("new", FileMode::kBinary));
    ASSERT_TRUE(made);
    EXPECT_EQ(std::fwrite("a\nb", 1, 3, made.get()), 3u);
  }
  EXPECT_EQ(Read("new"), "a\nb");  // no CR added on Windows
}

TEST(ReadWholeFile, EveryByteUpToTheLimit) {
  const testing::WorkDir dir;
  const std::string text("a\r\nb\x1A\0c", 8);
  dir.Write("small", text);
  const auto whole = ReadWholeFile("small", text.size());
  ASSERT_TRUE(std::holds_alternative<std::vector<std::uint8_t>>(whole));
  EXPECT_EQ(std::get<std::vector<std::uint8_t>>(whole), std::vector<std::uint8_t>(text.begin(), text.end()));

  const auto longer = ReadWholeFile("small", text.size() - 1);
  ASSERT_TRUE(std::holds_alternative<FileError>(longer));
  EXPECT_EQ(std::get<FileError>(longer).step, FileError::Step::kRead);
  EXPECT_EQ(std::get<FileError>(longer).number, EFBIG);

  dir.Write("large", std::string(200'000, 'x'));  // more than one read's worth
  const auto large = ReadWholeFile("large", 200'000);
  ASSERT_TRUE(std::holds_alternative<std::vector<std::uint8_t>>(large));
  EXPECT_EQ(std::get<std::vector<std::uint8_t>>(large).size(), 200'000u);

  dir.Write("empty", "");
  const auto empty = ReadWholeFile("empty", 0);
  ASSERT_TRUE(std::holds_alternative<std::vector<std::uint8_t>>(empty));
  EXPECT_TRUE(std::get<std::vector<std::uint8_t>>(empty).empty());
}

TEST(ReadWholeFile, WhatFailedAndTheSystemsErrorNumber) {
  const testing::WorkDir dir;
  const auto missing = ReadWholeFile("missing", 100);
  ASSERT_TRUE(std::holds_alternative<FileError>(missing));
  EXPECT_EQ(std::get<FileError>(missing).step, FileError::Step::kOpen);
  EXPECT_EQ(std::get<FileError>(missing).number, ENOENT);
#ifndef _WIN32
  std::filesystem::create_directory("folder");  // opens, but cannot be read
  const auto folder = ReadWholeFile("folder", 100);
  ASSERT_TRUE(std::holds_alternative<FileError>(folder));
  EXPECT_EQ(std::get<FileError>(folder).step, FileError::Step::kRead);
  EXPECT_EQ(std::get<FileError>(folder).number, EISDIR);
#endif
}

}  // namespace
}  // namespace trackctl
