#include "archive/logger_file_records.h"

#include <filesystem>

#include "export/line_splitter.h"
#include "logger/logger_file_name.h"
#include "logger/logger_line.h"

namespace trackctl {

std::optional<ArchiveDownload> DownloadOfFileName(std::string_view path) {
  const std::string name = std::filesystem::path(path).filename().string();
  const std::optional<LoggerFileNameParts> parts = ReadLoggerFileName(name);
  if (!parts) return std::nullopt;
  ArchiveDownload download;
  download.fileName = name;
  download.device = parts->serialKey;
  download.sector = parts->sectorLetter == SectorLetter(Sector::kSms) ? Sector::kSms : Sector::kDataCall;
  download.downloaded = parts->downloaded;
  return download;
}

LoggerFileRecords ReadLoggerFileRecords(std::string_view text, LocalTimeRule& rule) {
  LoggerFileRecords file;
  LineSplitter splitter(kMaxLoggerLineLength);
  std::size_t number = 0;
  const auto onLine = [&](std::string_view line) {
    ++number;
    if (line.empty()) return;  // an empty line holds no record, and is no fault
    if (const std::optional<LoggerLine> parsed = ParseLoggerLine(line)) {
      file.records.push_back(MakeTrackPoint(*parsed, rule));
    } else {
      file.notLoggerLines.push_back(number);
    }
  };
  splitter.Feed(text, onLine);
  splitter.Finish(onLine);
  return file;
}

}  // namespace trackctl
