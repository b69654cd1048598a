#include "app/offline/export_arguments.h"

#include <gtest/gtest.h>


#include <vector>

namespace trackctl {
namespace {

std::variant<ExportOptions, std::string> Parse(std::vector<const char*> args) { return ParseExportArguments(args); }

ExportOptions Options(std::vector<const char*> args) {
  const auto parsed = Parse(args);
  if (const std::string* error = std::get_if<std::string>(&parsed)) ADD_FAILURE() << *error;
  return std::holds_alternative<ExportOptions>(parsed) ? std::get<ExportOptions>(parsed) : ExportOptions{};
}

TEST(ExportArguments, DefaultsAndEachOptionInBothSpellings) {
  const ExportOptions plain = Options({"trip.dat"});
  EXPECT_EQ(plain.format->name, "gpx");
  EXPECT_EQ(plain.files, std::vector<std::string>{"trip.dat"});
  EXPECT_EQ(plain.output, "trip.gpx");
  EXPECT_FALSE(plain.utcOffsetMinutes.has_value());
  EXPECT_EQ(plain.splitGapMinutes, 10);

  const ExportOptions all = Options({"--format", "svg", "-o", "out.x", "--utc-offset", "+05:30", "--split-gap", "0",
                                     "a.dat", "b.dat"});
  EXPECT_EQ(all.format->name, "svg");
  EXPECT_EQ(all.output, "out.x");
  EXPECT_EQ(all.utcOffsetMinutes, 330);
  EXPECT_EQ(all.splitGapMinutes, 0);
  EXPECT_EQ(all.files, (std::vector<std::string>{"a.dat", "b.dat"}));

  const ExportOptions equals = Options({"a.dat", "--format=geojson", "--utc-offset=-03:45", "--split-gap=1440"});
  EXPECT_EQ(equals.format->name, "geojson");
  EXPECT_EQ(equals.output, "a.geojson");
  EXPECT_EQ(equals.utcOffsetMinutes, -225);
  EXPECT_EQ(equals.splitGapMinutes, 1440);

  EXPECT_EQ(Options({"--format", "csv", "--", "-trip.dat"}).output, "-trip.csv");
  EXPECT_EQ(Options({"--format", "kml", "-"}).files, std::vector<std::string>{"-"});
  EXPECT_EQ(Options({"--utc-offset", "-00:00", "x"}).utcOffsetMinutes, 0);
}

TEST(ExportArguments, RefusedWithOneLineThatSaysWhy) {
  const struct {
    std::vector<const char*> args;
    const char* error;
  } cases[] = {
      {{}, "no logger file given"},
      {{"--format", "gpx"}, "no logger file given"},
      {{"a.dat", "b.dat"}, "-o OUT is needed for more than one file"},
      {{"--format", "shp", "a.dat"}, "unknown format 'shp' (gpx, kml, geojson, csv or svg)"},
      {{"--format=GPX", "a.dat"}, "unknown format 'GPX' (gpx, kml, geojson, csv or svg)"},
      {{"a.dat", "--format"}, "--format needs a value"},
      {{"a.dat", "-o"}, "-o needs a value"},
      {{"a.dat", "-o", ""}, "-o needs a file name"},
      {{"a.dat", "--colour", "red"}, "unknown option '--colour'"},
      {{"--utc-offset", "5", "a.dat"}, "--utc-offset wants +HH:MM or -HH:MM, e.g. +05:30, not '5'"},
      {{"--utc-offset", "05:30", "a.dat"}, "--utc-offset wants +HH:MM or -HH:MM, e.g. +05:30, not '05:30'"},
      {{"--utc-offset", "+5:30", "a.dat"}, "--utc-offset wants +HH:MM or -HH:MM, e.g. +05:30, not '+5:30'"},
      {{"--utc-offset", "+24:00", "a.dat"}, "--utc-offset wants +HH:MM or -HH:MM, e.g. +05:30, not '+24:00'"},
      {{"--utc-offset", "+05:60", "a.dat"}, "--utc-offset wants +HH:MM or -HH:MM, e.g. +05:30, not '+05:60'"},
      {{"--utc-offset", "+0530", "a.dat"}, "--utc-offset wants +HH:MM or -HH:MM, e.g. +05:30, not '+0530'"},
      {{"--split-gap", "-1", "a.dat"}, "--split-gap wants a whole number of minutes from 0 to 9999999, not '-1'"},
      {{"--split-gap", "2.5", "a.dat"}, "--split-gap wants a whole number of minutes from 0 to 9999999, not '2.5'"},
      {{"--split-gap", "10000000", "a.dat"},
       "--split-gap wants a whole number of minutes from 0 to 9999999, not '10000000'"},
      {{"--split-gap", "2147483648", "a.dat"},
       "--split-gap wants a whole number of minutes from 0 to 9999999, not '2147483648'"},
      {{"--format", "gpx", "--format", "kml", "a.dat"}, "option --format is given twice"},
      {{"--format=gpx", "--format", "gpx", "a.dat"}, "option --format is given twice"},
      {{"-o", "a.gpx", "a.dat", "-o=b.gpx"}, "option -o is given twice"},
      {{"--utc-offset", "+01:00", "--utc-offset=+01:00", "a.dat"}, "option --utc-offset is given twice"},
      {{"--split-gap", "5", "--split-gap", "6", "a.dat"}, "option --split-gap is given twice"},
      {{"--archive", "a.gpkg", "--archive=b.gpkg", "-o", "x"}, "option --archive is given twice"},
      {{"--since", "2005-06-12", "--since", "2005-06-13", "-o", "x"}, "option --since is given twice"},
      {{"--until", "2005-06-12", "--until=2005-06-12", "-o", "x"}, "option --until is given twice"},
      {{"--since", "2005-06-13", "--until", "2005-06-12", "-o", "x"},
       "--since 2005-06-13T00:00:00Z is after --until 2005-06-12T23:59:59Z: no time is in between"},
      {{"--since", "2005-06-12T10:00:00+05:00", "--until", "2005-06-12T04:59:59Z", "-o", "x"},
       "--since 2005-06-12T05:00:00Z is after --until 2005-06-12T04:59:59Z: no time is in between"},
      {{"--since", "2005-06-12T10:00:00", "-o", "x"},
       "--since wants a UTC date, YYYY-MM-DD, or a time with its zone, YYYY-MM-DDThh:mm:ssZ or "
       "YYYY-MM-DDThh:mm:ss+HH:MM, not '2005-06-12T10:00:00'"},
  };
  for (const auto& [args, error] : cases) {
    const auto parsed = Parse(args);
    ASSERT_TRUE(std::holds_alternative<std::string>(parsed)) << error;
    EXPECT_EQ(std::get<std::string>(parsed), std::string("trackctl export: ") + error);
  }
}

// Each limit from both sides, and values that begin with '-'.
TEST(ExportArguments, EachLimitTakesItsLastValueAndRefusesTheNext) {
  const std::pair<const char*, int> offsets[] = {{"+23:59", 1439}, {"-23:59", -1439}, {"+00:59", 59}, {"-00:30", -30}};
  for (const auto& [text, minutes] : offsets) EXPECT_EQ(Options({"--utc-offset", text, "a"}).utcOffsetMinutes, minutes);
  EXPECT_EQ(Options({"--split-gap", "9999999", "a"}).splitGapMinutes, 9'999'999);
  EXPECT_EQ(Options({"--split-gap=0000001", "a"}).splitGapMinutes, 1);
  for (const std::vector<const char*>& args :
       {std::vector<const char*>{"--utc-offset", "+24:00"}, {"--utc-offset", "-24:00"}, {"--utc-offset", "+00:60"},
        {"--utc-offset", "+23:59 "}, {"--split-gap", "10000000"}, {"--split-gap", "00000001"}, {"--split-gap", ""}}) {
    std::vector<const char*> line = args;
    line.push_back("a");
    EXPECT_TRUE(std::holds_alternative<std::string>(Parse(line))) << args[1];
  }
  // A value is the next argument whatever it begins with; a file that begins
  // with '-' comes after "--".
  const ExportOptions dashes = Options({"-o", "-out.gpx", "--utc-offset", "-05:00", "--", "-a.dat", "--b.dat"});
  EXPECT_EQ(dashes.output, "-out.gpx");
  EXPECT_EQ(dashes.utcOffsetMinutes, -300);
  EXPECT_EQ(dashes.files, (std::vector<std::string>{"-a.dat", "--b.dat"}));
  EXPECT_EQ(Options({"-o=-x.kml", "a"}).output, "-x.kml");
  EXPECT_EQ(std::get<std::string>(Parse({"--format", "-o", "a"})),
            "trackctl export: unknown format '-o' (gpx, kml, geojson, csv or svg)");
  // The range of an export from the archive: one second is not empty, the
  // second before is; --device gathers its values, each device once.
  const ExportOptions second = Options({"--since", "2005-06-12T10:00:00+05:00", "--until=2005-06-12T05:00:00Z", "-o", "x"});
  EXPECT_EQ(second.since, "2005-06-12T05:00:00Z");
  EXPECT_EQ(second.until, "2005-06-12T05:00:00Z");
  EXPECT_EQ(Options({"--device", "B", "--device=A", "--device", "B", "-o", "x"}).devices,
            (std::vector<std::string>{"B", "A"}));
  // One file needs no -o; two need it.
  EXPECT_EQ(Options({"-o", "both.gpx", "a.dat", "b.dat"}).files.size(), 2u);
}

}  // namespace
}  // namespace trackctl
