// Runs the real trackctl binary against the simulated device in this process and
// prints table rows: logger download of a 1 MiB sector and firmware upload of a
// 256 KiB image, unpaced and at a serial line's speed, and the start-up handshake
// and READCONFIG round trip. Every figure is the median of its runs.
//
//   transfer_bench [--runs N] [--paced-runs N] [--baud N] [--unpaced-only]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <functional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/program_run.h"
#include "sim/pty_server.h"

namespace trackctl::bench {
namespace {

using namespace std::chrono_literals;

constexpr std::size_t kSectorRecords = 47'662;  // 1 MiB of 22-byte records
constexpr std::size_t kImageSize = 256 * 1024;
constexpr const char* kImageName = "bench.bin";
constexpr std::chrono::seconds kRunLimit = 600s;
// After the data block the program waits this long for a quiet line.
constexpr double kQuietWaitSeconds = 0.02;
// Every script ends after one command: the program waits for a key press then.
constexpr const char* kWaiting = "Press any key to Continue...";

struct Options {
  int runs = 5;
  int pacedRuns = 3;
  unsigned baud = 115200;
  bool unpacedOnly = false;
};

// What one run of a command gives.
struct Sample {
  double wall = 0;  // seconds the command took
  double cpu = 0;   // seconds of CPU for the whole run of the program
  double rssMiB = 0;
};

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t mid = values.size() / 2;
  return values.size() % 2 != 0 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

void Expect(bool condition, const std::string& what, const ProgramRun& run) {
  if (!condition) throw std::runtime_error(what + "; the program's output:\n" + run.output);
}

Sample SampleOf(const ProgramRun& run, double wall) {
  return Sample{wall, run.cpuSeconds, static_cast<double>(run.maxRssKiB) / 1024.0};
}

// Lines of the one logger file in `workdir`, which is removed.
std::size_t TakeLoggerFileLines(const std::filesystem::path& workdir) {
  for (const auto& entry : std::filesystem::directory_iterator(workdir)) {
    if (entry.path().extension() != ".dat") continue;
    std::ifstream file(entry.path(), std::ios::binary);
    const std::size_t lines = static_cast<std::size_t>(
        std::count(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>(), '\n'));
    file.close();
    std::filesystem::remove(entry.path());
    return lines;
  }
  return 0;
}

Sample Download(unsigned baud, const std::filesystem::path& workdir) {
  tracksim::DeviceState state;
  state.dataCallSector = tracksim::DefaultLoggerRecords(kSectorRecords, 9, 45);
  tracksim::PtyServer server(tracksim::Device(state), baud);
  const ProgramRun run = RunProgram(TRACKCTL_BINARY, "1\n3\n2\n", kWaiting, workdir, server.slavePath(), kRunLimit);
  Expect(run.status == 0, "the download run failed", run);
  Expect(TakeLoggerFileLines(workdir) == kSectorRecords, "the logger file lacks records", run);
  return SampleOf(run, run.SecondsBetween("Sending Logger Read command to Device",
                                          "Reading data from DataCall sector : Done..."));
}

Sample Upload(unsigned baud, const std::filesystem::path& workdir) {
  tracksim::PtyServer server(tracksim::Device{}, baud);
  const std::string input = std::string("1\n4\n") + kImageName + "\n";
  const ProgramRun run = RunProgram(TRACKCTL_BINARY, input, kWaiting, workdir, server.slavePath(), kRunLimit);
  Expect(run.status == 0 && run.output.find("Upgrade Code : Done...") != std::string::npos, "the upload failed", run);
  Expect(server.WithDevice([](tracksim::Device& device) { return device.state().codeImageSize; }) == kImageSize,
         "the device did not take the image", run);
  return SampleOf(run, run.SecondsBetween("Filelength in bytes is", "Upgrade Code : Done..."));
}

// Start-up to the menu, and the READCONFIG round trip, from one run.
std::pair<Sample, Sample> HandshakeAndReadConfig(const std::filesystem::path& workdir) {
  tracksim::PtyServer server(tracksim::Device{});
  const ProgramRun run = RunProgram(TRACKCTL_BINARY, "1\n1\n", kWaiting, workdir, server.slavePath(), kRunLimit);
  Expect(run.status == 0, "the READCONFIG run failed", run);
  const auto menu = run.TimeOf("Initializing Device : Done...");
  Expect(menu.has_value(), "no handshake", run);
  const double startUp = std::chrono::duration<double>(*menu - run.started).count();
  return {SampleOf(run, startUp),
          SampleOf(run, run.SecondsBetween("Sending READ CONFIG command to Device", kWaiting))};
}

std::string Rate(double bytesPerSecond) {
  char text[32];
  if (bytesPerSecond >= 1e5) {
    std::snprintf(text, sizeof text, "%.2f MB/s", bytesPerSecond / 1e6);
  } else {
    std::snprintf(text, sizeof text, "%.2f kB/s", bytesPerSecond / 1e3);
  }
  return text;
}

std::string Duration(double seconds) {
  char text[32];
  if (seconds >= 1) {
    std::snprintf(text, sizeof text, "%.2f s", seconds);
  } else {
    std::snprintf(text, sizeof text, "%.1f ms", seconds * 1e3);
  }
  return text;
}

// One table row: | what | runs | wall | CPU | peak RSS | rate | line efficiency |
void PrintRow(const std::string& what, const std::vector<Sample>& samples, const std::string& rate,
              const std::string& efficiency) {
  std::vector<double> cpu;
  std::vector<double> rss;
  std::vector<double> wall;
  for (const Sample& s : samples) {
    wall.push_back(s.wall);
    cpu.push_back(s.cpu);
    rss.push_back(s.rssMiB);
  }
  std::printf("| %s | %zu | %s | %s | %.1f MiB | %s | %s |\n", what.c_str(), samples.size(), Duration(Median(wall)).c_str(),
              Duration(Median(cpu)).c_str(), Median(rss), rate.c_str(), efficiency.c_str());
  std::fflush(stdout);
}

double MedianWall(const std::vector<Sample>& samples) {
  std::vector<double> wall;
  for (const Sample& s : samples) wall.push_back(s.wall);
  return Median(wall);
}

std::vector<Sample> Repeat(int runs, const std::function<Sample()>& once) {
  std::vector<Sample> samples;
  for (int i = 0; i < runs; ++i) samples.push_back(once());
  return samples;
}

void WriteImage(const std::filesystem::path& path) {
  std::mt19937 random(8);
  std::vector<char> image(kImageSize);
  for (char& byte : image) byte = static_cast<char>(random());
  std::ofstream(path, std::ios::binary).write(image.data(), static_cast<std::streamsize>(image.size()));
}

void Run(const Options& options, const std::filesystem::path& workdir) {
  const double lineBytesPerSecond = options.baud / 10.0;
  const std::string baud = std::to_string(options.baud) + " baud";
  // Bytes on the line during each command, both ways: the line time they need
  // at the least, one after the other.
  const std::size_t recordBytes = kSectorRecords * tracksim::kLoggerRecordSize;
  const std::size_t downloadLineBytes =
      7 + std::string("\xEAOREAD_OK_" + std::to_string(recordBytes) + "\xE4").size() + 1 + recordBytes;
  const std::size_t uploadLineBytes = 1 + 16 + 9 + kImageSize + 4 + 10;
  WriteImage(workdir / kImageName);

  const auto download = Repeat(options.runs, [&] { return Download(0, workdir); });
  PrintRow("Logger download, 1 MiB (47,662 records), unpaced", download,
           Rate(static_cast<double>(recordBytes) / (MedianWall(download) - kQuietWaitSeconds)), "-");
  const auto upload = Repeat(options.runs, [&] { return Upload(0, workdir); });
  PrintRow("Firmware upload, 256 KiB, unpaced", upload, Rate(kImageSize / MedianWall(upload)), "-");

  std::vector<Sample> startUp;
  std::vector<Sample> readConfig;
  for (int i = 0; i < options.runs; ++i) {
    const auto [first, second] = HandshakeAndReadConfig(workdir);
    startUp.push_back(first);
    readConfig.push_back(second);
  }
  PrintRow("Start-up and handshake, unpaced", startUp, "-", "-");
  PrintRow("READCONFIG round trip, unpaced", readConfig, "-", "-");
  if (options.unpacedOnly) return;

  char efficiency[16];
  const auto pacedDownload = Repeat(options.pacedRuns, [&] { return Download(options.baud, workdir); });
  std::snprintf(efficiency, sizeof efficiency, "%.4f",
                static_cast<double>(downloadLineBytes) / lineBytesPerSecond / MedianWall(pacedDownload));
  PrintRow("Logger download, 1 MiB, " + baud, pacedDownload,
           Rate(static_cast<double>(recordBytes) / MedianWall(pacedDownload)), efficiency);
  const auto pacedUpload = Repeat(options.pacedRuns, [&] { return Upload(options.baud, workdir); });
  std::snprintf(efficiency, sizeof efficiency, "%.4f",
                static_cast<double>(uploadLineBytes) / lineBytesPerSecond / MedianWall(pacedUpload));
  PrintRow("Firmware upload, 256 KiB, " + baud, pacedUpload, Rate(kImageSize / MedianWall(pacedUpload)), efficiency);
}

int Count(const char* text) {
  const int value = std::atoi(text);
  if (value < 1) throw std::runtime_error(std::string("not a count: ") + text);
  return value;
}

}  // namespace
}  // namespace trackctl::bench

int main(int argc, char** argv) {
  using namespace trackctl::bench;
  try {
    Options options;
    for (int i = 1; i < argc; ++i) {
      const std::string arg = argv[i];
      const bool hasValue = i + 1 < argc;
      if (arg == "--runs" && hasValue) {
        options.runs = Count(argv[++i]);
      } else if (arg == "--paced-runs" && hasValue) {
        options.pacedRuns = Count(argv[++i]);
      } else if (arg == "--baud" && hasValue) {
        options.baud = static_cast<unsigned>(Count(argv[++i]));
      } else if (arg == "--unpaced-only") {
        options.unpacedOnly = true;
      } else {
        std::fprintf(stderr, "usage: transfer_bench [--runs N] [--paced-runs N] [--baud N] [--unpaced-only]\n");
        return 2;
      }
    }
    char pattern[] = "/tmp/trackctl-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp failed");
    const std::filesystem::path workdir = pattern;
    try {
      Run(options, workdir);
    } catch (...) {
      std::filesystem::remove_all(workdir);
      throw;
    }
    std::filesystem::remove_all(workdir);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "transfer_bench: %s\n", error.what());
    return 1;
  }
}
