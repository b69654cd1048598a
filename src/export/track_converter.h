// Turns the text of logger files into tracks for an export writer: a track per
// file, a new segment where a point is more than the split gap after the one
// before it or earlier than it. Points without a valid time or place are left
// out of the segments (LeftOut) and do not split them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "track/line_splitter.h"
#include "track/local_time_rule.h"
#include "track/track_point.h"
#include "export/track_writer.h"

namespace trackctl {

struct ExportCounts {
  std::size_t tracks = 0;
  std::size_t segments = 0;
  std::size_t points = 0;  // with a valid time and place
  std::array<std::size_t, kPointProblemCount> leftOut{};  // by problem
  std::size_t notLoggerLines = 0;

  std::size_t LeftOutTotal() const;
};

class TrackConverter {
 public:
  // Called with the number (from 1) of each line of a file that is not a logger line.
  using BadLineReport = std::function<void(std::size_t lineNumber)>;

  // Begins the writer's document.
  TrackConverter(TrackWriter& writer, LocalTimeRule& rule, std::int64_t splitGapSeconds, BadLineReport onBadLine);

  // The track begins at the file's first logger line: a file without one gives
  // no track. An empty line is passed over.
  void BeginTrack(std::string_view name);
  // The next piece of the track's logger file, cut anywhere.
  void Text(std::string_view text);
  // A point of the track that is read already: it goes into the segments as a
  // point of a line would.
  void Point(const TrackPoint& point);
  // False when the track held no point, and so was not written.
  bool EndTrack();
  // Ends the writer's document.
  void Finish();

  const ExportCounts& counts() const { return counts_; }

 private:
  void Line(std::string_view text);

  TrackWriter& writer_;
  LocalTimeRule& rule_;
  std::int64_t splitGapSeconds_;
  BadLineReport onBadLine_;
  LineSplitter splitter_;
  std::size_t lineNumber_ = 0;
  std::string trackName_;
  bool inTrack_ = false;
  bool inSegment_ = false;
  std::int64_t lastUtc_ = 0;
  ExportCounts counts_;
};

}  // namespace trackctl
