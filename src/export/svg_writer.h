// An SVG picture of the tracks for a quick look in any browser, without a
// network: an equirectangular projection scaled to fit, north up, a polyline per
// segment (a colour per track, named in a legend; a dot for a segment of one
// point), each track's start (green circle) and end (red square) marked, a scale
// bar in km, and a caption with the UTC date range and the point count. The
// places are held until Finish.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "export/text_sink.h"
#include "export/track_writer.h"

namespace trackctl {

class SvgWriter : public TrackWriter {
 public:
  explicit SvgWriter(TextSink& out) : out_(out) {}
  void Begin() override {}
  void BeginTrack(std::string_view name) override;
  void BeginSegment() override;
  void Point(const TrackPoint& point) override;
  void EndSegment() override {}
  void EndTrack() override {}
  void Finish() override;

 private:
  struct Place {
    std::uint32_t longitude;  // millionths of a degree
    std::uint32_t latitude;
    std::int64_t utc;
  };
  struct Track {
    std::string name;
    std::vector<std::size_t> segmentStarts;  // indexes into places_
    std::size_t end = 0;                     // one past its last place
  };
  // Places to drawing coordinates: longitudes scaled by the cosine of the middle
  // latitude, the whole scaled to fit and centred in the drawing area.
  struct Projection {
    double minX = 0;
    double maxLatitude = 0;
    double cosine = 1;
    double scale = 1;  // pixels per degree of latitude
    double left = 0;
    double top = 0;
    double X(const Place& place) const;
    double Y(const Place& place) const;
  };

  Projection Fit() const;
  void DrawTrack(std::string& svg, const Projection& projection, std::size_t index) const;
  static void DrawScaleBar(std::string& svg, const Projection& projection);
  std::size_t LegendLines() const;
  void DrawLegend(std::string& svg) const;

  TextSink& out_;
  std::vector<Place> places_;
  std::vector<Track> tracks_;
};

}  // namespace trackctl
