// Logger text into tracks and segments, and each format's writer.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "app/offline/export_messages.h"
#include "export/export_formats.h"
#include "export/export_text.h"
#include "export/track_converter.h"

namespace trackctl {
namespace {

std::string Line(const std::string& time, const std::string& date, const std::string& lon = "77.594600",
                 const std::string& lat = "12.971520") {
  return "5,1,0,0," + time + ".00," + date + "," + lon + "," + lat + ",30.000000,74565.000000;";
}

struct Converted {
  std::string text;
  ExportCounts counts;
  std::vector<std::size_t> badLines;
};

// The format of that name.
const ExportFormat& Format(std::string_view name) {
  const ExportFormat* format = ExportFormatNamed(name);
  if (format == nullptr) throw std::invalid_argument("no format " + std::string(name));
  return *format;
}

// Each file's text as a track; a UTC offset of 0, so UTC times read as the lines' own.
Converted Convert(std::string_view format, const std::vector<std::pair<std::string, std::string>>& files,
                  int splitGapMinutes = kDefaultSplitGapMinutes) {
  StringSink out;
  StringSink spool;
  const auto writer = Format(format).makeWriter(out, spool);
  FixedOffsetRule rule(0);
  Converted result;
  TrackConverter converter(*writer, rule, splitGapMinutes * 60,
                           [&result](std::size_t line) { result.badLines.push_back(line); });
  for (const auto& [name, text] : files) {
    converter.BeginTrack(name);
    converter.Text(text);
    converter.EndTrack();
  }
  converter.Finish();
  result.text = out.text();
  result.counts = converter.counts();
  return result;
}

std::size_t Occurrences(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = 0; (at = text.find(part, at)) != std::string::npos; at += part.size()) ++count;
  return count;
}

// Exactly 10 minutes apart stays together, 10 minutes and a second splits, any
// step back splits; a point left out and a line that is not a logger line split nothing.
const std::string kTrip = Line("22:0:0", "12:6:2005") + "\n" + Line("22:10:0", "12:6:2005") + "\r\n" +
                          Line("22:15:0", "1:1:1970") + "\n" + Line("22:20:1", "12:6:2005", "77.600000") + "\n" +
                          Line("22:20:0", "12:6:2005", "77.610000") + "\n" + "not a line\n" +
                          Line("22:21:0", "12:6:2005", "77.620000", "13.000000");

TEST(TrackConverter, SegmentsSplitAtLongGapsAndStepsBack) {
  const Converted gpx = Convert("gpx", {{"1000752301 SMS sector & more", kTrip}});
  EXPECT_TRUE(gpx.text.starts_with("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<gpx version=\"1.1\" creator=\"trackctl "));
  EXPECT_NE(gpx.text.find(" xmlns=\"http://www.topografix.com/GPX/1/1\""), std::string::npos);
  EXPECT_EQ(gpx.text.substr(gpx.text.find("<trk>")),
            "<trk>\n<name>1000752301 SMS sector &amp; more</name>\n"
            "<trkseg>\n"
            "<trkpt lat=\"12.971520\" lon=\"77.594600\"><time>2005-06-12T22:00:00Z</time></trkpt>\n"
            "<trkpt lat=\"12.971520\" lon=\"77.594600\"><time>2005-06-12T22:10:00Z</time></trkpt>\n"
            "</trkseg>\n<trkseg>\n"
            "<trkpt lat=\"12.971520\" lon=\"77.600000\"><time>2005-06-12T22:20:01Z</time></trkpt>\n"
            "</trkseg>\n<trkseg>\n"
            "<trkpt lat=\"12.971520\" lon=\"77.610000\"><time>2005-06-12T22:20:00Z</time></trkpt>\n"
            "<trkpt lat=\"13.000000\" lon=\"77.620000\"><time>2005-06-12T22:21:00Z</time></trkpt>\n"
            "</trkseg>\n</trk>\n</gpx>\n");
  EXPECT_EQ(gpx.badLines, std::vector<std::size_t>{6});
  EXPECT_EQ(gpx.counts.points, 5u);
  EXPECT_EQ(gpx.counts.segments, 3u);
  EXPECT_EQ(gpx.counts.leftOut[static_cast<std::size_t>(PointProblem::kEmptyDate)], 1u);
  EXPECT_EQ(gpx.counts.LeftOutTotal(), 1u);
  EXPECT_EQ(gpx.counts.notLoggerLines, 1u);
  EXPECT_EQ(SummaryLine(gpx.counts, Format("gpx"), "trip.gpx"),
            "trackctl export: trip.gpx: 5 points in 1 track and 3 segments; 1 left out (empty date: 1); "
            "1 line not a logger line");

  // Any gap splits with a gap of 0; steps of no time do not.
  const Converted split = Convert("gpx", {{"t", kTrip + "\n" + Line("22:21:0", "12:6:2005")}}, 0);
  EXPECT_EQ(split.counts.segments, 5u);
  EXPECT_EQ(Occurrences(split.text, "<trkseg>"), 5u);

  // GPX has no longitude 180, only the same meridian as -180; KML keeps 180.
  const std::string dateLine = Line("22:0:0", "12:6:2005", "180.000000");
  EXPECT_NE(Convert("gpx", {{"t", dateLine}}).text.find(" lon=\"-180.000000\">"), std::string::npos);
  EXPECT_NE(Convert("kml", {{"t", dateLine}}).text.find("<gx:coord>180.000000 "), std::string::npos);
}

TEST(TrackConverter, EachFileIsATrackOfItsOwnWithItsOwnLineNumbers) {
  const std::string next = Line("22:20:30", "12:6:2005") + "\nx\n" + Line("25:0:0", "12:6:2005") + "\n";
  const Converted two = Convert("gpx", {{"first", kTrip}, {"second", next}});
  EXPECT_EQ(two.badLines, (std::vector<std::size_t>{6, 2}));
  EXPECT_EQ(two.counts.tracks, 2u);
  EXPECT_EQ(two.counts.segments, 4u);  // the second track's point begins a segment of its own
  EXPECT_EQ(Occurrences(two.text, "<trk>"), 2u);
  EXPECT_EQ(SummaryLine(two.counts, Format("csv"), "trip.csv"),
            "trackctl export: trip.csv: 8 rows; 2 without a valid time or place (empty date: 1, hour 24 or more: 1); "
            "2 lines not logger lines");
  // A file without a logger line is no track.
  const Converted none = Convert("gpx", {{"empty", ""}});
  EXPECT_EQ(SummaryLine(none.counts, Format("gpx"), "e.gpx"),
            "trackctl export: e.gpx: 0 points in 0 tracks and 0 segments");
  EXPECT_EQ(Occurrences(none.text, "<trk>"), 0u);
  EXPECT_EQ(SummaryLine(none.counts, Format("gpx"), "-"),
            "trackctl export: standard output: 0 points in 0 tracks and 0 segments");
}

TEST(KmlWriter, EachSegmentListsItsTimesThenItsPlaces) {
  const std::string text = Line("22:0:0", "12:6:2005") + "\n" + Line("23:0:0", "12:6:2005", "77.600000") + "\n" +
                           Line("23:0:30", "12:6:2005", "77.610000", "13.000000") + "\n";
  const std::string kml = Convert("kml", {{"a<b", text}}).text;
  const std::string body = kml.substr(kml.find("<Placemark>"));
  EXPECT_EQ(body,
            "<Placemark>\n<name>a&lt;b</name>\n<styleUrl>#track</styleUrl>\n<gx:MultiTrack>\n"
            "<gx:Track>\n<when>2005-06-12T22:00:00Z</when>\n<gx:coord>77.594600 12.971520 0</gx:coord>\n</gx:Track>\n"
            "<gx:Track>\n<when>2005-06-12T23:00:00Z</when>\n<when>2005-06-12T23:00:30Z</when>\n"
            "<gx:coord>77.600000 12.971520 0</gx:coord>\n<gx:coord>77.610000 13.000000 0</gx:coord>\n</gx:Track>\n"
            "</gx:MultiTrack>\n</Placemark>\n</Document>\n</kml>\n");
  EXPECT_NE(kml.find("xmlns:gx=\"http://www.google.com/kml/ext/2.2\""), std::string::npos);
}

TEST(GeoJsonAndCsvWriters, PointsWithTheirValuesAndEveryRowWithItsProblem) {
  const std::string text = Line("22:0:0", "12:6:2005") + "\n" + Line("99:0:0", "12:6:2005") + "\n" +
                           Line("23:0:0", "12:6:2005", "77.600000") + "\n" + Line("22:0:0", "12:6:0") + "\n";
  EXPECT_EQ(Convert("geojson", {{"key \"x\"", text}}).text,
            "{\"type\":\"FeatureCollection\",\"features\":[\n"
            "{\"type\":\"Feature\",\"geometry\":{\"type\":\"Point\",\"coordinates\":[77.594600,12.971520]},"
            "\"properties\":{\"track\":\"key \\\"x\\\"\",\"segment\":1,\"time\":\"2005-06-12T22:00:00Z\","
            "\"byteValue\":30.000000,\"wideValue\":74565.000000}},\n"
            "{\"type\":\"Feature\",\"geometry\":{\"type\":\"Point\",\"coordinates\":[77.600000,12.971520]},"
            "\"properties\":{\"track\":\"key \\\"x\\\"\",\"segment\":2,\"time\":\"2005-06-12T23:00:00Z\","
            "\"byteValue\":30.000000,\"wideValue\":74565.000000}}\n]}\n");
  EXPECT_EQ(Convert("geojson", {{"none", ""}}).text, "{\"type\":\"FeatureCollection\",\"features\":[\n]}\n");
  EXPECT_EQ(Convert("csv", {{"a,b", text}}).text,
            "track,headCode,headState,flagCode,column4,hours,minutes,seconds,day,month,year,"
            "longitude,latitude,byteValue,wideValue,utcTime,problem\r\n"
            "\"a,b\",5,1,0,0,22,0,0,12,6,2005,77.594600,12.971520,30.000000,74565.000000,2005-06-12T22:00:00Z,\r\n"
            "\"a,b\",5,1,0,0,99,0,0,12,6,2005,77.594600,12.971520,30.000000,74565.000000,,hour 24 or more\r\n"
            "\"a,b\",5,1,0,0,23,0,0,12,6,2005,77.600000,12.971520,30.000000,74565.000000,2005-06-12T23:00:00Z,\r\n"
            "\"a,b\",5,1,0,0,22,0,0,12,6,0,77.594600,12.971520,30.000000,74565.000000,,year before 1970 or after 9999\r\n");
}

TEST(SvgWriter, APolylinePerSegmentMarkedEndsAScaleBarAndACaption) {
  // One degree of latitude, straight north, below a legend of two lines: 476
  // pixels, so 0.234 km a pixel and a bar of 20 km (50 would be longer than 160 pixels).
  const std::string text = Line("10:0:0", "12:6:2005", "77.000000", "12.000000") + "\n" +
                           Line("10:30:0", "12:6:2005", "77.000000", "12.500000") + "\n" +
                           Line("10:31:0", "12:6:2005", "77.000000", "13.000000") + "\n";
  const std::string svg = Convert("svg", {{"north", text}, {"again", text}}).text;
  EXPECT_EQ(Occurrences(svg, "<polyline"), 4u);
  // A segment of one point is a wide dot: a line of no length with round caps.
  EXPECT_NE(svg.find("stroke-width=\"5\" stroke-linecap=\"round\" stroke-linejoin=\"round\" "
                     "points=\"400.0,536.0 400.0,536.0\"/>"),
            std::string::npos)
      << svg;
  EXPECT_NE(svg.find("stroke-width=\"2\" stroke-linecap=\"round\" stroke-linejoin=\"round\" "
                     "points=\"400.0,298.0 400.0,60.0\"/>"),
            std::string::npos)
      << svg;
  EXPECT_EQ(Occurrences(svg, "<circle"), 2u);
  EXPECT_NE(svg.find("<title>end 2005-06-12 10:31:00 UTC</title>"), std::string::npos);
  EXPECT_NE(svg.find(" v8 h85.6 v-8\"/>"), std::string::npos) << svg;
  EXPECT_NE(svg.find(">20 km</text>"), std::string::npos);
  EXPECT_NE(svg.find("<path stroke=\"#1565c0\" stroke-width=\"3\" d=\"M24 44 h20\"/><text x=\"52\" y=\"48\">again</text>"),
            std::string::npos);
  EXPECT_NE(svg.find(">2005-06-12 10:00:00 to 2005-06-12 10:31:00 UTC, 6 points</text>"), std::string::npos);
  // A degree north and then a degree east at 60 to 61 degrees north, where a
  // degree east is cos(60.5°) = 0.49 of a degree north: 494 pixels up, 243 across.
  const std::string ell = Line("10:0:0", "12:6:2005", "10.000000", "60.000000") + "\n" +
                          Line("10:1:0", "12:6:2005", "10.000000", "61.000000") + "\n" +
                          Line("10:2:0", "12:6:2005", "11.000000", "61.000000") + "\n";
  const std::string far = Convert("svg", {{"far north", ell}}).text;
  EXPECT_NE(far.find("points=\"278.4,536.0 278.4,42.0 521.6,42.0\"/>"), std::string::npos) << far;
  const std::string empty = Convert("svg", {{"none", ""}}).text;
  EXPECT_EQ(Occurrences(empty, "<polyline"), 0u);
  EXPECT_NE(empty.find(">no points with a valid time and place</text>"), std::string::npos);
}

TEST(ExportText, NamesOfAnyBytesBecomeValidUtf8AndAreEscaped) {
  const std::string name = "K\xC3\xB6ln <&> \"'\x01\xFF\xC3 \xED\xA0\x80 \xE2\x82\xAC";
  const std::string clean = "K\xC3\xB6ln <&> \"'\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD \xE2\x82\xAC";
  EXPECT_EQ(SanitizedText(name), clean);
  EXPECT_EQ(XmlEscaped("a<b>&\"c'"), "a&lt;b&gt;&amp;&quot;c&apos;");
  EXPECT_EQ(JsonString("a\"b\\c\n"), "\"a\\\"b\\\\c\xEF\xBF\xBD\"");
  EXPECT_EQ(CsvField("plain text"), "plain text");
  EXPECT_EQ(CsvField("a,\"b\""), "\"a,\"\"b\"\"\"");
  // What a spreadsheet would run as a formula is shown as text.
  EXPECT_EQ(CsvField("=HYPERLINK(\"x\")"), "\"'=HYPERLINK(\"\"x\"\")\"");
  EXPECT_EQ(CsvField("+1"), "'+1");
  EXPECT_EQ(CsvField("-trip"), "'-trip");
  EXPECT_EQ(CsvField("@SUM(A1)"), "'@SUM(A1)");
  EXPECT_EQ(CsvField("a=b"), "a=b");
}

TEST(ExportFormats, EachRowIsFoundByItsNameAndWritesAWholeDocument) {
  EXPECT_EQ(ExportFormats().front().name, "gpx");  // the default
  EXPECT_EQ(ExportFormatNames("|", "|"), "gpx|kml|geojson|csv|svg");
  EXPECT_EQ(ExportFormatNames(", ", " or "), "gpx, kml, geojson, csv or svg");
  EXPECT_EQ(ExportFormatNamed("GPX"), nullptr);
  for (const ExportFormat& format : ExportFormats()) {
    EXPECT_EQ(ExportFormatNamed(format.name), &format);
    EXPECT_EQ(DefaultOutputName("trip.dat", format), "trip." + std::string(format.name));
    // A spool that a writer uses is empty again once the document is written.
    StringSink out;
    StringSink spool;
    const auto writer = format.makeWriter(out, spool);
    FixedOffsetRule rule(0);
    TrackConverter converter(*writer, rule, 600, [](std::size_t) {});
    converter.BeginTrack("Night trip");
    converter.Text(kTrip);
    converter.EndTrack();
    converter.Finish();
    EXPECT_NE(out.text().find("Night trip"), std::string::npos) << format.name;
    EXPECT_TRUE(spool.text().empty()) << format.name;
  }
}

TEST(ExportOptions, OutputAndTrackNamesFromTheFileName) {
  EXPECT_EQ(DefaultOutputName("1000752301_P20261207064214.dat", Format("gpx")), "1000752301_P20261207064214.gpx");
  EXPECT_EQ(DefaultOutputName("dir.v2/trip", Format("geojson")), "dir.v2/trip.geojson");
  EXPECT_EQ(DefaultOutputName("C:\\logs\\trip.dat", Format("kml")), "C:\\logs\\trip.kml");
  EXPECT_EQ(DefaultOutputName(".hidden", Format("csv")), ".hidden.csv");
  EXPECT_EQ(TrackName("logs/1000752301_P20261207064214.dat"), "1000752301 SMS sector (downloaded 2026-12-07 06:42:14)");
  EXPECT_EQ(TrackName("AB_C      _O20050612143005.dat"), "AB_C       DataCall sector (downloaded 2005-06-12 14:30:05)");
  EXPECT_EQ(TrackName("1000752301_X20261207064214.dat"), "1000752301_X20261207064214");
  EXPECT_EQ(TrackName("/tmp/my trip.txt"), "my trip");
}

}  // namespace
}  // namespace trackctl
