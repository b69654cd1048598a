// GPX 1.1: a <trk> per track, a <trkseg> per segment, a <trkpt> with its UTC
// <time> per point. A longitude of 180 is written as -180, the same meridian.
#pragma once

#include <string>

#include "export/text_sink.h"
#include "export/track_writer.h"

namespace trackctl {

class GpxWriter : public TrackWriter {
 public:
  explicit GpxWriter(TextSink& out) : out_(out) {}
  void Begin() override;
  void BeginTrack(std::string_view name) override;
  void BeginSegment() override;
  void Point(const TrackPoint& point) override;
  void EndSegment() override;
  void EndTrack() override;
  void Finish() override;

 private:
  TextSink& out_;
  std::string text_;  // one point's text, kept for its capacity
};

}  // namespace trackctl
