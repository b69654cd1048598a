#include "export/kml_writer.h"

#include "export/export_text.h"

namespace trackctl {

void KmlWriter::Begin() {
  out_.Write(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<kml xmlns=\"http://www.opengis.net/kml/2.2\" xmlns:gx=\"http://www.google.com/kml/ext/2.2\">\n"
      "<Document>\n"
      "<name>trackctl export</name>\n"
      "<Style id=\"track\"><LineStyle><color>ff0000e6</color><width>3</width></LineStyle></Style>\n");
}

void KmlWriter::BeginTrack(std::string_view name) {
  out_.Write("<Placemark>\n<name>" + XmlEscaped(name) + "</name>\n<styleUrl>#track</styleUrl>\n<gx:MultiTrack>\n");
}

void KmlWriter::BeginSegment() { out_.Write("<gx:Track>\n"); }

void KmlWriter::Point(const TrackPoint& point) {
  text_ = "<when>";
  AppendIsoUtc(text_, *point.utc);
  text_ += "</when>\n";
  out_.Write(text_);
  text_ = "<gx:coord>";
  AppendMillionths(text_, point.line.longitude);
  text_ += ' ';
  AppendMillionths(text_, point.line.latitude);
  text_ += " 0</gx:coord>\n";
  places_.Write(text_);
}

void KmlWriter::EndSegment() {
  places_.MoveTo(out_);
  out_.Write("</gx:Track>\n");
}

void KmlWriter::EndTrack() { out_.Write("</gx:MultiTrack>\n</Placemark>\n"); }

void KmlWriter::Finish() { out_.Write("</Document>\n</kml>\n"); }

}  // namespace trackctl
