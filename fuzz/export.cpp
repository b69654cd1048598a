// The export: any bytes as a logger file, converted into each format, must give
// well-formed output (the XML formats read by libxml2, GeoJSON by a JSON
// library, CSV rows of 17 fields) that holds every point, and count every line.
//
// Input: byte 0 picks the format (bits 0-2), a UTC offset or this machine's zone
// (bit 3) and one track or two (bit 4); byte 1 the split gap in minutes and the
// offset; byte 2 the size of the pieces the text is read in; then the file's
// name up to the first '\n' (at most 64 bytes), then its text.
#include <libxml/parser.h>

#include <algorithm>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "track/machine_zone.h"
#include "export/track_converter.h"
#include "export/export_formats.h"
#include "fuzz/fuzz_support.h"

using namespace trackctl;

namespace {

std::size_t Count(std::string_view text, std::string_view part) {
  std::size_t count = 0;
  for (std::size_t at = 0; (at = text.find(part, at)) != std::string_view::npos; at += part.size()) ++count;
  return count;
}

// Lines as the export counts them: each line end, and a last line without one.
// The lines that are not empty (a CR before the LF, or alone at the end, is part
// of the line end): empty ones are passed over.
std::size_t Lines(std::string_view text) {
  std::size_t lines = 0;
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!line.empty()) ++lines;
    text.remove_prefix(std::min(end + 1, text.size()));
  }
  return lines;
}

bool WellFormedXml(const std::string& text) {
  xmlDocPtr document = xmlReadMemory(text.data(), static_cast<int>(text.size()), "export.xml", "UTF-8",
                                     XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
  if (document == nullptr) return false;
  xmlFreeDoc(document);
  return true;
}

// Fields of a CSV row, quotes taken into account.
std::size_t CsvFields(std::string_view row) {
  std::size_t fields = 1;
  bool quoted = false;
  for (const char c : row) {
    if (c == '"') quoted = !quoted;
    if (c == ',' && !quoted) ++fields;
  }
  FUZZ_CHECK(!quoted);
  return fields;
}

void CheckOutput(std::string_view format, const std::string& text, const ExportCounts& counts) {
  if (format == "gpx") {
    FUZZ_CHECK(WellFormedXml(text));
    FUZZ_CHECK(Count(text, "<trkpt ") == counts.points);
    FUZZ_CHECK(Count(text, "<trkseg>") == counts.segments);
  } else if (format == "kml") {
    FUZZ_CHECK(WellFormedXml(text));
    FUZZ_CHECK(Count(text, "<when>") == counts.points && Count(text, "<gx:coord>") == counts.points);
    FUZZ_CHECK(Count(text, "<gx:Track>") == counts.segments);
  } else if (format == "geojson") {
    const nlohmann::json json = nlohmann::json::parse(text, nullptr, false);
    FUZZ_CHECK(!json.is_discarded());
    FUZZ_CHECK(json["features"].size() == counts.points);
  } else if (format == "csv") {
    FUZZ_CHECK(text.ends_with("\r\n"));
    std::string_view rest(text);
    std::size_t rows = 0;
    for (std::size_t end; (end = rest.find("\r\n")) != std::string_view::npos; rest.remove_prefix(end + 2), ++rows) {
      FUZZ_CHECK(CsvFields(rest.substr(0, end)) == 17);
    }
    FUZZ_CHECK(rows == 1 + counts.points + counts.LeftOutTotal());
  } else {
    FUZZ_CHECK(format == "svg");  // a new format needs its check here
    FUZZ_CHECK(WellFormedXml(text));
    FUZZ_CHECK(Count(text, "<polyline ") == counts.segments);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const ExportFormat& format = ExportFormats()[(data[0] & 7u) % ExportFormats().size()];
  const bool machineZone = (data[0] & 8u) != 0;
  const bool twoTracks = (data[0] & 16u) != 0;
  const std::size_t piece = std::size_t{data[2]} + 1;
  std::string_view rest(reinterpret_cast<const char*>(data + 3), size - 3);
  const std::size_t nameEnd = std::min<std::size_t>(rest.find('\n'), std::min<std::size_t>(rest.size(), 64));
  const std::string_view name = rest.substr(0, nameEnd);
  const std::string_view text = rest.substr(std::min(rest.size(), nameEnd + 1));
  const std::size_t half = twoTracks ? text.size() / 2 : text.size();
  const std::string_view tracks[] = {text.substr(0, half), text.substr(half)};

  StringSink out;
  StringSink spool;
  const auto writer = format.makeWriter(out, spool);
  FixedOffsetRule offset((static_cast<int>(data[1]) - 128) * 11);
  MachineZoneRule zone;
  LocalTimeRule& rule = machineZone ? static_cast<LocalTimeRule&>(zone) : offset;
  std::size_t badLines = 0;
  TrackConverter converter(*writer, rule, std::int64_t{data[1]} * 60, [&badLines](std::size_t) { ++badLines; });
  std::size_t lines = 0;
  for (std::size_t t = 0; t < (twoTracks ? 2u : 1u); ++t) {
    converter.BeginTrack(name);
    for (std::string_view left = tracks[t]; !left.empty(); left.remove_prefix(std::min(piece, left.size()))) {
      converter.Text(left.substr(0, piece));
    }
    converter.EndTrack();
    lines += Lines(tracks[t]);
  }
  converter.Finish();

  const ExportCounts& counts = converter.counts();
  FUZZ_CHECK(badLines == counts.notLoggerLines);
  FUZZ_CHECK(counts.points + counts.LeftOutTotal() + counts.notLoggerLines == lines);
  FUZZ_CHECK(counts.segments <= counts.points);
  CheckOutput(format.name, out.text(), counts);
  return 0;
}
