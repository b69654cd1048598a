// GeoJSON (RFC 7946): a FeatureCollection with a Point feature per point, whose
// properties are its track's name, its segment's number within the track (from
// 1), its UTC time, byteValue (logger column 9) and wideValue (column 10).
#pragma once

#include <cstddef>
#include <string>

#include "export/text_sink.h"
#include "export/track_writer.h"

namespace trackctl {

class GeoJsonWriter : public TrackWriter {
 public:
  explicit GeoJsonWriter(TextSink& out) : out_(out) {}
  void Begin() override;
  void BeginTrack(std::string_view name) override;
  void BeginSegment() override;
  void Point(const TrackPoint& point) override;
  void EndSegment() override {}
  void EndTrack() override {}
  void Finish() override;

 private:
  TextSink& out_;
  std::string track_;  // the track's name as a JSON string
  std::size_t segment_ = 0;
  bool first_ = true;
  std::string text_;  // one point's text, kept for its capacity
};

}  // namespace trackctl
