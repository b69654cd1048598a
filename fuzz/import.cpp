// The import into the archive: any bytes as a logger file go into a GeoPackage
// archive. Every record is counted once as new, already archived or not valid;
// importing the file again, under its own name or as a later download, adds
// nothing; the archive gives back each valid record once.
//
// Input, as the export target's: byte 0 picks the sector (bit 0); byte 1 the
// UTC offset; byte 2 is not used; then the file's name up to the first '\n' (at
// most 64 bytes), then its text. Each input is a device of its own in one
// archive that the whole run shares.
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <tuple>

#include "archive/download_file_name.h"
#include "track/logger_file_reader.h"
#include "archive/open_archive.h"
#include "fuzz/fuzz_support.h"

using namespace trackctl;

namespace {

// A folder in memory where there is one: each import's commit waits for the
// disk otherwise.
std::filesystem::path ArchiveFolder() {
  std::error_code error;
  if (std::filesystem::is_directory("/dev/shm", error)) return "/dev/shm";
  return std::filesystem::temp_directory_path();
}

// The run's archive, removed when the run ends.
class RunArchive {
 public:
  RunArchive() : path_(ArchiveFolder() / ("fuzz_import_" + std::to_string(::getpid()) + ".gpkg")) {
    auto opened = OpenArchive(path_.string(), ArchiveAccess::kCreate);
    FUZZ_CHECK(std::holds_alternative<std::unique_ptr<Archive>>(opened));
    archive_ = std::move(std::get<std::unique_ptr<Archive>>(opened));
  }
  ~RunArchive() {
    archive_.reset();
    for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(path_.string() + suffix);
  }
  Archive& archive() { return *archive_; }

 private:
  std::filesystem::path path_;
  std::unique_ptr<Archive> archive_;
};

ImportCounts Imported(Archive& archive, const ArchiveDownload& download, const std::vector<TrackPoint>& records) {
  auto imported = archive.Import(download, records);
  FUZZ_CHECK(std::holds_alternative<ImportCounts>(imported));
  const ImportCounts counts = std::get<ImportCounts>(imported);
  FUZZ_CHECK(counts.read == records.size());
  FUZZ_CHECK(counts.added + counts.alreadyArchived == counts.read);
  return counts;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static RunArchive run;
  static std::size_t inputs = 0;
  if (size < 3) return 0;
  std::string_view rest(reinterpret_cast<const char*>(data + 3), size - 3);
  const std::size_t nameEnd = std::min<std::size_t>(rest.find('\n'), std::min<std::size_t>(rest.size(), 64));
  const std::string_view name = rest.substr(0, nameEnd);
  const std::string_view text = rest.substr(std::min(rest.size(), nameEnd + 1));

  ArchiveDownload download = DownloadOfFileName(name).value_or(ArchiveDownload{});
  download.device = "fuzz" + std::to_string(++inputs);
  download.sector = (data[0] & 1u) != 0 ? Sector::kDataCall : Sector::kSms;
  download.fileName = std::string(name);
  FixedOffsetRule rule((static_cast<int>(data[1]) - 128) * 11);
  const LoggerFileRecords file = ReadLoggerFileRecords(text, rule);

  Archive& archive = run.archive();
  const ImportCounts first = Imported(archive, download, file.records);
  FUZZ_CHECK(first.notValid ==
             static_cast<std::size_t>(std::count_if(file.records.begin(), file.records.end(), [](const TrackPoint& p) {
               return p.problem != PointProblem::kNone;
             })));
  FUZZ_CHECK(Imported(archive, download, file.records).added == 0);
  ArchiveDownload later = download;
  later.downloaded.year += 1;
  FUZZ_CHECK(Imported(archive, later, file.records).added == 0);

  // Each valid record once: the lines that differ, as the archive gives them back.
  std::set<std::tuple<std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t,
                      std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t, std::uint64_t, std::uint64_t,
                      std::uint64_t, std::uint64_t>>
      valid;
  std::size_t distinct = 0;
  for (const TrackPoint& point : file.records) {
    const LoggerLine& l = point.line;
    const bool isNew = valid.emplace(l.headCode, l.headState, l.flagCode, l.column4, l.hours, l.minutes, l.seconds,
                                     l.day, l.month, l.year, l.longitude, l.latitude, l.byteValue, l.wideValue)
                           .second;
    if (isNew && point.problem == PointProblem::kNone) ++distinct;
  }
  FUZZ_CHECK(first.added == valid.size());
  std::size_t points = 0;
  TrackQuery query;
  query.devices = {download.device};
  FUZZ_CHECK(!archive.Points(query, [&points](const std::string&, const TrackPoint&) { ++points; }));
  FUZZ_CHECK(points == distinct);
  return 0;
}
