#include "export/gpx_writer.h"

#include "export/export_text.h"

namespace trackctl {
namespace {

constexpr std::uint64_t k180Degrees = 180'000'000;  // in millionths

}  // namespace

void GpxWriter::Begin() {
  out_.Write(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<gpx version=\"1.1\" creator=\"trackctl " TRACKCTL_VERSION "\""
      " xmlns=\"http://www.topografix.com/GPX/1/1\""
      " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
      " xsi:schemaLocation=\"http://www.topografix.com/GPX/1/1 http://www.topografix.com/GPX/1/1/gpx.xsd\">\n");
}

void GpxWriter::BeginTrack(std::string_view name) { out_.Write("<trk>\n<name>" + XmlEscaped(name) + "</name>\n"); }

void GpxWriter::BeginSegment() { out_.Write("<trkseg>\n"); }

void GpxWriter::Point(const TrackPoint& point) {
  text_ = "<trkpt lat=\"";
  AppendMillionths(text_, point.line.latitude);
  text_ += "\" lon=\"";
  // GPX takes longitudes from -180 up to but not including 180: 180 east is
  // written as the same meridian, 180 west.
  if (point.line.longitude == k180Degrees) {
    text_ += "-180.000000";
  } else {
    AppendMillionths(text_, point.line.longitude);
  }
  text_ += "\"><time>";
  AppendIsoUtc(text_, *point.utc);
  text_ += "</time></trkpt>\n";
  out_.Write(text_);
}

void GpxWriter::EndSegment() { out_.Write("</trkseg>\n"); }

void GpxWriter::EndTrack() { out_.Write("</trk>\n"); }

void GpxWriter::Finish() { out_.Write("</gpx>\n"); }

}  // namespace trackctl
