#include "report/report_route.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace eventscan {
namespace {

struct Metres {
  double X = 0, Y = 0;
};

// Distance of p from the segment a-b.
double offSegment(Metres p, Metres a, Metres b) {
  const double dx = b.X - a.X, dy = b.Y - a.Y, length2 = dx * dx + dy * dy;
  double t = length2 > 0 ? ((p.X - a.X) * dx + (p.Y - a.Y) * dy) / length2 : 0;
  t = std::clamp(t, 0.0, 1.0);
  return std::hypot(p.X - (a.X + t * dx), p.Y - (a.Y + t * dy));
}

int binOf(double v, const std::vector<double>& edges) {
  if (!std::isfinite(v)) return -1;
  return static_cast<int>(std::upper_bound(edges.begin(), edges.end(), v) - edges.begin());
}

}  // namespace

std::vector<size_t> ThinRoute(const ReportData& data, double toleranceMetres) {
  const size_t n = data.Route.size();
  if (n < 3) {
    std::vector<size_t> all(n);
    for (size_t i = 0; i < n; ++i) all[i] = i;
    return all;
  }
  const double lat0 = data.Route[0].Lat, lon0 = data.Route[0].Lon;
  const double kx = 111320.0 * std::cos(lat0 * M_PI / 180), ky = 110540.0;
  std::vector<Metres> at(n);
  for (size_t i = 0; i < n; ++i) at[i] = {(data.Route[i].Lon - lon0) * kx, (data.Route[i].Lat - lat0) * ky};
  // The points every drawing keeps: the ends, both sides of a change of
  // colour bin, and one a minute.
  std::vector<char> keep(n, 0);
  keep[0] = keep[n - 1] = 1;
  const bool valued = data.RouteValue.size() == n, timed = data.RouteTime.size() == n;
  double lastKeptTime = timed ? data.RouteTime[0] : 0;
  // A change of bin that holds: the new bin lasts RouteBinHoldSeconds (five
  // points where the route has no times). A signal flickering at a bin edge
  // would otherwise keep every point.
  auto holds = [&](size_t i) {
    const int bin = binOf(data.RouteValue[i], data.SignalBins);
    for (size_t j = i + 1; j < n; ++j) {
      if (timed ? (data.RouteTime[j] - data.RouteTime[i]) * 86400 >= RouteBinHoldSeconds : j - i >= 5) return true;
      if (binOf(data.RouteValue[j], data.SignalBins) != bin) return false;
    }
    return true;
  };
  for (size_t i = 1; i < n; ++i) {
    if (valued && binOf(data.RouteValue[i], data.SignalBins) != binOf(data.RouteValue[i - 1], data.SignalBins) && holds(i))
      keep[i - 1] = keep[i] = 1;
    if (timed && (data.RouteTime[i] - lastKeptTime) * 86400 >= RouteKeepEverySeconds) {
      keep[i] = 1;
      lastKeptTime = data.RouteTime[i];
    }
  }
  // Douglas-Peucker between neighbouring kept points, with a stack rather
  // than recursion: a long straight drive would recurse as deep as it is long.
  std::vector<std::pair<size_t, size_t>> spans;
  size_t from = 0;
  for (size_t i = 1; i < n; ++i)
    if (keep[i]) {
      if (i - from > 1) spans.emplace_back(from, i);
      from = i;
    }
  while (!spans.empty()) {
    auto [a, b] = spans.back();
    spans.pop_back();
    double worst = -1;
    size_t far = a;
    for (size_t i = a + 1; i < b; ++i) {
      const double d = offSegment(at[i], at[a], at[b]);
      if (d > worst) worst = d, far = i;
    }
    if (worst <= toleranceMetres) continue;
    keep[far] = 1;
    if (far - a > 1) spans.emplace_back(a, far);
    if (b - far > 1) spans.emplace_back(far, b);
  }
  std::vector<size_t> out;
  for (size_t i = 0; i < n; ++i)
    if (keep[i]) out.push_back(i);
  return out;
}

std::vector<double> RouteSegmentValues(const ReportData& data, const std::vector<size_t>& kept) {
  std::vector<double> out;
  if (data.RouteValue.size() != data.Route.size()) return std::vector<double>(kept.size(), std::nan(""));
  for (size_t k = 0; k < kept.size(); ++k) {
    const size_t end = k + 1 < kept.size() ? kept[k + 1] : kept[k] + 1;
    double worst = std::nan("");
    for (size_t i = kept[k]; i < end; ++i)
      if (std::isfinite(data.RouteValue[i]) && !(worst <= data.RouteValue[i])) worst = data.RouteValue[i];
    out.push_back(worst);
  }
  return out;
}

}  // namespace eventscan
