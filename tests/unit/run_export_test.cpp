// A whole export over files: what it reports as it goes and what it returns,
// and the lines that src/app makes of that.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "app/offline/export_messages.h"
#include "export/run_export.h"
#include "tests/unit/work_dir.h"

namespace trackctl {
namespace {

constexpr const char* kLine = "5,1,0,0,22:0:0.00,12:6:2005,77.594600,12.971520,30.000000,74565.000000;\n";

struct Exported {
  std::variant<ExportCounts, ExportFailure> result;
  std::vector<std::pair<std::string, std::size_t>> notLoggerLines;
  std::vector<std::string> withoutTrack;
};

Exported Export(std::vector<std::string> files, std::string output, std::string_view format = "gpx") {
  ExportOptions options;
  options.format = ExportFormatNamed(format);
  options.files = std::move(files);
  options.output = std::move(output);
  options.utcOffsetMinutes = 0;
  Exported run;
  run.result = RunExport(
      options, [&run](const std::string& file, std::size_t line) { run.notLoggerLines.emplace_back(file, line); },
      [&run](const std::string& file) { run.withoutTrack.push_back(file); });
  return run;
}

TEST(RunExport, ReportsEachLineThatIsNotALoggerLineAndCountsWhatItWrote) {
  const testing::WorkDir dir;
  dir.Write("a.dat", std::string(kLine) + "junk\n" + kLine);
  dir.Write("b.dat", std::string("x\n") + kLine);
  const Exported run = Export({"a.dat", "b.dat"}, "both.kml", "kml");
  ASSERT_TRUE(std::holds_alternative<ExportCounts>(run.result));
  const ExportCounts& counts = std::get<ExportCounts>(run.result);
  EXPECT_EQ(counts.tracks, 2u);
  EXPECT_EQ(counts.points, 3u);
  EXPECT_EQ(counts.notLoggerLines, 2u);
  EXPECT_TRUE(run.withoutTrack.empty());
  const std::vector<std::pair<std::string, std::size_t>> expected = {{"a.dat", 2}, {"b.dat", 1}};
  EXPECT_EQ(run.notLoggerLines, expected);
  EXPECT_EQ(dir.Files(".").size(), 3u);  // the inputs and the output, no spool left
}

TEST(RunExport, EmptyLinesArePassedOverAndAFileWithoutALoggerLineGivesNoTrack) {
  const testing::WorkDir dir;
  dir.Write("blank.dat", "\n");
  dir.Write("a.dat", std::string("\n\r\n") + kLine + "\n");
  dir.Write("junk.dat", "junk\n\n");
  for (const char* format : {"gpx", "kml", "geojson", "csv", "svg"}) {
    const Exported run = Export({"blank.dat", "a.dat", "junk.dat"}, std::string("out.") + format, format);
    ASSERT_TRUE(std::holds_alternative<ExportCounts>(run.result)) << format;
    const ExportCounts& counts = std::get<ExportCounts>(run.result);
    EXPECT_EQ(counts.tracks, 1u) << format;
    EXPECT_EQ(counts.points, 1u) << format;
    EXPECT_EQ(counts.notLoggerLines, 1u) << format;
    const std::vector<std::pair<std::string, std::size_t>> junkLine = {{"junk.dat", 1}};
    EXPECT_EQ(run.notLoggerLines, junkLine) << format;
    EXPECT_EQ(run.withoutTrack, (std::vector<std::string>{"blank.dat", "junk.dat"})) << format;
  }
  EXPECT_EQ(NoTrackLine("blank.dat"), "trackctl export: blank.dat: no logger line, so no track");
}

ExportFailure Failure(const Exported& run) {
  EXPECT_TRUE(std::holds_alternative<ExportFailure>(run.result));
  return std::holds_alternative<ExportFailure>(run.result) ? std::get<ExportFailure>(run.result) : ExportFailure{};
}

TEST(RunExport, SaysWhyItStoppedAndLeavesNoOutput) {
  const testing::WorkDir dir;
  dir.Write("a.dat", std::string("x\n") + kLine);
  const ExportFailure missing = Failure(Export({"a.dat", "missing.dat"}, "out.gpx"));
  EXPECT_EQ(missing.kind, ExportFailure::Kind::kCannotRead);
  EXPECT_EQ(missing.file, "missing.dat");
  EXPECT_EQ(missing.reason, std::strerror(ENOENT));
  EXPECT_EQ(dir.Files("."), std::vector<std::string>{"a.dat"});

  const ExportFailure folder = Failure(Export({"a.dat"}, "sub/"));
  EXPECT_EQ(folder.kind, ExportFailure::Kind::kOutputIsAFolder);
  EXPECT_EQ(folder.file, "sub/");
  const ExportFailure same = Failure(Export({"a.dat"}, "./a.dat"));
  EXPECT_EQ(same.kind, ExportFailure::Kind::kOutputIsAnInput);
  EXPECT_EQ(same.file, "./a.dat");
  const ExportFailure beside = Failure(Export({"a.dat"}, "nowhere/out.gpx"));
  EXPECT_EQ(beside.kind, ExportFailure::Kind::kCannotCreate);
  EXPECT_EQ(beside.file, "nowhere/out.gpx");
  EXPECT_EQ(beside.reason, std::strerror(ENOENT));
}

TEST(FailureLine, OneLineForEachKind) {
  using Kind = ExportFailure::Kind;
  EXPECT_EQ(FailureLine({Kind::kOutputIsAFolder, "out/", ""}), "trackctl export: cannot write out/: a folder, not a file");
  EXPECT_EQ(FailureLine({Kind::kOutputIsAnInput, "a.dat", ""}),
            "trackctl export: a.dat would be written over its own input");
  EXPECT_EQ(FailureLine({Kind::kCannotCreate, "x/o.gpx", "Permission denied"}),
            "trackctl export: cannot create a file beside x/o.gpx: Permission denied");
  EXPECT_EQ(FailureLine({Kind::kCannotRead, "a.dat", "Is a directory"}),
            "trackctl export: cannot read a.dat: Is a directory");
  EXPECT_EQ(FailureLine({Kind::kCannotWrite, "o.gpx", "No space left on device"}),
            "trackctl export: cannot write o.gpx: No space left on device");
}

}  // namespace
}  // namespace trackctl
