#include "export/track_writers.h"

#include "export/csv_writer.h"
#include "export/geojson_writer.h"
#include "export/gpx_writer.h"
#include "export/kml_writer.h"
#include "export/svg_writer.h"

namespace trackctl {

std::unique_ptr<TrackWriter> MakeTrackWriter(ExportFormat format, TextSink& out, TextSpool& spool) {
  switch (format) {
    case ExportFormat::kGpx: return std::make_unique<GpxWriter>(out);
    case ExportFormat::kKml: return std::make_unique<KmlWriter>(out, spool);
    case ExportFormat::kGeoJson: return std::make_unique<GeoJsonWriter>(out);
    case ExportFormat::kCsv: return std::make_unique<CsvWriter>(out);
    case ExportFormat::kSvg: return std::make_unique<SvgWriter>(out);
  }
  return nullptr;
}

}  // namespace trackctl
