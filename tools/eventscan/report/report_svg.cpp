#include "report/report_svg.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <set>
#include <tuple>

#include <fmt/format.h>

#include "log/log_time.h"

namespace eventscan {
namespace {

constexpr double MetresPerDegree = 111320.0;  // along a meridian, close enough for a scale bar
constexpr int IconSize = 16;

constexpr double MapWidth = 960, MapHeight = 560, MapMargin = 36;
constexpr double GraphWidth = 1200, GraphHeight = 320;
constexpr double PlotLeft = 64, PlotRight = 16, PlotTop = 76, PlotBottom = 36;

// Results of one event that fall in one cell of the drawing share a marker:
// cells of MapCell pixels on the map, GraphCell pixel columns on the graph.
// A marker is as wide as an icon, so finer cells would only stack icons.
constexpr int MapCell = 12, GraphCell = 4;

struct MarkerKey {
  int Style;
  int X, Y;  // cell
  auto operator<=>(const MarkerKey&) const = default;
};
struct Marker {
  double X = 0, Y = 0;  // where the first result of the cell is
  size_t Count = 0;
};

// One element per marker (the page's script shows its name on hover), so the
// drawing stays light for the browser however many results it stands for.
std::string marker(const char* cls, const ReportStyle& s, double x, double y, size_t count) {
  std::string head = fmt::format("class=\"{}\" data-event=\"{}\" data-count=\"{}\"", cls, EscapeXml(s.Name), count);
  if (s.Icon >= 0)
    return fmt::format("<use {} href=\"#ic{}\" x=\"{:.0f}\" y=\"{:.0f}\" width=\"{}\" height=\"{}\"/>", head,
                       s.Icon, x - IconSize / 2.0, y - IconSize / 2.0, IconSize, IconSize);
  return fmt::format("<circle {} cx=\"{:.0f}\" cy=\"{:.0f}\" r=\"5\" fill=\"{}\" stroke=\"{}\" stroke-width=\"2\"/>",
                     head, x, y, ColourText(s.BackRgb), ColourText(s.FontRgb));
}

// "10:00:29" on a graph within one day, "03-15 07:02" on a longer one.
std::string clockText(double days, bool longSpan) {
  std::string t = TimeText(days);  // "2026-03-14 10:00:01.250"
  if (t.size() < 19) return t;
  return longSpan ? t.substr(5, 11) : t.substr(11, 8);
}

// A local flat projection of the route's bounding box onto the map's box.
struct Projection {
  double LatMax = 0, LonMin = 0, CosLat = 1, PixelsPerDegree = 1, OffsetX = 0, OffsetY = 0;

  explicit Projection(const std::vector<GeoPoint>& route) {
    double latMin = 90, latMax = -90, lonMin = 180, lonMax = -180;
    for (const GeoPoint& p : route) {
      latMin = std::min(latMin, p.Lat);
      latMax = std::max(latMax, p.Lat);
      lonMin = std::min(lonMin, p.Lon);
      lonMax = std::max(lonMax, p.Lon);
    }
    CosLat = std::max(0.01, std::cos((latMin + latMax) / 2 * M_PI / 180));
    // A route that stands still still gets a map some 200 m across.
    const double minSpan = 200 / MetresPerDegree;
    double spanY = std::max(latMax - latMin, minSpan), spanX = std::max((lonMax - lonMin) * CosLat, minSpan);
    PixelsPerDegree = std::min((MapWidth - 2 * MapMargin) / spanX, (MapHeight - 2 * MapMargin) / spanY);
    OffsetX = (MapWidth - (lonMax - lonMin) * CosLat * PixelsPerDegree) / 2;
    OffsetY = (MapHeight - (latMax - latMin) * PixelsPerDegree) / 2;
    LatMax = latMax;
    LonMin = lonMin;
  }
  double X(const GeoPoint& p) const { return OffsetX + (p.Lon - LonMin) * CosLat * PixelsPerDegree; }
  double Y(const GeoPoint& p) const { return OffsetY + (LatMax - p.Lat) * PixelsPerDegree; }
};

std::string distanceText(double metres) {
  if (metres >= 1000) return fmt::format("{:g} km", metres / 1000);
  return fmt::format("{:g} m", metres);
}

std::string noData(double width, double height, const std::string& text) {
  return fmt::format(
      "<text x=\"{:.0f}\" y=\"{:.0f}\" text-anchor=\"middle\" class=\"nodata\">{}</text>", width / 2, height / 2,
      EscapeXml(text));
}

}  // namespace

std::string EscapeXml(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c;
    }
  return out;
}

ScaleBar ChooseScaleBar(double metresPerPixel, double maxPixels) {
  if (!(metresPerPixel > 0) || !(maxPixels > 0)) return {};
  double limit = metresPerPixel * maxPixels;
  double decade = std::pow(10.0, std::floor(std::log10(limit)));
  double metres = decade;
  for (double step : {5.0, 2.0, 1.0})
    if (step * decade <= limit) {
      metres = step * decade;
      break;
    }
  return {metres, metres / metresPerPixel};
}

std::string IconSymbols(const ReportData& data) {
  std::string out = "<svg class=\"defs\" width=\"0\" height=\"0\" aria-hidden=\"true\"><defs>";
  for (size_t i = 0; i < data.Icons.size(); ++i)
    out += fmt::format("<symbol id=\"ic{}\" viewBox=\"0 0 {} {}\"><image href=\"{}\" width=\"{}\" height=\"{}\" "
                       "style=\"image-rendering:pixelated\"/></symbol>",
                       i, IconSize, IconSize, data.Icons[i], IconSize, IconSize);
  return out + "</defs></svg>";
}

std::string RouteMapSvg(const ReportData& data) {
  std::string out = fmt::format("<svg id=\"map\" viewBox=\"0 0 {:.0f} {:.0f}\" role=\"img\" aria-label=\"route map\">",
                                MapWidth, MapHeight);
  out += fmt::format("<rect class=\"paper\" width=\"{:.0f}\" height=\"{:.0f}\"/>", MapWidth, MapHeight);
  if (data.Route.empty()) return out + noData(MapWidth, MapHeight, "no positions in this log") + "</svg>";
  Projection proj(data.Route);

  // The route: one segment per pair of neighbouring pixels, each drawn once,
  // so a long drive over the same roads stays a small path.
  std::string path;
  std::set<std::tuple<int, int, int, int>> drawn;
  int lastX = 0, lastY = 0;
  bool open = false, have = false;
  for (const GeoPoint& p : data.Route) {
    int x = static_cast<int>(std::lround(proj.X(p))), y = static_cast<int>(std::lround(proj.Y(p)));
    if (have && x == lastX && y == lastY) continue;
    if (have) {
      // Either direction is the same segment.
      std::pair<int, int> a{lastX, lastY}, b{x, y};
      if (b < a) std::swap(a, b);
      if (drawn.emplace(a.first, a.second, b.first, b.second).second) {
        if (!open) path += fmt::format("M{} {}", lastX, lastY);
        path += fmt::format("L{} {}", x, y);
        open = true;
      } else {
        open = false;
      }
    }
    lastX = x;
    lastY = y;
    have = true;
  }
  if (path.empty()) path = fmt::format("M{} {}h0.01", lastX, lastY);
  out += fmt::format("<path class=\"route\" d=\"{}\"/>", path);
  const GeoPoint& first = data.Route.front();
  out += fmt::format("<circle class=\"start\" cx=\"{:.0f}\" cy=\"{:.0f}\" r=\"6\"><title>start</title></circle>",
                     proj.X(first), proj.Y(first));

  std::map<MarkerKey, Marker> markers;
  size_t nowhere = 0;
  for (const ReportEvent& e : data.Events) {
    const ReportStyle& s = data.Styles[static_cast<size_t>(e.Style)];
    if (!s.InMap) continue;
    if (!e.Where) {
      ++nowhere;  // before the first position of the log
      continue;
    }
    double x = proj.X(*e.Where), y = proj.Y(*e.Where);
    Marker& m = markers[{e.Style, static_cast<int>(x) / MapCell, static_cast<int>(y) / MapCell}];
    if (m.Count++ == 0) {
      m.X = x;
      m.Y = y;
    }
  }
  for (const auto& [key, m] : markers)
    out += marker("mm", data.Styles[static_cast<size_t>(key.Style)], m.X, m.Y, m.Count);
  if (nowhere)
    out += fmt::format("<text class=\"nowhere\" x=\"{:.0f}\" y=\"{:.0f}\" text-anchor=\"end\">{} {} before the first "
                       "position, not drawn</text>",
                       MapWidth - 20, MapHeight - 20, nowhere, nowhere == 1 ? "event" : "events");

  // Scale bar (bottom left) and north arrow (top right): the map has no tiles.
  ScaleBar bar = ChooseScaleBar(MetresPerDegree / proj.PixelsPerDegree, MapWidth / 4);
  double bx = 20, by = MapHeight - 20;
  out += fmt::format(
      "<g class=\"scale\"><path d=\"M{0:.1f} {1:.1f}v6h{2:.1f}v-6\"/><text x=\"{3:.1f}\" y=\"{4:.1f}\" "
      "text-anchor=\"middle\">{5}</text></g>",
      bx, by - 6, bar.Pixels, bx + bar.Pixels / 2, by - 10, distanceText(bar.Metres));
  double nx = MapWidth - 30, ny = 18;
  out += fmt::format(
      "<g class=\"north\"><path d=\"M{0:.0f} {1:.0f}l9 26l-9 -7l-9 7z\"/><text x=\"{0:.0f}\" y=\"{2:.0f}\" "
      "text-anchor=\"middle\">N</text></g>",
      nx, ny, ny + 42);
  return out + "</svg>";
}

std::string SignalGraphSvg(const ReportData& data) {
  std::string out = fmt::format(
      "<svg id=\"graph\" viewBox=\"0 0 {:.0f} {:.0f}\" role=\"img\" aria-label=\"signal graph\">", GraphWidth,
      GraphHeight);
  out += fmt::format("<rect class=\"paper\" width=\"{:.0f}\" height=\"{:.0f}\"/>", GraphWidth, GraphHeight);
  const double plotW = GraphWidth - PlotLeft - PlotRight, plotH = GraphHeight - PlotTop - PlotBottom;
  const int columns = static_cast<int>(plotW);
  double t0 = data.Start, t1 = data.End;
  for (const ReportEvent& e : data.Events)
    if (e.Time > 0) {
      if (t0 == 0 || e.Time < t0) t0 = e.Time;
      t1 = std::max(t1, e.Time);
    }
  if (!(t1 > t0)) t1 = t0 + 1.0 / 86400;
  auto column = [&](double t) { return std::clamp(static_cast<int>((t - t0) / (t1 - t0) * columns), 0, columns - 1); };

  // Min and max per pixel column: a million samples draw as at most two
  // points per column, and no dip narrower than a column is lost.
  std::vector<double> lo(static_cast<size_t>(columns), std::numeric_limits<double>::infinity());
  std::vector<double> hi(static_cast<size_t>(columns), -std::numeric_limits<double>::infinity());
  double vmin = std::numeric_limits<double>::infinity(), vmax = -vmin;
  for (const SignalSample& s : data.Signal) {
    auto c = static_cast<size_t>(column(s.Time));
    lo[c] = std::min(lo[c], s.Value);
    hi[c] = std::max(hi[c], s.Value);
    vmin = std::min(vmin, s.Value);
    vmax = std::max(vmax, s.Value);
  }
  if (data.Signal.empty()) {
    vmin = -120;
    vmax = -40;
  }
  double gmin = std::floor(vmin / 10) * 10, gmax = std::ceil(vmax / 10) * 10;
  if (gmax <= gmin) gmax = gmin + 10;
  auto y = [&](double v) { return PlotTop + (gmax - v) / (gmax - gmin) * plotH; };

  out += "<g class=\"axis\">";
  double step = (gmax - gmin) > 60 ? 20 : 10;
  for (double v = gmin; v <= gmax + 1e-9; v += step)
    out += fmt::format("<line x1=\"{:.0f}\" x2=\"{:.0f}\" y1=\"{:.1f}\" y2=\"{:.1f}\"/><text x=\"{:.0f}\" y=\"{:.1f}\" "
                       "text-anchor=\"end\">{:g}</text>",
                       PlotLeft, PlotLeft + plotW, y(v), y(v), PlotLeft - 6, y(v) + 4, v);
  for (int i = 0; i <= 6; ++i) {
    double x = PlotLeft + plotW * i / 6;
    const char* anchor = i == 0 ? "start" : i == 6 ? "end" : "middle";
    out += fmt::format("<text x=\"{:.0f}\" y=\"{:.0f}\" text-anchor=\"{}\">{}</text>", x, GraphHeight - 12, anchor,
                       clockText(t0 + (t1 - t0) * i / 6, t1 - t0 >= 1));
  }
  out += fmt::format("<text class=\"label\" x=\"{:.0f}\" y=\"{:.0f}\">{}</text></g>", PlotLeft, PlotTop - 62,
                     EscapeXml(data.SignalName.empty() ? "no signal measurements in this log" : data.SignalName));

  std::string path;
  for (int c = 0; c < columns; ++c) {
    auto i = static_cast<size_t>(c);
    if (hi[i] < lo[i]) continue;
    double x = PlotLeft + c + 0.5;
    path += fmt::format("{}{:.1f} {:.1f}", path.empty() ? "M" : "L", x, y(hi[i]));
    if (lo[i] != hi[i]) path += fmt::format("L{:.1f} {:.1f}", x, y(lo[i]));
  }
  if (!path.empty()) out += fmt::format("<path class=\"signal\" d=\"{}\"/>", path);

  // Event markers: a line in the event's font colour across the plot (one
  // path per event) and its icon above it, staggered in four rows so
  // neighbours stay readable.
  std::map<MarkerKey, Marker> markers;
  for (const ReportEvent& e : data.Events) {
    if (!data.Styles[static_cast<size_t>(e.Style)].InGraph) continue;
    int c = column(e.Time > 0 ? e.Time : t0);
    Marker& m = markers[{e.Style, c / GraphCell, 0}];
    if (m.Count++ == 0) m.X = PlotLeft + c + 0.5;
  }
  std::vector<std::string> lines(data.Styles.size());
  std::string icons;
  for (const auto& [key, m] : markers) {
    const ReportStyle& s = data.Styles[static_cast<size_t>(key.Style)];
    double iconY = PlotTop - 10 - (key.Style % 4) * (IconSize - 2);
    lines[static_cast<size_t>(key.Style)] += fmt::format("M{:.1f} {:.1f}V{:.1f}", m.X, iconY, PlotTop + plotH);
    icons += marker("gm", s, m.X, iconY, m.Count);
  }
  for (size_t i = 0; i < lines.size(); ++i)
    if (!lines[i].empty())
      out += fmt::format("<path class=\"gl\" stroke=\"{}\" d=\"{}\"/>", ColourText(data.Styles[i].FontRgb), lines[i]);
  out += icons;
  return out + "</svg>";
}

}  // namespace eventscan
