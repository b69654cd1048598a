// KML 2.2: a Placemark per track holding a gx:MultiTrack, a gx:Track per
// segment. A gx:Track lists all its <when> times first and then all its
// <gx:coord> places, so the places of a segment wait in a spool until its end.
#pragma once

#include <string>

#include "export/text_sink.h"
#include "export/track_writer.h"

namespace trackctl {

class KmlWriter : public TrackWriter {
 public:
  KmlWriter(TextSink& out, TextSpool& places) : out_(out), places_(places) {}
  void Begin() override;
  void BeginTrack(std::string_view name) override;
  void BeginSegment() override;
  void Point(const TrackPoint& point) override;
  void EndSegment() override;
  void EndTrack() override;
  void Finish() override;

 private:
  TextSink& out_;
  TextSpool& places_;
  std::string text_;  // one point's text, kept for its capacity
};

}  // namespace trackctl
