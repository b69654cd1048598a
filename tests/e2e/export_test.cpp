// trackctl export through the real binary: a sector downloaded from the
// simulated device, converted to every format and read back by independent
// readers (gpsbabel, xmllint, a JSON library, the CSV's own columns); CR LF
// files; bad input and failed exports.
#include <time.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include <nlohmann/json.hpp>

#include "tests/e2e/harness.h"

namespace trackctl::e2e {
namespace {

namespace fs = std::filesystem;
using tracksim::LoggerRecordBytes;

constexpr std::int64_t kOffsetSeconds = 5 * 3600 + 30 * 60;  // --utc-offset +05:30

// Whether `tool` can be run. A missing tool skips its checks, except under CI,
// where every check must run.
bool Have(const std::string& tool) {
  int status = 0;
  Shell("command -v " + tool + " >/dev/null 2>&1", status);
  if (status == 0) return true;
  const char* ci = std::getenv("CI");
  if (ci != nullptr && std::string(ci) == "true") ADD_FAILURE() << tool << " is not installed, and CI=true";
  return false;
}

std::uint32_t Word(const LoggerRecordBytes& b, std::size_t at, std::size_t width) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < width; ++i) value = value << 8 | b[at + i];
  return value;
}

// The record's local date and time, as seconds since 1970 as if they were UTC.
std::int64_t LocalSeconds(const LoggerRecordBytes& b) {
  const unsigned date = Word(b, 5, 2);
  tm fields{};
  fields.tm_year = static_cast<int>(date / 416 + 100);
  fields.tm_mon = static_cast<int>(date % 416 / 32) - 1;
  fields.tm_mday = static_cast<int>(date % 32);
  fields.tm_sec = static_cast<int>(2 * Word(b, 3, 2) + (b[2] >> 6 & 1u));
  return timegm(&fields);
}

void SetLocalSeconds(LoggerRecordBytes& b, std::int64_t seconds) {
  const time_t instant = static_cast<time_t>(seconds);
  tm fields{};
  gmtime_r(&instant, &fields);
  const unsigned t = static_cast<unsigned>(fields.tm_hour * 3600 + fields.tm_min * 60 + fields.tm_sec);
  const unsigned date = static_cast<unsigned>((fields.tm_year - 100) * 416 + (fields.tm_mon + 1) * 32 + fields.tm_mday);
  b[2] = static_cast<std::uint8_t>((b[2] & 0xBF) | (t & 1u) << 6);
  b[3] = static_cast<std::uint8_t>(t / 2 >> 8), b[4] = static_cast<std::uint8_t>(t / 2);
  b[5] = static_cast<std::uint8_t>(date >> 8), b[6] = static_cast<std::uint8_t>(date);
}

std::string Iso(std::int64_t seconds) {
  const time_t instant = static_cast<time_t>(seconds);
  tm fields{};
  gmtime_r(&instant, &fields);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &fields);
  return text;
}

// What a point of the track must be: the record's place, and its local time at +05:30 in UTC.
struct Expected {
  double latitude;
  double longitude;
  std::string utc;
  int segment;
};

class Export : public E2eTest {
 protected:
  // Runs `trackctl export` with `args`; returns its exit status, what it printed in `output`.
  int RunExport(std::vector<std::string> args, std::string& output, const RunOptions& options = {}) {
    args.insert(args.begin(), "export");
    return RunArgs(std::move(args), output, options, 60s);
  }
};

// gpsbabel reads a GPX or KML track back; the latitude, longitude and UTC time
// of each point, to 1e-6 degrees and the second.
void ExpectGpsbabelReadsBack(const fs::path& file, const char* format, const std::vector<Expected>& points) {
  int status = 0;
  const std::string csv =
      Shell("TZ=UTC gpsbabel -t -i " + std::string(format) + " -f '" + file.string() + "' -o unicsv -F - 2>&1", status);
  ASSERT_EQ(status, 0) << csv;
  std::vector<std::string> rows = Split(csv, "\n");
  for (std::string& row : rows) {
    if (!row.empty() && row.back() == '\r') row.pop_back();
  }
  while (!rows.empty() && rows.back().empty()) rows.pop_back();
  ASSERT_EQ(rows.size(), points.size() + 1) << format << "\n" << csv.substr(0, 400);
  const std::vector<std::string> header = Split(rows[0], ",");
  const auto column = [&header](const std::string& name) {
    return static_cast<std::size_t>(std::find(header.begin(), header.end(), name) - header.begin());
  };
  const std::size_t lat = column("Latitude"), lon = column("Longitude"), date = column("Date"), time = column("Time");
  ASSERT_LT(std::max({lat, lon, date, time}), header.size()) << rows[0];
  for (std::size_t i = 0; i < points.size(); ++i) {
    const std::vector<std::string> cells = Split(rows[i + 1], ",");
    ASSERT_EQ(cells.size(), header.size()) << rows[i + 1];
    EXPECT_NEAR(std::stod(cells[lat]), points[i].latitude, 1e-6) << format << " point " << i;
    EXPECT_NEAR(std::stod(cells[lon]), points[i].longitude, 1e-6) << format << " point " << i;
    std::string utc = cells[date] + "T" + cells[time] + "Z";
    std::replace(utc.begin(), utc.end(), '/', '-');
    EXPECT_EQ(utc, points[i].utc) << format << " point " << i;
  }
}

void ExpectWellFormedXml(const fs::path& file) {
  int status = 0;
  const std::string errors = Shell("xmllint --noout '" + file.string() + "' 2>&1", status);
  EXPECT_EQ(status, 0) << file << "\n" << errors;
}

TEST_F(Export, ADownloadedSectorInEveryFormatReadBackByOtherReaders) {
  // The default SMS sector (22:00 on 12 June 2005 onwards, every 30 s, past
  // midnight) with a 20-minute gap before record 150, a 5-minute step back at
  // record 200, and three points without a valid time or place.
  std::vector<LoggerRecordBytes> sector = tracksim::DefaultSmsSector();
  for (std::size_t j = 150; j < sector.size(); ++j) {
    SetLocalSeconds(sector[j], LocalSeconds(sector[j]) + 20 * 60 - (j >= 200 ? 5 * 60 + 30 * 50 : 0));
  }
  sector[10][5] = sector[10][6] = 0;  // empty date
  sector[20][3] = 0xA8, sector[20][4] = 0xC0;  // 24:00:00
  sector[30][7] = 0x22, sector[30][8] = 0x55, sector[30][9] = 0x51;  // latitude 90.00004
  state.smsSector = sector;
  std::vector<Expected> points;
  for (std::size_t j = 0; j < sector.size(); ++j) {
    if (j == 10 || j == 20 || j == 30) continue;
    points.push_back({Word(sector[j], 7, 3) / 25000.0, Word(sector[j], 10, 3) / 25000.0,
                      Iso(LocalSeconds(sector[j]) - kOffsetSeconds), j < 150 ? 1 : j < 200 ? 2 : 3});
  }

  AfterStartUp("3\n1\n\n0\n");
  const std::vector<std::string> downloaded = Files();
  ASSERT_EQ(downloaded.size(), 1u);
  const std::string logger = downloaded[0];
  const std::string stem = logger.substr(0, logger.size() - 4);
  const std::string track = "1000752301 SMS sector (downloaded " + stem.substr(12, 4) + "-" + stem.substr(16, 2) +
                            "-" + stem.substr(18, 2) + " " + stem.substr(20, 2) + ":" + stem.substr(22, 2) + ":" +
                            stem.substr(24, 2) + ")";
  const std::string leftOut = "3 left out (empty date: 1, hour 24 or more: 1, latitude above 90: 1)";

  std::string output;
  for (const char* format : {"gpx", "kml", "geojson", "svg"}) {
    const std::string out = format == std::string("gpx") ? stem + ".gpx" : std::string("trip.") + format;
    std::vector<std::string> args = {"--utc-offset", "+05:30", "--format", format, logger};
    if (out != stem + ".gpx") args.insert(args.begin(), {"-o", out});
    EXPECT_EQ(RunExport(args, output), 0) << output;
    EXPECT_EQ(output, "trackctl export: " + out + ": 297 points in 1 track and 3 segments; " + leftOut + "\n");
  }
  EXPECT_EQ(RunExport({"--utc-offset=+05:30", "--format=csv", "-o", "trip.csv", logger}, output), 0);
  EXPECT_EQ(output, "trackctl export: trip.csv: 300 rows; 3 without a valid time or place (empty date: 1, "
                    "hour 24 or more: 1, latitude above 90: 1)\n");
  EXPECT_EQ(Files(), (std::vector<std::string>{logger, stem + ".gpx", "trip.csv", "trip.geojson", "trip.kml",
                                               "trip.svg"}));

  if (Have("gpsbabel")) {
    ExpectGpsbabelReadsBack(workdir() / (stem + ".gpx"), "gpx", points);
    ExpectGpsbabelReadsBack(workdir() / "trip.kml", "kml", points);
  }
  if (Have("xmllint")) {
    for (const char* file : {"trip.kml", "trip.svg"}) ExpectWellFormedXml(workdir() / file);
    ExpectWellFormedXml(workdir() / (stem + ".gpx"));
  }
  const std::string gpx = ReadFile(stem + ".gpx");
  EXPECT_NE(gpx.find("<name>" + track + "</name>"), std::string::npos);
  EXPECT_EQ(Occurrences(gpx, "<trkseg>"), 3u);

  const nlohmann::json geojson = nlohmann::json::parse(ReadFile("trip.geojson"));
  EXPECT_EQ(geojson["type"], "FeatureCollection");
  ASSERT_EQ(geojson["features"].size(), points.size());
  for (std::size_t i = 0, j = 0; i < points.size(); ++i, ++j) {
    j += (j == 10 || j == 20 || j == 30) ? 1 : 0;
    const nlohmann::json& feature = geojson["features"][i];
    EXPECT_EQ(feature["geometry"]["type"], "Point");
    EXPECT_NEAR(feature["geometry"]["coordinates"][0].get<double>(), points[i].longitude, 1e-6);
    EXPECT_NEAR(feature["geometry"]["coordinates"][1].get<double>(), points[i].latitude, 1e-6);
    const nlohmann::json& properties = feature["properties"];
    EXPECT_EQ(properties["time"], points[i].utc);
    EXPECT_EQ(properties["segment"], points[i].segment) << i;
    EXPECT_EQ(properties["track"], track);
    EXPECT_EQ(properties["byteValue"].get<double>(), sector[j][1]);
    EXPECT_EQ(properties["wideValue"].get<double>(), Word(sector[j], 13, 4));
  }

  // Every row puts the logger line's columns back together, and adds its UTC time or problem.
  std::vector<std::string> loggerLines = Split(ReadFile(logger), UnderWine() ? "\r\n" : "\n");
  std::vector<std::string> rows = Split(ReadFile("trip.csv"), "\r\n");
  ASSERT_EQ(rows.size(), 302u);
  EXPECT_EQ(rows.back(), "");
  EXPECT_EQ(rows[0], "track,headCode,headState,flagCode,column4,hours,minutes,seconds,day,month,year,"
                     "longitude,latitude,byteValue,wideValue,utcTime,problem");
  for (std::size_t j = 0, i = 0; j < sector.size(); ++j) {
    const std::vector<std::string> c = Split(rows[j + 1], ",");
    ASSERT_EQ(c.size(), 17u) << rows[j + 1];
    EXPECT_EQ(c[0], track);
    EXPECT_EQ(c[1] + "," + c[2] + "," + c[3] + "," + c[4] + "," + c[5] + ":" + c[6] + ":" + c[7] + ".00," + c[8] +
                  ":" + c[9] + ":" + c[10] + "," + c[11] + "," + c[12] + "," + c[13] + "," + c[14] + ";",
              loggerLines[j]);
    const bool left = j == 10 || j == 20 || j == 30;
    EXPECT_EQ(c[15], left ? (j == 30 ? Iso(LocalSeconds(sector[j]) - kOffsetSeconds) : "") : points[i++].utc) << j;
    EXPECT_EQ(c[16], j == 10 ? "empty date" : j == 20 ? "hour 24 or more" : j == 30 ? "latitude above 90" : "");
  }

  const std::string svg = ReadFile("trip.svg");
  EXPECT_EQ(Occurrences(svg, "<polyline"), 3u);
  EXPECT_NE(svg.find(" UTC, 297 points</text>"), std::string::npos);
}

// A point on each side of the night when Central European clocks went forward
// (31 March 2024, 02:00 became 03:00).
const std::string kSpringLines =
    "5,1,0,0,1:30:0.00,31:3:2024,13.400000,52.500000,30.000000,100.000000;\r\n"
    "5,1,0,0,3:30:0.00,31:3:2024,13.410000,52.510000,30.000000,200.000000;\r\n";

TEST_F(Export, CrLfFilesAtAnOffsetAndInTheMachinesTimeZone) {
  WriteFile("spring.dat", kSpringLines);
  WriteFile("lf.dat", "5,1,0,0,4:0:0.00,31:3:2024,13.420000,52.520000,30.000000,300.000000;\n");
  std::string output;
  EXPECT_EQ(RunExport({"--utc-offset", "+01:00", "-o", "both.gpx", "spring.dat", "lf.dat"}, output), 0);
  EXPECT_EQ(output, "trackctl export: both.gpx: 3 points in 2 tracks and 3 segments\n");
  const std::string both = ReadFile("both.gpx");
  EXPECT_NE(both.find("<trk>\n<name>spring</name>\n<trkseg>\n"
                      "<trkpt lat=\"52.500000\" lon=\"13.400000\"><time>2024-03-31T00:30:00Z</time></trkpt>\n"
                      "</trkseg>\n<trkseg>\n"
                      "<trkpt lat=\"52.510000\" lon=\"13.410000\"><time>2024-03-31T02:30:00Z</time></trkpt>\n"
                      "</trkseg>\n</trk>\n<trk>\n<name>lf</name>\n<trkseg>\n"
                      "<trkpt lat=\"52.520000\" lon=\"13.420000\"><time>2024-03-31T03:00:00Z</time></trkpt>\n"),
            std::string::npos)
      << both;

  if (UnderWine()) return;  // the Windows C library reads TZ by rules of its own
  RunOptions zone;
  zone.env = {{"TZ", "CET-1CEST,M3.5.0,M10.5.0/3"}};
  EXPECT_EQ(RunExport({"--format", "csv", "spring.dat"}, output, zone), 0);
  const std::string csv = ReadFile("spring.csv");
  EXPECT_NE(csv.find(",13.400000,52.500000,30.000000,100.000000,2024-03-31T00:30:00Z,\r\n"), std::string::npos) << csv;
  EXPECT_NE(csv.find(",13.410000,52.510000,30.000000,200.000000,2024-03-31T01:30:00Z,\r\n"), std::string::npos) << csv;
}

TEST_F(Export, LinesThatAreNotLoggerLinesAreReportedAndTheRestWritten) {
  WriteFile("mixed.dat", std::string(kSpringLines) + "Reading data from SMS sector : Done...\r\n" +
                                          "5,1,0,0,4:0:0.00,31:3:2024,13.420000,52.520000,30.000000,300.000000;\r");
  std::string output;
  EXPECT_EQ(RunExport({"--utc-offset", "+01:00", "--split-gap", "120", "mixed.dat"}, output), 1);
  EXPECT_EQ(output, "mixed.dat:3: not a logger line\n"
                    "trackctl export: mixed.gpx: 3 points in 1 track and 1 segment; 1 line not a logger line\n");
  EXPECT_EQ(Occurrences(ReadFile("mixed.gpx"), "<trkpt "), 3u);
}

TEST_F(Export, AFailedExportLeavesNoFileAndAnOlderOutputAsItWas) {
  WriteFile("good.dat", kSpringLines);
  WriteFile("keep.gpx", "older");
  const struct {
    std::vector<std::string> args;
    std::string line;
  } cases[] = {
      {{"-o", "keep.gpx", "good.dat", "missing.dat"},
       "trackctl export: cannot read missing.dat: No such file or directory"},
      {{"-o", "keep.gpx", "good.dat", "."}, "trackctl export: cannot read .: "},
      {{"-o", "good.dat", "good.dat"}, "trackctl export: good.dat would be written over its own input"},
      {{"-o", ".", "good.dat"}, "trackctl export: cannot write .: a folder, not a file"},
      {{"-o", "new/", "good.dat"}, "trackctl export: cannot write new/: a folder, not a file"},
      {{"-o", "no-such-folder/out.gpx", "good.dat"},
       "trackctl export: cannot create a file beside no-such-folder/out.gpx: No such file or directory"},
      {{"--format", "shp", "-o", "keep.gpx", "good.dat"},
       "trackctl export: unknown format 'shp' (gpx, kml, geojson, csv or svg) (usage: trackctl --help)\n"},
      {{"--utc-offset", "+5", "-o", "keep.gpx", "good.dat"},
       "trackctl export: --utc-offset wants +HH:MM or -HH:MM, e.g. +05:30, not '+5' (usage: trackctl --help)\n"},
      {{"good.dat", "keep.gpx"}, "trackctl export: -o OUT is needed for more than one file (usage: trackctl --help)\n"},
  };
  for (const auto& [args, line] : cases) {
    std::string output;
    EXPECT_EQ(RunExport(args, output), 2) << line;
    EXPECT_EQ(output.substr(0, line.size()), line);
    EXPECT_EQ(Occurrences(output, "\n"), 1u) << output;
    EXPECT_EQ(Files(), (std::vector<std::string>{"good.dat", "keep.gpx"})) << line;
    EXPECT_EQ(ReadFile("keep.gpx"), "older");
    EXPECT_EQ(ReadFile("good.dat"), kSpringLines);
  }
  // Writes that fail: the file system takes no more than 4096 bytes of a file.
  std::string many;
  for (int i = 0; i < 100; ++i) many += kSpringLines;
  WriteFile("many.dat", many);
  for (const char* format : {"gpx", "kml"}) {
    RunOptions limited;
    limited.fileSizeLimit = 4096;
    std::string output;
    EXPECT_EQ(RunExport({"--utc-offset", "+01:00", "--format", format, "-o", "keep.gpx", "many.dat"}, output, limited),
              2);
    EXPECT_EQ(output.substr(0, 39), "trackctl export: cannot write keep.gpx:") << output;
    EXPECT_EQ(Files(), (std::vector<std::string>{"good.dat", "keep.gpx", "many.dat"}));
    EXPECT_EQ(ReadFile("keep.gpx"), "older");
  }
  // And one that succeeds replaces it.
  std::string output;
  EXPECT_EQ(RunExport({"--utc-offset", "+01:00", "-o", "keep.gpx", "good.dat"}, output), 0) << output;
  EXPECT_EQ(Occurrences(ReadFile("keep.gpx"), "<trkpt "), 2u);
  EXPECT_EQ(Files(), (std::vector<std::string>{"good.dat", "keep.gpx", "many.dat"}));
}

// The string value of an XPath expression over `file`, as xmllint reads it.
std::string XPathString(const fs::path& file, const std::string& expression) {
  int status = 0;
  std::string value = Shell("xmllint --xpath '" + expression + "' '" + file.string() + "' 2>&1", status);
  EXPECT_EQ(status, 0) << expression << "\n" << value;
  if (!value.empty() && value.back() == '\n') value.pop_back();
  return value;
}

// The rows of a CSV text, each a list of fields: quoted fields with doubled
// quotes, rows ending in CR LF.
std::vector<std::vector<std::string>> CsvRows(const std::string& text) {
  std::vector<std::vector<std::string>> rows(1, std::vector<std::string>(1));
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted && c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
      rows.back().back() += c, ++i;
    } else if (c == '"') {
      quoted = !quoted;
    } else if (!quoted && c == ',') {
      rows.back().emplace_back();
    } else if (!quoted && c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      rows.emplace_back(1), ++i;
    } else {
      rows.back().back() += c;
    }
  }
  rows.pop_back();  // after the last line end
  return rows;
}

TEST_F(Export, EveryKindOfByteInTrackNamesAndTwoTracksInEveryFormat) {
  if (UnderWine()) GTEST_SKIP() << "file names with bytes that Windows does not allow";
  // Control bytes, DEL, XML's specials, quotes, a comma, UTF-8 of two and four
  // bytes, and bytes that are not UTF-8; the first name begins as a formula would,
  // the second holds a quote without a comma.
  const std::string names[] = {"=1\x01\x7F&<>\"',\xC3\xA9\xFF", "\t\xF0\x9F\x9A\x97 \"\xC3(&amp;"};
  // As every reader must give them back: each byte that is not text becomes U+FFFD.
  const std::string u8shown[] = {"=1\xEF\xBF\xBD\xEF\xBF\xBD&<>\"',\xC3\xA9\xEF\xBF\xBD",
                                 "\xEF\xBF\xBD\xF0\x9F\x9A\x97 \"\xEF\xBF\xBD(&amp;"};
  // Three points in two segments, then two in one, the second track's five
  // minutes after the first's end: a segment of its own all the same.
  WriteFile(names[0] + ".dat",
            "5,1,0,0,1:0:0.00,31:3:2024,13.400000,52.500000,30.000000,100.000000;\n"
            "5,1,0,0,1:5:0.00,31:3:2024,13.410000,52.510000,30.000000,100.000000;\n"
            "5,1,0,0,2:0:0.00,31:3:2024,13.420000,52.520000,30.000000,100.000000;\n");
  WriteFile(names[1] + ".dat",
            "5,1,0,0,2:5:0.00,31:3:2024,13.430000,52.530000,30.000000,100.000000;\n"
            "5,1,0,0,2:6:0.00,31:3:2024,13.440000,52.540000,30.000000,100.000000;\n");
  const std::vector<Expected> points = {{52.50, 13.40, "2024-03-31T01:00:00Z", 1},
                                        {52.51, 13.41, "2024-03-31T01:05:00Z", 1},
                                        {52.52, 13.42, "2024-03-31T02:00:00Z", 2},
                                        {52.53, 13.43, "2024-03-31T02:05:00Z", 1},
                                        {52.54, 13.44, "2024-03-31T02:06:00Z", 1}};
  for (const char* format : {"gpx", "kml", "geojson", "csv", "svg"}) {
    std::string output;
    EXPECT_EQ(RunExport({"--utc-offset", "+00:00", "--format", format, "-o", std::string("out.") + format,
                         names[0] + ".dat", names[1] + ".dat"},
                        output),
              0)
        << output;
  }
  const bool xml = Have("xmllint");
  if (xml) {
    for (const char* file : {"out.gpx", "out.kml", "out.svg"}) ExpectWellFormedXml(workdir() / file);
  }
  if (Have("gpsbabel")) {
    ExpectGpsbabelReadsBack(workdir() / "out.gpx", "gpx", points);
    ExpectGpsbabelReadsBack(workdir() / "out.kml", "kml", points);
  }
  const std::size_t segments[] = {2, 1};
  for (std::size_t t = 0; xml && t < 2; ++t) {
    const std::string gpxTrack = "//*[local-name()=\"trk\"][" + std::to_string(t + 1) + "]";
    EXPECT_EQ(XPathString(workdir() / "out.gpx", "string(" + gpxTrack + "/*[local-name()=\"name\"])"), u8shown[t]);
    EXPECT_EQ(XPathString(workdir() / "out.gpx", "count(" + gpxTrack + "/*[local-name()=\"trkseg\"])"),
              std::to_string(segments[t]));
    const std::string placemark = "//*[local-name()=\"Placemark\"][" + std::to_string(t + 1) + "]";
    EXPECT_EQ(XPathString(workdir() / "out.kml", "string(" + placemark + "/*[local-name()=\"name\"])"), u8shown[t]);
    EXPECT_EQ(XPathString(workdir() / "out.kml", "count(" + placemark + "//*[local-name()=\"Track\"])"),
              std::to_string(segments[t]));
    EXPECT_EQ(XPathString(workdir() / "out.svg", "string(//*[local-name()=\"text\"][@x=\"52\"][" +
                                                     std::to_string(t + 1) + "])"),
              u8shown[t]);  // the legend
  }
  if (xml) {
    EXPECT_EQ(XPathString(workdir() / "out.svg", "string(/*/*[local-name()=\"title\"])"),
              u8shown[0] + ", " + u8shown[1]);
  }

  const nlohmann::json geojson = nlohmann::json::parse(ReadFile("out.geojson"));
  ASSERT_EQ(geojson["features"].size(), points.size());
  for (std::size_t i = 0; i < points.size(); ++i) {
    const nlohmann::json& properties = geojson["features"][i]["properties"];
    EXPECT_EQ(properties["track"], u8shown[i < 3 ? 0 : 1]) << i;
    EXPECT_EQ(properties["segment"], points[i].segment) << i;
    EXPECT_EQ(properties["time"], points[i].utc) << i;
  }

  // A spreadsheet would take a field that begins with '=' for a formula: it is quoted with '.
  const std::vector<std::vector<std::string>> rows = CsvRows(ReadFile("out.csv"));
  ASSERT_EQ(rows.size(), points.size() + 1);
  for (std::size_t i = 0; i < points.size(); ++i) {
    ASSERT_EQ(rows[i + 1].size(), rows[0].size()) << i;
    EXPECT_EQ(rows[i + 1][0], i < 3 ? "'" + u8shown[0] : u8shown[1]) << i;
    EXPECT_EQ(rows[i + 1][15], points[i].utc) << i;
  }
}

TEST_F(Export, AnOutputThatFailsOnlyAtItsEndLeavesTheOlderOne) {
  // Each format once whole, then with a file size limit one byte short of it.
  WriteFile("good.dat", kSpringLines);
  for (const char* format : {"gpx", "kml", "geojson", "csv", "svg"}) {
    std::string output;
    const std::string out = std::string("out.") + format;
    ASSERT_EQ(RunExport({"--utc-offset", "+01:00", "--format", format, "-o", out, "good.dat"}, output), 0) << output;
    const std::string whole = ReadFile(out);
    WriteFile(out, "older");
    RunOptions limited;
    limited.fileSizeLimit = whole.size() - 1;
    EXPECT_EQ(RunExport({"--utc-offset", "+01:00", "--format", format, "-o", out, "good.dat"}, output, limited), 2)
        << format << " of " << whole.size() << " bytes: " << output;
    EXPECT_EQ(output.substr(0, 30 + out.size()), "trackctl export: cannot write " + out) << output;
    EXPECT_EQ(ReadFile(out), "older") << format;
  }
  EXPECT_EQ(Files(), (std::vector<std::string>{"good.dat", "out.csv", "out.geojson", "out.gpx", "out.kml", "out.svg"}));
}

}  // namespace
}  // namespace trackctl::e2e
