#include "export/track_converter.h"

#include <numeric>
#include <utility>

namespace trackctl {

std::size_t ExportCounts::LeftOutTotal() const {
  return std::accumulate(leftOut.begin(), leftOut.end(), std::size_t{0});
}

TrackConverter::TrackConverter(TrackWriter& writer, LocalTimeRule& rule, std::int64_t splitGapSeconds,
                               BadLineReport onBadLine)
    : writer_(writer),
      rule_(rule),
      splitGapSeconds_(splitGapSeconds),
      onBadLine_(std::move(onBadLine)),
      splitter_(kMaxLoggerLineLength) {
  writer_.Begin();
}

void TrackConverter::BeginTrack(std::string_view name) {
  trackName_ = name;
  lineNumber_ = 0;
  inTrack_ = false;
  inSegment_ = false;
}

void TrackConverter::Text(std::string_view text) {
  splitter_.Feed(text, [this](std::string_view line) { Line(line); });
}

bool TrackConverter::EndTrack() {
  splitter_.Finish([this](std::string_view line) { Line(line); });
  if (!inTrack_) return false;
  if (inSegment_) writer_.EndSegment();
  writer_.EndTrack();
  return true;
}

void TrackConverter::Finish() { writer_.Finish(); }

void TrackConverter::Line(std::string_view text) {
  ++lineNumber_;
  if (text.empty()) return;
  const std::optional<LoggerLine> line = ParseLoggerLine(text);
  if (!line) {
    ++counts_.notLoggerLines;
    onBadLine_(lineNumber_);
    return;
  }
  Point(MakeTrackPoint(*line, rule_));
}

void TrackConverter::Point(const TrackPoint& point) {
  if (!inTrack_) {
    writer_.BeginTrack(trackName_);
    ++counts_.tracks;
    inTrack_ = true;
  }
  if (point.problem != PointProblem::kNone) {
    ++counts_.leftOut[static_cast<std::size_t>(point.problem)];
    writer_.LeftOut(point);
    return;
  }
  const std::int64_t utc = *point.utc;
  if (!inSegment_ || utc < lastUtc_ || utc - lastUtc_ > splitGapSeconds_) {
    if (inSegment_) writer_.EndSegment();
    writer_.BeginSegment();
    inSegment_ = true;
    ++counts_.segments;
  }
  lastUtc_ = utc;
  ++counts_.points;
  writer_.Point(point);
}

}  // namespace trackctl
