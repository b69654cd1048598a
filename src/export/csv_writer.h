// CSV (RFC 4180, CR LF line ends): a header, then a row for every logger line
// of every track, in order: the track's name, the fourteen logger columns as
// they were (times and dates are the device's local ones), the UTC time and a
// problem column that says why a point is left out of the map formats (empty
// when it is not). Points without a valid time have no UTC time.
#pragma once

#include <string>

#include "export/text_sink.h"
#include "export/track_writer.h"

namespace trackctl {

class CsvWriter : public TrackWriter {
 public:
  explicit CsvWriter(TextSink& out) : out_(out) {}
  void Begin() override;
  void BeginTrack(std::string_view name) override;
  void BeginSegment() override {}
  void Point(const TrackPoint& point) override { Row(point); }
  void EndSegment() override {}
  void LeftOut(const TrackPoint& point) override { Row(point); }
  void EndTrack() override {}
  void Finish() override {}

 private:
  void Row(const TrackPoint& point);

  TextSink& out_;
  std::string track_;  // the track's name as a CSV field
  std::string text_;   // one row's text, kept for its capacity
};

}  // namespace trackctl
