// Inputs and outputs that are not plain files, and the input a careless or
// hostile hand gives: outputs to devices, FIFOs, links and standard output;
// images that are no regular file; keys that cannot stand in a file name;
// device text that would drive a terminal; dates that do not exist; an unknown
// time zone; options given twice.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

#include <nlohmann/json.hpp>

#include "tests/e2e/harness.h"

namespace trackctl::e2e {
namespace {

namespace fs = std::filesystem;

constexpr const char* kLogger =
    "5,1,0,0,1:30:0.00,31:3:2024,13.400000,52.500000,30.000000,100.000000;\n"
    "5,1,0,0,1:31:0.00,31:3:2024,13.410000,52.510000,30.000000,100.000000;\n";

// The memory devices "null" (1, 3) and "full" (1, 7) as nodes of the test's own,
// so that a writer that replaced what it was given would replace only these.
// False when they cannot be made (not root): the caller skips.
bool MakeOwnDevices(const fs::path& folder) {
  return mknod((folder / "null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0 &&
         mknod((folder / "full").c_str(), S_IFCHR | 0666, makedev(1, 7)) == 0;
}

class OddFiles : public E2eTest {
 protected:
  int Run(std::vector<std::string> args, RunOptions options = {}) { return RunArgs(std::move(args), output, options); }
  std::string Received() {
    const tracksim::Bytes bytes = sim().Received();
    return std::string(bytes.begin(), bytes.end());
  }

  std::string output;
};

// The same export to every kind of output: the data where it belongs, and each
// name what it was before (a device a device, a FIFO a FIFO, a link a link).
TEST_F(OddFiles, ExportOutputsThatAreNoPlainFileAreWrittenAndKept) {
  if (UnderWine()) GTEST_SKIP() << "devices, FIFOs and links of the POSIX side";
  std::ofstream(workdir() / "a.dat") << kLogger;
  const std::vector<std::string> args = {"export", "--utc-offset", "+00:00", "a.dat", "-o"};
  auto with = [&args](const std::string& out) {
    std::vector<std::string> line = args;
    line.push_back(out);
    return line;
  };
  ASSERT_EQ(Run(with("ref.gpx")), 0) << output;
  const std::string gpx = ReadFile(workdir() / "ref.gpx");
  ASSERT_NE(gpx.find("</gpx>"), std::string::npos);

  // null takes it; full fails at the write, and stays a device.
  if (!MakeOwnDevices(workdir())) GTEST_SKIP() << "device nodes of the test's own need root";
  EXPECT_EQ(Run(with("null")), 0) << output;
  EXPECT_EQ(Run(with("full")), 2) << output;
  EXPECT_EQ(output, "trackctl export: cannot write full: " + std::string(std::strerror(ENOSPC)) + "\n");
  for (const char* device : {"null", "full"}) {
    EXPECT_EQ(fs::symlink_status(workdir() / device).type(), fs::file_type::character) << device;
  }
  // The same through a link to the device: the link stays, the device takes the write.
  fs::create_symlink("full", workdir() / "full-link");
  EXPECT_EQ(Run(with("full-link")), 2) << output;
  EXPECT_TRUE(fs::is_symlink(workdir() / "full-link"));

  // A FIFO with a reader: the reader gets the whole document.
  ASSERT_EQ(mkfifo((workdir() / "pipe").c_str(), 0600), 0);
  FifoReader reader(workdir() / "pipe");
  EXPECT_EQ(Run(with("pipe")), 0) << output;
  EXPECT_EQ(reader.Finish(), gpx);
  EXPECT_EQ(fs::symlink_status(workdir() / "pipe").type(), fs::file_type::fifo);

  // A FIFO in a folder where nothing can be created: KML, which holds text aside
  // until the end, holds it elsewhere.
  fs::create_directory(workdir() / "closed");
  ASSERT_EQ(mkfifo((workdir() / "closed" / "pipe").c_str(), 0600), 0);
  fs::permissions(workdir() / "closed", fs::perms::owner_read | fs::perms::owner_exec);
  RunOptions bound;
  bound.permissionsBindRoot = true;
  ASSERT_EQ(Run({"export", "--utc-offset", "+00:00", "--format", "kml", "-o", "ref.kml", "a.dat"}), 0) << output;
  FifoReader kml(workdir() / "closed" / "pipe");
  EXPECT_EQ(Run({"export", "--utc-offset", "+00:00", "--format", "kml", "-o", "closed/pipe", "a.dat"}, bound), 0)
      << output;
  EXPECT_EQ(kml.Finish(), ReadFile(workdir() / "ref.kml"));
  fs::permissions(workdir() / "closed", fs::perms::owner_all);

  // A link to a file in another folder: the file is replaced in its folder,
  // the link stays, and no temporary file is left in either.
  fs::create_directory(workdir() / "real");
  std::ofstream(workdir() / "real" / "out.gpx") << "older";
  fs::create_symlink("real/out.gpx", workdir() / "link.gpx");
  EXPECT_EQ(Run(with("link.gpx")), 0) << output;
  EXPECT_TRUE(fs::is_symlink(workdir() / "link.gpx"));
  EXPECT_EQ(fs::read_symlink(workdir() / "link.gpx"), "real/out.gpx");
  EXPECT_EQ(ReadFile(workdir() / "real" / "out.gpx"), gpx);
  EXPECT_EQ(Files(workdir() / "real"), std::vector<std::string>{"out.gpx"});

  // A link that leads nowhere yet: its target is created, the link stays.
  fs::create_symlink("real/new.gpx", workdir() / "dangling.gpx");
  EXPECT_EQ(Run(with("dangling.gpx")), 0) << output;
  EXPECT_TRUE(fs::is_symlink(workdir() / "dangling.gpx"));
  EXPECT_EQ(ReadFile(workdir() / "real" / "new.gpx"), gpx);
  EXPECT_EQ(Files(workdir() / "real"), (std::vector<std::string>{"new.gpx", "out.gpx"}));

  // Links that lead round in a circle are refused, and stay.
  fs::create_symlink("loop-b", workdir() / "loop-a");
  fs::create_symlink("loop-a", workdir() / "loop-b");
  EXPECT_EQ(Run(with("loop-a")), 2) << output;
  EXPECT_EQ(output, "trackctl export: cannot write loop-a: " + std::string(std::strerror(ELOOP)) + "\n");
  EXPECT_TRUE(fs::is_symlink(workdir() / "loop-a"));

  // A link to a folder is a folder.
  fs::create_directory_symlink("real", workdir() / "folder-link");
  EXPECT_EQ(Run(with("folder-link")), 2) << output;
  EXPECT_EQ(output, "trackctl export: cannot write folder-link: a folder, not a file\n");
}

// "-" is standard output, byte for byte (binary on Windows too); the summary goes
// to standard error; a format that spools (KML) spools elsewhere.
TEST_F(OddFiles, ExportToStandardOutput) {
  std::ofstream(workdir() / "a.dat", std::ios::binary) << kLogger;
  for (const char* format : {"gpx", "kml", "csv"}) {
    ASSERT_EQ(Run({"export", "--utc-offset", "+00:00", "--format", format, "-o", "ref", "a.dat"}), 0) << output;
    RunOptions apart;
    apart.stdoutFile = "stdout.txt";
    apart.stderrFile = "stderr.txt";
    EXPECT_EQ(Run({"export", "--utc-offset", "+00:00", "--format", format, "-o", "-", "a.dat"}, apart), 0);
    EXPECT_EQ(ReadFile(workdir() / "stdout.txt"), ReadFile(workdir() / "ref")) << format;
    EXPECT_NE(ReadFile(workdir() / "stderr.txt").find("trackctl export: standard output: 2 "), std::string::npos)
        << ReadFile(workdir() / "stderr.txt");
    EXPECT_FALSE(fs::exists(workdir() / "-")) << format;
    EXPECT_EQ(Files(workdir()), (std::vector<std::string>{"a.dat", "ref", "stderr.txt", "stdout.txt"})) << format;
  }
}

// download -o: a device or FIFO is written as it is; a failed write is status 4.
TEST_F(OddFiles, DownloadToADeviceOrAFifo) {
  if (UnderWine()) GTEST_SKIP() << "devices and FIFOs of the POSIX side";
  if (!MakeOwnDevices(workdir())) GTEST_SKIP() << "device nodes of the test's own need root";
  EXPECT_EQ(Run({"download", "sms", "-o", "null"}), 0) << output;
  EXPECT_EQ(Run({"download", "sms", "-o", "full"}), 4) << output;
  EXPECT_NE(output.find("ERROR LOGGER_FILE_INCOMPLETE : full could not be written completely"), std::string::npos)
      << output;
  for (const char* device : {"null", "full"}) {
    EXPECT_EQ(fs::symlink_status(workdir() / device).type(), fs::file_type::character) << device;
  }

  ASSERT_EQ(Run({"download", "sms", "-o", "ref.dat"}), 0) << output;
  ASSERT_EQ(mkfifo((workdir() / "pipe").c_str(), 0600), 0);
  FifoReader reader(workdir() / "pipe");
  EXPECT_EQ(Run({"download", "sms", "-o", "pipe"}), 0) << output;
  EXPECT_EQ(reader.Finish(), ReadFile(workdir() / "ref.dat"));
  EXPECT_EQ(fs::symlink_status(workdir() / "pipe").type(), fs::file_type::fifo);
}

// A FIFO without a reader is given up after --timeout, before the device is
// asked for the sector; with --archive the records received are archived
// whatever the output is, never read back from it.
TEST_F(OddFiles, DownloadOutputsAreBoundedAndArchivedAsReceived) {
  if (UnderWine()) GTEST_SKIP() << "devices and FIFOs of the POSIX side";
  ASSERT_EQ(mkfifo((workdir() / "pipe").c_str(), 0600), 0);
  const auto begun = std::chrono::steady_clock::now();
  EXPECT_EQ(Run({"--timeout", "1", "download", "sms", "-o", "pipe"}), 4) << output;
  EXPECT_GE(std::chrono::steady_clock::now() - begun, 1s);
  EXPECT_LT(std::chrono::steady_clock::now() - begun, 10s);
  EXPECT_NE(output.find("error creating file\ntrackctl: pipe: cannot open the logger file: nothing read it within 1 s\n"),
            std::string::npos)
      << output;
  EXPECT_EQ(Served(), std::vector<std::string>{"INIT"});

  const std::string counts = ": 300 read, 300 new, 0 already archived, 0 not valid\n";
  StartSim();
  ASSERT_EQ(Run({"download", "sms", "-o", "ref.dat", "--archive", "ref.gpkg"}), 0) << output;
  ASSERT_NE(output.find("Archived ref.dat in ref.gpkg" + counts), std::string::npos) << output;
  FifoReader reader(workdir() / "pipe");
  EXPECT_EQ(Run({"--timeout", "5", "download", "sms", "-o", "pipe", "--archive", "fifo.gpkg"}), 0) << output;
  EXPECT_NE(output.find("Archived pipe in fifo.gpkg" + counts), std::string::npos) << output;
  EXPECT_EQ(reader.Finish(), ReadFile(workdir() / "ref.dat"));
  if (!MakeOwnDevices(workdir())) GTEST_SKIP() << "device nodes of the test's own need root";
  EXPECT_EQ(Run({"download", "sms", "-o", "null", "--archive", "null.gpkg"}), 0) << output;
  EXPECT_NE(output.find("Archived null in null.gpkg" + counts), std::string::npos) << output;
}

// The name of a descriptor (/dev/stdout, /dev/fd/N, a link into /proc/self/fd)
// is written at the descriptor: a pipe takes it, a file behind it keeps what it
// held, its inode and what others write around it.
TEST_F(OddFiles, DescriptorNamesAreWrittenWhereTheDescriptorStands) {
  if (UnderWine()) GTEST_SKIP() << "descriptor names of the POSIX side";
  std::ofstream(workdir() / "a.dat") << kLogger;
  ASSERT_EQ(Run({"export", "--utc-offset", "+00:00", "a.dat", "-o", "ref.gpx"}), 0) << output;
  const std::string gpx = ReadFile(workdir() / "ref.gpx");
  RunOptions apart;
  apart.stderrFile = "stderr.txt";
  EXPECT_EQ(Run({"export", "--utc-offset", "+00:00", "a.dat", "-o", "/dev/stdout"}, apart), 0);
  EXPECT_EQ(output, gpx);

  std::ofstream(workdir() / "app.log") << "older\n";
  struct stat before {};
  ASSERT_EQ(stat((workdir() / "app.log").c_str(), &before), 0);
  fs::create_symlink("/proc/self/fd/1", workdir() / "out-link");
  const std::string run = std::string(TRACKCTL_BINARY) + " export --utc-offset +00:00 a.dat -o ";
  int status = -1;
  Shell("cd '" + workdir().string() + "' && " + run + "/dev/stdout >>app.log 2>/dev/null && " + run +
            "out-link >>app.log 2>/dev/null && (echo header; " + run + "/dev/fd/1 2>/dev/null; echo footer) >>app.log",
        status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(ReadFile(workdir() / "app.log"), "older\n" + gpx + gpx + "header\n" + gpx + "footer\n");
  struct stat after {};
  ASSERT_EQ(stat((workdir() / "app.log").c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_TRUE(fs::is_symlink(workdir() / "out-link"));

  // A download's lines to standard error, a file of the test's: every line, no file beside it.
  ASSERT_EQ(Run({"download", "sms", "-o", "ref.dat"}), 0) << output;
  StartSim();
  RunOptions lines;
  lines.stderrFile = "lines.txt";
  EXPECT_EQ(Run({"download", "sms", "-o", "/dev/stderr"}, lines), 0) << output;
  EXPECT_EQ(ReadFile(workdir() / "lines.txt"), ReadFile(workdir() / "ref.dat"));
  EXPECT_FALSE(fs::exists(workdir() / "dev"));
}

// An image that is no regular file is refused before the port is opened, at
// once, without reading it; an empty regular file uploads.
TEST_F(OddFiles, ImagesThatAreNoRegularFileAreRefusedAtOnce) {
  if (UnderWine()) GTEST_SKIP() << "devices, FIFOs and sparse files of the POSIX side";
  fs::create_directory(workdir() / "folder");
  ASSERT_EQ(mkfifo((workdir() / "pipe").c_str(), 0600), 0);
  std::ofstream(workdir() / "huge.bin").close();
  fs::resize_file(workdir() / "huge.bin", 0x7FFFFFFFu - 3);  // sparse: one byte over the limit
  const std::string notRegular = " is not a regular file; an image is read from a regular file only\n";
  const struct {
    std::string image;
    std::string message;
  } refused[] = {
      {"/dev/zero", "FILE not found...\ntrackctl: /dev/zero" + notRegular},
      // A file that says it is empty and is endless.
      {"/proc/self/pagemap", "FILE not found...\ntrackctl: /proc/self/pagemap" + notRegular},
      {"folder", "FILE not found...\ntrackctl: folder" + notRegular},
      {"pipe", "FILE not found...\ntrackctl: pipe" + notRegular},
      {"huge.bin",
       "Unable to open the specified file...\ntrackctl: huge.bin is longer than an image can be (2147483643 bytes)\n"},
  };
  RunOptions small;
  if (!UnderAddressSanitizer()) small.addressSpaceLimit = 256ul << 20;
  for (const auto& [image, message] : refused) {
    StartSim();
    const auto begun = std::chrono::steady_clock::now();
    small.args = {"upgrade", image};
    Program& run = Start("", small);
    EXPECT_EQ(run.WaitExit(2s), 4) << image;
    EXPECT_LT(std::chrono::steady_clock::now() - begun, 1s) << image;
    EXPECT_EQ(run.Output(), message);
    EXPECT_TRUE(sim().Received().empty()) << image;
  }
  EXPECT_EQ(fs::symlink_status(workdir() / "pipe").type(), fs::file_type::fifo);

  // The menu: the same line, then the run ends with status 1.
  StartSim();
  RunOptions menu;
  menu.stderrFile = "why.txt";
  const std::string after = AfterStartUp("4\n/dev/zero\n", 1, menu);
  EXPECT_EQ(after, "Upgrade Code : Started...\nEnter the file name [Default : RAVU.BIN]:\nFILE not found...\n");
  EXPECT_EQ(ReadFile(workdir() / "why.txt"),
            "trackctl: /dev/zero is not a regular file; an image is read from a regular file only\n");

  StartSim();
  std::ofstream(workdir() / "empty.bin").close();
  EXPECT_EQ(Run({"upgrade", "empty.bin"}), 0) << output;
  EXPECT_NE(output.find("Filelength in bytes is 0\n"), std::string::npos) << output;
  EXPECT_NE(output.find("Upgrade Code : Done...\n"), std::string::npos) << output;
}

// config15.dat is read up to 2 MiB: the example padded to that runs, a byte more
// (or /dev/zero) is a file problem.
TEST_F(OddFiles, TheTrackingConfigurationIsReadUpToTwoMebibytes) {
  std::ifstream example(fs::path(TRACKCTL_EXAMPLES_DIR) / "config15.dat", std::ios::binary);
  std::string config(std::istreambuf_iterator<char>(example), {});
  config.resize(std::size_t{2} << 20, '\n');
  std::ofstream(workdir() / "whole.dat", std::ios::binary) << config;
  std::ofstream(workdir() / "over.dat", std::ios::binary) << config << '\n';
  EXPECT_EQ(Run({"start", "-c", "whole.dat"}), 0) << output;
  StartSim();
  EXPECT_EQ(Run({"start", "-c", "over.dat"}), 4) << output;
  EXPECT_NE(output.find("Cannot open input file.\n"), std::string::npos) << output;
  if (!UnderWine()) {
    StartSim();
    EXPECT_EQ(Run({"start", "-c", "/dev/zero"}), 4) << output;
  }
}

// Each character that cannot stand in a file name: refused, nothing sent.
TEST_F(OddFiles, KeysThatCannotStandInAFileNameAreRefused) {
  for (const char c : std::string_view("/\\:*?\"<>|")) {
    std::string key = "10007523X1";
    key[8] = c;
    StartSim();
    EXPECT_EQ(Run({"write-key", key}), 2) << key;
    EXPECT_EQ(output, "trackctl: the serial key must not hold any of /\\:*?\"<>| (it becomes part of file names): '" +
                          key + "' (usage: trackctl --help)\n");
    EXPECT_TRUE(sim().Received().empty()) << key;
  }
  // The menu takes the key as typed, as it always did.
  StartSim();
  const std::string after = AfterStartUp("9\n1000/52301\n\n0\n");
  EXPECT_NE(after.find(" Done...\nSerial key written to flash...\n"), std::string::npos) << after;
  EXPECT_EQ(sim().WithDevice([](tracksim::Device& device) { return device.state().serialKey; }), "1000/52301");
}

// Bad command lines refused with one line before the port is opened.
// Every command's usage errors: one line, status 2, nothing sent and no file
// made (no archive either). An option given twice is refused alike by every
// command; --device is the one that gathers values.
TEST_F(OddFiles, RepeatedOptionsEmptyValuesAndLimitsOfEveryCommand) {
  const struct {
    std::vector<std::string> args;
    std::string line;
  } refused[] = {
      {{"-p", "1", "-p", "2", "info"}, "trackctl: option --port is given twice (usage: trackctl --help)\n"},
      {{"download", "sms", "-o", "a.dat", "-o", "b.dat"},
       "trackctl: option -o is given twice (usage: trackctl --help)\n"},
      {{"--timeout", "1", "download", "sms", "--timeout", "2"},
       "trackctl: option --timeout is given twice (usage: trackctl --help)\n"},
      {{"--list-ports", "--json", "--json"}, "trackctl: option --json is given twice (usage: trackctl --help)\n"},
      {{"upgrade", ""}, "trackctl: upgrade needs a file name, not '' (usage: trackctl --help)\n"},
      {{"export", "--format", "gpx", "--format", "kml", "a.dat"},
       "trackctl export: option --format is given twice (usage: trackctl --help)\n"},
      {{"export", "-o", "x.gpx", "-o", "y.gpx", "a.dat"},
       "trackctl export: option -o is given twice (usage: trackctl --help)\n"},
      {{"export", "--archive", "a.gpkg", "--device", "A", "--device", "B", "--archive=b.gpkg", "-o", "x.gpx"},
       "trackctl export: option --archive is given twice (usage: trackctl --help)\n"},
      {{"export", "--split-gap", "2147483648", "a.dat"},
       "trackctl export: --split-gap wants a whole number of minutes from 0 to 9999999, not '2147483648' "
       "(usage: trackctl --help)\n"},
      {{"export", "--since", "2005-06-13", "--until", "2005-06-12", "-o", "x.gpx"},
       "trackctl export: --since 2005-06-13T00:00:00Z is after --until 2005-06-12T23:59:59Z: no time is in between "
       "(usage: trackctl --help)\n"},
      {{"export", "--until", "2005-06-12T23:00:00", "-o", "x.gpx"},
       "trackctl export: --until wants a UTC date, YYYY-MM-DD, or a time with its zone, YYYY-MM-DDThh:mm:ssZ or "
       "YYYY-MM-DDThh:mm:ss+HH:MM, not '2005-06-12T23:00:00' (usage: trackctl --help)\n"},
      {{"import", "--archive", "a.gpkg", "--archive", "b.gpkg", "1000752301_P20050612230000.dat"},
       "trackctl import: option --archive is given twice (usage: trackctl --help)\n"},
      {{"import", "--utc-offset=+00:00", "--utc-offset", "+01:00", "1000752301_P20050612230000.dat"},
       "trackctl import: option --utc-offset is given twice (usage: trackctl --help)\n"},
      {{"import", "--archive=", "1000752301_P20050612230000.dat"},
       "trackctl import: --archive needs a value (usage: trackctl --help)\n"},
      {{"archive", "--archive", "a.gpkg", "--archive", "a.gpkg"},
       "trackctl archive: option --archive is given twice (usage: trackctl --help)\n"},
      {{"archive", "--json", "--json"}, "trackctl archive: option --json is given twice (usage: trackctl --help)\n"},
      {{"archive", "--archive="}, "trackctl archive: --archive needs a value (usage: trackctl --help)\n"},
      {{"download", "sms", "--archive="}, "trackctl: option --archive needs a value (usage: trackctl --help)\n"},
      {{"--timeout", "86401", "download", "sms", "--archive", "a.gpkg"},
       "trackctl: --timeout wants whole seconds from 0 to 86400, not '86401' (usage: trackctl --help)\n"},
  };
  for (const auto& [args, line] : refused) {
    StartSim();
    EXPECT_EQ(Run(args), 2) << line;
    EXPECT_EQ(output, line);
    EXPECT_TRUE(sim().Received().empty()) << line;
  }
  EXPECT_EQ(Files(workdir()), std::vector<std::string>{});
  // The longest --timeout is taken, by a download into the archive too.
  StartSim();
  EXPECT_EQ(Run({"--timeout", "86400", "download", "sms", "--archive", "a.gpkg"}), 0) << output;
  EXPECT_NE(output.find("300 read, 300 new"), std::string::npos) << output;
}

// A file holding only a line end has no logger line: its own message, status 1,
// and a document without a track.
TEST_F(OddFiles, AFileWithoutALoggerLineGivesNoTrack) {
  std::ofstream(workdir() / "blank.dat", std::ios::binary) << "\n";
  EXPECT_EQ(Run({"export", "--utc-offset", "+00:00", "blank.dat"}), 1);
  EXPECT_EQ(output,
            "trackctl export: blank.dat: no logger line, so no track\n"
            "trackctl export: blank.gpx: 0 points in 0 tracks and 0 segments\n");
  const std::string gpx = ReadFile(workdir() / "blank.gpx");
  EXPECT_NE(gpx.find("</gpx>"), std::string::npos) << gpx;
  EXPECT_EQ(gpx.find("<trk>"), std::string::npos) << gpx;
}

// An unknown TZ: one warning naming it, and the times as UTC; a known one, none.
TEST_F(OddFiles, AnUnknownTimeZoneIsNamed) {
  if (UnderWine()) GTEST_SKIP() << "the Windows C library reads TZ by rules of its own";
  std::ofstream(workdir() / "a.dat") << kLogger;
  ASSERT_EQ(Run({"export", "--utc-offset", "+00:00", "-o", "utc.gpx", "a.dat"}), 0) << output;
  const struct {
    const char* tz;
    bool known;
  } zones[] = {{"Foo/Bar", false}, {"Europe/Berlin", true}, {"UTC", true}, {"CET-1CEST", true},
               {"<+0530>-5:30", true}, {":Europe/Berlin", true}, {"Mars", false}, {"", true}};
  for (const auto& [tz, known] : zones) {
    RunOptions zone;
    zone.env = {{"TZ", tz}};
    fs::remove(workdir() / "zone.gpx");
    EXPECT_EQ(Run({"export", "-o", "zone.gpx", "a.dat"}, zone), 0) << tz << "\n" << output;
    const std::string warning = "trackctl export: warning: TZ names an unknown time zone, '" + std::string(tz) +
                                "'; local times are taken as UTC\n";
    EXPECT_EQ(output.find(warning) != std::string::npos, !known) << tz << "\n" << output;
    EXPECT_EQ(output.find("warning") == std::string::npos, known) << tz << "\n" << output;
    if (!known) {
      EXPECT_EQ(ReadFile(workdir() / "zone.gpx"), ReadFile(workdir() / "utc.gpx")) << tz;
    }
  }
  // With --utc-offset the zone is not used, and not looked at.
  RunOptions unknown;
  unknown.env = {{"TZ", "Foo/Bar"}};
  EXPECT_EQ(Run({"export", "--utc-offset", "+00:00", "-o", "x.gpx", "a.dat"}, unknown), 0);
  EXPECT_EQ(output.find("warning"), std::string::npos) << output;
  // An import says it too, once, before it stores the times as UTC.
  std::ofstream(workdir() / "1000752301_P20240331013000.dat") << kLogger;
  EXPECT_EQ(Run({"import", "--archive", "z.gpkg", "1000752301_P20240331013000.dat"}, unknown), 0) << output;
  EXPECT_EQ(output, "trackctl import: warning: TZ names an unknown time zone, 'Foo/Bar'; local times are taken as UTC\n"
                    "trackctl import: 1000752301_P20240331013000.dat: 2 read, 2 new, 0 already archived, 0 not valid\n");
  EXPECT_EQ(Run({"export", "--archive", "z.gpkg", "-o", "z.gpx"}), 0) << output;
  const std::string stored = ReadFile(workdir() / "z.gpx");
  EXPECT_NE(stored.find("<time>2024-03-31T01:30:00Z</time>"), std::string::npos) << stored;
  EXPECT_NE(stored.find("<time>2024-03-31T01:31:00Z</time>"), std::string::npos) << stored;
  EXPECT_EQ(Run({"import", "--utc-offset", "+00:00", "--archive", "z.gpkg", "1000752301_P20240331013000.dat"}, unknown),
            0);
  EXPECT_EQ(output.find("warning"), std::string::npos) << output;
}

// Device text with ESC and control bytes: escaped on a terminal, as it is on a
// pipe; JSON escapes it anyway, and dates and times that do not exist are null.
TEST_F(OddFiles, DeviceTextIsEscapedOnATerminalOnly) {
  state.serialKey = "\x1b[31mKEY\x07\x7f";
  state.config.smsc = "+49\x1b]0;pwn\x07";
  state.status.loggerDateWord = 157 * 416 + 6 * 32 + 31;  // 31 June 2157
  state.status.bootupTimeWord = 0xFFFF;                   // 36:24:30
  StartSim();
  EXPECT_EQ(Run({"read-config"}), 0);
  EXPECT_NE(output.find("Serial key of Device = \x1b[31mKEY\x07\x7f\n"), std::string::npos) << output;
  EXPECT_NE(output.find("+49\x1b]0;pwn\x07\n"), std::string::npos) << output;

  StartSim();
  if (!UnderWine()) {
    RunOptions terminal;
    terminal.onTerminal = true;
    terminal.args = {"read-config"};
    Program& run = Start("", terminal);
    EXPECT_EQ(run.WaitExit(), 0);
    const std::string shown = run.Output();
    EXPECT_NE(shown.find("Serial key of Device = \\x1B[31mKEY\\x07\\x7F\n"), std::string::npos) << shown;
    EXPECT_NE(shown.find("+49\\x1B]0;pwn\\x07\n"), std::string::npos) << shown;
    EXPECT_EQ(shown.find('\x1b'), std::string::npos) << shown;
    EXPECT_EQ(shown.find('\x07'), std::string::npos) << shown;
  }

  // The fleet table of an archive that holds such text (a key from a file's
  // name, a version and type from a download): on a terminal one line a
  // device, the text escaped, the columns in line; piped, as it came. A
  // Windows file name holds no control character.
  if (UnderWine()) return;
  state.serialKey = "1000752301";
  state.version = "0\t0203";
  state.deviceType = "G\nT\x1b";
  StartSim();
  ASSERT_EQ(Run({"download", "sms", "--archive", "f.gpkg"}), 0) << output;
  std::ofstream(workdir() / "\x1b[31mKEY\x07\x7f_P20240331013000.dat") << kLogger;
  ASSERT_EQ(Run({"import", "--archive", "f.gpkg", "--", "\x1b[31mKEY\x07\x7f_P20240331013000.dat"}), 0) << output;
  EXPECT_EQ(Run({"archive", "--archive", "f.gpkg"}), 0);
  EXPECT_NE(output.find("\n\x1b[31mKEY\x07\x7f  "), std::string::npos) << output;
  EXPECT_NE(output.find("  0\t:02:03  G\nT\x1b\n"), std::string::npos) << output;
  if (!UnderWine()) {
    RunOptions terminal;
    terminal.onTerminal = true;
    terminal.args = {"archive", "--archive", "f.gpkg"};
    Program& run = Start("", terminal);
    EXPECT_EQ(run.WaitExit(), 0);
    const std::vector<std::string> lines = Lines(run.Output());
    ASSERT_EQ(lines.size(), 3u) << run.Output();
    EXPECT_TRUE(lines[1].starts_with("\\x1B[31mKEY\\x07\\x7F  ")) << lines[1];
    EXPECT_TRUE(lines[2].starts_with("1000752301  ")) << lines[2];
    EXPECT_TRUE(lines[2].ends_with("  0\\x09:02:03  G\\x0AT\\x1B")) << lines[2];
    EXPECT_EQ(lines[0].find("records") + 7, lines[1].find("2  ") + 1) << run.Output();  // the columns line up
    EXPECT_EQ(lines[0].find("records") + 7, lines[2].find("300") + 3) << run.Output();
  }

  StartSim();
  RunOptions apart;
  apart.stdoutFile = "out.json";
  EXPECT_EQ(Run({"--json", "read-config"}, apart), 0);
  const nlohmann::json json = nlohmann::json::parse(ReadFile(workdir() / "out.json"));
  EXPECT_EQ(json["status"]["lastLoggerDate"], nullptr);
  EXPECT_EQ(json["status"]["loggerDateWord"], 157 * 416 + 6 * 32 + 31);
  EXPECT_EQ(json["status"]["lastBootupTime"], nullptr);
  EXPECT_EQ(json["status"]["bootupTimeWord"], 0xFFFF);
  EXPECT_EQ(json["status"]["lastBootupDate"], "2005-06-15");
  EXPECT_EQ(json["config"]["smsc"], "+49\x1b]0;pwn\x07");
}

}  // namespace
}  // namespace trackctl::e2e
