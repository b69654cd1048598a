// One export format. A writer is fed in this order: Begin; for each track
// BeginTrack, its segments (BeginSegment, Point for each point, EndSegment) and
// EndTrack; then Finish. LeftOut may come anywhere inside a track.
#pragma once

#include <string_view>

#include "track/track_point.h"

namespace trackctl {

class TrackWriter {
 public:
  virtual ~TrackWriter() = default;
  virtual void Begin() = 0;
  virtual void BeginTrack(std::string_view name) = 0;
  virtual void BeginSegment() = 0;
  // A point with a valid time and place.
  virtual void Point(const TrackPoint& point) = 0;
  virtual void EndSegment() = 0;
  // A point without a valid time or place: only a table keeps it.
  virtual void LeftOut(const TrackPoint&) {}
  virtual void EndTrack() = 0;
  virtual void Finish() = 0;
};

}  // namespace trackctl
