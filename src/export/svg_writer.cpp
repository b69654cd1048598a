#include "export/svg_writer.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numbers>

#include "export/export_text.h"
#include "track/utc_time.h"

namespace trackctl {
namespace {

constexpr double kWidth = 800;
constexpr double kHeight = 600;
constexpr double kMargin = 24;
constexpr double kFooter = 64;           // below the drawing: scale bar and caption
constexpr double kSmallestSpan = 0.001;  // degrees across the drawing, for a track that hardly moves
constexpr double kKmPerDegree = 6371.0088 * std::numbers::pi / 180;  // along a great circle
constexpr double kLongestBar = 160;      // pixels
constexpr std::size_t kLegendTracks = 8;  // tracks named in the legend
constexpr double kLegendLineHeight = 18;
constexpr const char* kColours[] = {"#c62828", "#1565c0", "#6a1b9a", "#ef6c00", "#00838f", "#4e342e"};

double Degrees(std::uint32_t millionths) { return millionths / 1e6; }

void AppendFixed(std::string& out, double value) {
  char digits[64];
  const auto result = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, 1);
  out.append(digits, result.ptr);
}

// "12.5" for 12.5, "2" for 2.000: three decimals at most, trailing zeros cut.
std::string ShortNumber(double value) {
  char digits[64];
  const auto result = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, 3);
  std::string text(digits, result.ptr);
  text.erase(text.find_last_not_of('0') + 1);
  if (text.back() == '.') text.pop_back();
  return text;
}

// "2005-06-12 16:30:00"
std::string CaptionTime(std::int64_t utc) {
  std::string text;
  AppendIsoUtc(text, utc);
  text[text.size() - 10] = ' ';
  text.pop_back();
  return text;
}

}  // namespace

double SvgWriter::Projection::X(const Place& place) const {
  return left + (Degrees(place.longitude) * cosine - minX) * scale;
}

double SvgWriter::Projection::Y(const Place& place) const {
  return top + (maxLatitude - Degrees(place.latitude)) * scale;
}

void SvgWriter::BeginTrack(std::string_view name) { tracks_.push_back(Track{std::string(name), {}, places_.size()}); }

void SvgWriter::BeginSegment() { tracks_.back().segmentStarts.push_back(places_.size()); }

void SvgWriter::Point(const TrackPoint& point) {
  places_.push_back(Place{static_cast<std::uint32_t>(point.line.longitude),
                          static_cast<std::uint32_t>(point.line.latitude), *point.utc});
  tracks_.back().end = places_.size();
}

void SvgWriter::Finish() {
  std::string names;
  for (const Track& track : tracks_) names += (names.empty() ? "" : ", ") + track.name;
  std::string svg =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"800\" height=\"600\" viewBox=\"0 0 800 600\""
      " font-family=\"sans-serif\" font-size=\"13\">\n"
      "<title>" + XmlEscaped(names.empty() ? "trackctl export" : names) + "</title>\n"
      "<rect width=\"800\" height=\"600\" fill=\"#ffffff\"/>\n"
      "<path fill=\"#000000\" d=\"M770 20 l-6 16 h12 z\"/><text x=\"770\" y=\"52\" text-anchor=\"middle\">N</text>\n";
  std::string caption = "no points with a valid time and place";
  if (!places_.empty()) {
    const Projection projection = Fit();
    for (std::size_t t = 0; t < tracks_.size(); ++t) DrawTrack(svg, projection, t);
    DrawScaleBar(svg, projection);
    const auto [first, last] = std::minmax_element(places_.begin(), places_.end(),
                                                   [](const Place& a, const Place& b) { return a.utc < b.utc; });
    caption = CaptionTime(first->utc) + " to " + CaptionTime(last->utc) + " UTC, " + std::to_string(places_.size()) +
              (places_.size() == 1 ? " point" : " points");
  }
  DrawLegend(svg);
  svg += "<text text-anchor=\"end\" x=\"776\" y=\"576\">" + caption + "</text>\n</svg>\n";
  out_.Write(svg);
}

std::size_t SvgWriter::LegendLines() const {
  return std::min(tracks_.size(), kLegendTracks) + (tracks_.size() > kLegendTracks ? 1 : 0);
}

// Each track's colour and name, above the drawing; the first few only.
void SvgWriter::DrawLegend(std::string& svg) const {
  const std::size_t shown = std::min(tracks_.size(), kLegendTracks);
  const bool more = tracks_.size() > shown;
  for (std::size_t t = 0; t < shown; ++t) {
    const std::string y = std::to_string(26 + 18 * t);
    svg += "<path stroke=\"" + std::string(kColours[t % std::size(kColours)]) + "\" stroke-width=\"3\" d=\"M24 " + y +
           " h20\"/><text x=\"52\" y=\"" + std::to_string(30 + 18 * t) + "\">" + XmlEscaped(tracks_[t].name) +
           "</text>\n";
  }
  if (more) {
    svg += "<text x=\"52\" y=\"" + std::to_string(30 + 18 * shown) + "\">and " +
           std::to_string(tracks_.size() - shown) + " more</text>\n";
  }
}

SvgWriter::Projection SvgWriter::Fit() const {
  const auto [minLon, maxLon] = std::minmax_element(
      places_.begin(), places_.end(), [](const Place& a, const Place& b) { return a.longitude < b.longitude; });
  const auto [minLat, maxLat] = std::minmax_element(
      places_.begin(), places_.end(), [](const Place& a, const Place& b) { return a.latitude < b.latitude; });
  Projection projection;
  projection.cosine =
      std::cos((Degrees(minLat->latitude) + Degrees(maxLat->latitude)) / 2 * std::numbers::pi / 180);
  const double spanX = (Degrees(maxLon->longitude) - Degrees(minLon->longitude)) * projection.cosine;
  const double spanY = Degrees(maxLat->latitude) - Degrees(minLat->latitude);
  const double width = kWidth - 2 * kMargin;
  const double top = kMargin + kLegendLineHeight * static_cast<double>(LegendLines());
  const double height = kHeight - top - kFooter;
  projection.scale =
      std::min({width / std::max(spanX, 1e-9), height / std::max(spanY, 1e-9), width / kSmallestSpan});
  projection.minX = Degrees(minLon->longitude) * projection.cosine;
  projection.maxLatitude = Degrees(maxLat->latitude);
  projection.left = kMargin + (width - spanX * projection.scale) / 2;
  projection.top = top + (height - spanY * projection.scale) / 2;
  return projection;
}

void SvgWriter::DrawTrack(std::string& svg, const Projection& projection, std::size_t index) const {
  const Track& track = tracks_[index];
  for (std::size_t s = 0; s < track.segmentStarts.size(); ++s) {
    const std::size_t begin = track.segmentStarts[s];
    const std::size_t end = s + 1 < track.segmentStarts.size() ? track.segmentStarts[s + 1] : track.end;
    svg += "<polyline fill=\"none\" stroke=\"";
    svg += kColours[index % std::size(kColours)];
    // A polyline of one point is not drawn; twice the point is a line of no
    // length, which round caps draw as a dot, made wider than a line to be seen.
    const bool dot = end - begin == 1;
    svg += dot ? "\" stroke-width=\"5\"" : "\" stroke-width=\"2\"";
    svg += " stroke-linecap=\"round\" stroke-linejoin=\"round\" points=\"";
    const auto append = [&svg, &projection](const Place& place) {
      AppendFixed(svg, projection.X(place));
      svg += ',';
      AppendFixed(svg, projection.Y(place));
    };
    for (std::size_t i = begin; i < end; ++i) {
      if (i != begin) svg += ' ';
      append(places_[i]);
    }
    if (dot) {
      svg += ' ';
      append(places_[begin]);
    }
    svg += "\"/>\n";
  }
  if (track.segmentStarts.empty()) return;
  const Place& start = places_[track.segmentStarts.front()];
  const Place& stop = places_[track.end - 1];
  svg += "<circle r=\"6\" fill=\"#2e7d32\" cx=\"";
  AppendFixed(svg, projection.X(start));
  svg += "\" cy=\"";
  AppendFixed(svg, projection.Y(start));
  svg += "\"><title>start " + CaptionTime(start.utc) + " UTC</title></circle>\n";
  svg += "<rect width=\"10\" height=\"10\" fill=\"#b71c1c\" x=\"";
  AppendFixed(svg, projection.X(stop) - 5);
  svg += "\" y=\"";
  AppendFixed(svg, projection.Y(stop) - 5);
  svg += "\"><title>end " + CaptionTime(stop.utc) + " UTC</title></rect>\n";
}

// The longest bar of 1, 2 or 5 times a power of ten km that fits.
void SvgWriter::DrawScaleBar(std::string& svg, const Projection& projection) {
  const double kmPerPixel = kKmPerDegree / projection.scale;
  const double longest = kLongestBar * kmPerPixel;
  double km = std::pow(10.0, std::floor(std::log10(longest)));
  for (const double step : {5.0, 2.0}) {
    if (km * step <= longest) {
      km *= step;
      break;
    }
  }
  const double top = kHeight - kFooter + 20;
  svg += "<path fill=\"none\" stroke=\"#000000\" stroke-width=\"2\" d=\"M";
  AppendFixed(svg, kMargin);
  svg += ' ';
  AppendFixed(svg, top);
  svg += " v8 h";
  AppendFixed(svg, km / kmPerPixel);
  svg += " v-8\"/>\n<text x=\"";
  AppendFixed(svg, kMargin);
  svg += "\" y=\"";
  AppendFixed(svg, top + 24);
  svg += "\">" + ShortNumber(km) + " km</text>\n";
}

}  // namespace trackctl
