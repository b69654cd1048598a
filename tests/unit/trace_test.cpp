#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "serial/trace_format.h"
#include "serial/traced_port.h"
#include "fake_port.h"

namespace trackctl {
namespace {

std::vector<std::uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

TEST(TraceFormat, HexAndAsciiColumnsStayAlignedWhateverTheCount) {
  EXPECT_EQ(FormatTraceLine("T", TraceDirection::kToDevice, Bytes("\xEAINIT\xE4")),
            "T >> EA 49 4E 49 54 E4" + std::string(30 + 2, ' ') + "|.INIT.|\n");
  const std::string full =
      FormatTraceLine("T", TraceDirection::kFromDevice, Bytes({"\x00\x1F\x20~\x7F\x80\xFF" "abcdefghi", 16}));
  EXPECT_EQ(full, "T << 00 1F 20 7E 7F 80 FF 61 62 63 64 65 66 67 68 69  |.. ~...abcdefghi|\n");
  EXPECT_EQ(FormatTraceLine("T", TraceDirection::kFromDevice, Bytes("a")).find('|'), full.find('|'));
  EXPECT_EQ(FormatTraceStamp(2005, 6, 5, 9, 7, 3, 45), "2005-06-05 09:07:03.045");
}

std::string FixedStamp() { return "S"; }

class TracedPortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = std::filesystem::temp_directory_path() /
            ("trackctl-trace-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    std::filesystem::remove(path_);
    auto fake = std::make_unique<testing::FakePort>();
    fake_ = fake.get();
    port_ = std::make_unique<TracedPort>(std::move(fake), TraceFile(std::fopen(path_.string().c_str(), "a")), FixedStamp);
  }
  void TearDown() override {
    port_.reset();
    std::filesystem::remove(path_);
  }
  std::string Trace() const {
    std::ifstream in(path_);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  std::filesystem::path path_;
  testing::FakePort* fake_ = nullptr;
  std::unique_ptr<TracedPort> port_;
};

// Only the direction and hex columns, one entry per line.
std::vector<std::string> HexColumns(const std::string& trace) {
  std::vector<std::string> lines;
  std::istringstream in(trace);
  for (std::string line; std::getline(in, line);) {
    line.erase(line.find_last_not_of(' ', line.find('|') - 1) + 1);
    lines.push_back(line.substr(2));  // after the stamp "S "
  }
  return lines;
}

TEST_F(TracedPortTest, LinesEndAtSixteenBytesAtATurnAndWhenTheProgramWaits) {
  fake_->Script(std::string(20, 'x') + "y");
  for (const std::uint8_t byte : Bytes("ab")) ASSERT_TRUE(port_->WriteByte(byte));
  std::uint8_t buffer[20];
  EXPECT_EQ(Trace(), "");
  ASSERT_EQ(port_->Read(buffer).count, 20u);
  EXPECT_EQ(Trace(), FormatTraceLine("S", TraceDirection::kToDevice, Bytes("ab")) +
                         FormatTraceLine("S", TraceDirection::kFromDevice, Bytes(std::string(16, 'x'))));
  ASSERT_EQ(port_->Read(std::span(buffer, 1)).count, 1u);  // the same direction: the same line
  ASSERT_TRUE(port_->WriteByte('c'));
  port_.reset();  // the last line is written when the port closes
  EXPECT_EQ(HexColumns(Trace()), (std::vector<std::string>{">> 61 62",
                                                            "<< 78 78 78 78 78 78 78 78 78 78 78 78 78 78 78 78",
                                                            "<< 78 78 78 78 79", ">> 63"}));
}

TEST_F(TracedPortTest, PassesEverythingThroughUnchanged) {
  fake_->Script("z");
  port_->SetDtr(true);
  EXPECT_TRUE(port_->SetTimeouts(kCommandTimeouts));
  std::uint8_t byte = 0;
  EXPECT_EQ(port_->Read(std::span(&byte, 1)).count, 1u);
  EXPECT_EQ(byte, 'z');
  EXPECT_FALSE(port_->Read(std::span(&byte, 1)).ok);  // the drained script fails, and so does the traced read
  EXPECT_EQ(port_->LastError(), 5);
  EXPECT_EQ(fake_->dtr, std::vector<bool>{true});
  EXPECT_EQ(fake_->timeouts.size(), 1u);
}

}  // namespace
}  // namespace trackctl
