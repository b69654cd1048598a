#include "export/geojson_writer.h"

#include "export/export_text.h"

namespace trackctl {

void GeoJsonWriter::Begin() { out_.Write("{\"type\":\"FeatureCollection\",\"features\":[\n"); }

void GeoJsonWriter::BeginTrack(std::string_view name) {
  track_ = JsonString(name);
  segment_ = 0;
}

void GeoJsonWriter::BeginSegment() { ++segment_; }

void GeoJsonWriter::Point(const TrackPoint& point) {
  text_ = first_ ? "" : ",\n";
  first_ = false;
  text_ += "{\"type\":\"Feature\",\"geometry\":{\"type\":\"Point\",\"coordinates\":[";
  AppendMillionths(text_, point.line.longitude);
  text_ += ',';
  AppendMillionths(text_, point.line.latitude);
  text_ += "]},\"properties\":{\"track\":";
  text_ += track_;
  text_ += ",\"segment\":";
  AppendUnsigned(text_, segment_);
  text_ += ",\"time\":\"";
  AppendIsoUtc(text_, *point.utc);
  text_ += "\",\"byteValue\":";
  AppendMillionths(text_, point.line.byteValue);
  text_ += ",\"wideValue\":";
  AppendMillionths(text_, point.line.wideValue);
  text_ += "}}";
  out_.Write(text_);
}

void GeoJsonWriter::Finish() { out_.Write(first_ ? "]}\n" : "\n]}\n"); }

}  // namespace trackctl
