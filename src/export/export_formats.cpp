#include "export/export_formats.h"

#include "export/csv_writer.h"
#include "export/geojson_writer.h"
#include "export/gpx_writer.h"
#include "export/kml_writer.h"
#include "export/svg_writer.h"

namespace trackctl {
namespace {

template <typename Writer>
std::unique_ptr<TrackWriter> Make(TextSink& out, TextSpool&) {
  return std::make_unique<Writer>(out);
}

template <typename Writer>
std::unique_ptr<TrackWriter> MakeSpooled(TextSink& out, TextSpool& spool) {
  return std::make_unique<Writer>(out, spool);
}

constexpr ExportFormat kFormats[] = {
    {.name = "gpx", .extension = ".gpx", .makeWriter = Make<GpxWriter>},
    {.name = "kml", .extension = ".kml", .makeWriter = MakeSpooled<KmlWriter>, .spools = true},
    {.name = "geojson", .extension = ".geojson", .makeWriter = Make<GeoJsonWriter>},
    {.name = "csv", .extension = ".csv", .makeWriter = Make<CsvWriter>, .rows = true},
    {.name = "svg", .extension = ".svg", .makeWriter = Make<SvgWriter>},
};

}  // namespace

std::span<const ExportFormat> ExportFormats() { return kFormats; }

const ExportFormat* ExportFormatNamed(std::string_view name) {
  for (const ExportFormat& format : kFormats) {
    if (format.name == name) return &format;
  }
  return nullptr;
}

std::string ExportFormatNames(std::string_view between, std::string_view beforeLast) {
  std::string names;
  for (const ExportFormat& format : kFormats) {
    if (!names.empty()) names += &format == &kFormats[std::size(kFormats) - 1] ? beforeLast : between;
    names += format.name;
  }
  return names;
}

}  // namespace trackctl
