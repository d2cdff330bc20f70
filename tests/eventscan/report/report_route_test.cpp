// The route thinned by distance: every measured point stays within the
// tolerance of the line drawn (no shortcut), straight stretches collapse,
// colour changes that hold and a point a minute are kept, and a segment is
// drawn with the worst signal it stands for.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "report/report_route.h"

namespace eventscan {
namespace {

constexpr double MetresPerDegreeLat = 110540.0;

// Metres from point p to the segment a-b on the local grid ThinRoute uses.
double offLine(GeoPoint p, GeoPoint a, GeoPoint b, double lat0) {
  const double kx = 111320.0 * std::cos(lat0 * M_PI / 180), ky = MetresPerDegreeLat;
  const double px = p.Lon * kx, py = p.Lat * ky, ax = a.Lon * kx, ay = a.Lat * ky, bx = b.Lon * kx, by = b.Lat * ky;
  const double dx = bx - ax, dy = by - ay, l2 = dx * dx + dy * dy;
  const double t = l2 > 0 ? std::clamp(((px - ax) * dx + (py - ay) * dy) / l2, 0.0, 1.0) : 0;
  return std::hypot(px - (ax + t * dx), py - (ay + t * dy));
}

// Every point of the route is within `metres` of the drawn segment between
// the kept points around it.
double worstOffset(const ReportData& data, const std::vector<size_t>& kept) {
  double worst = 0;
  for (size_t k = 1; k < kept.size(); ++k)
    for (size_t i = kept[k - 1]; i <= kept[k]; ++i)
      worst = std::max(worst, offLine(data.Route[i], data.Route[kept[k - 1]], data.Route[kept[k]], data.Route[0].Lat));
  return worst;
}

ReportData timed(ReportData data, double secondsApart) {
  for (size_t i = 0; i < data.Route.size(); ++i) data.RouteTime.push_back(46000 + i * secondsApart / 86400);
  return data;
}

TEST(ReportRoute, StraightRoadsCollapseAndCornersAreKept) {
  // An L: 500 points north 1 m apart, then 500 east; a record every 0.1 s
  // (100 s in all), so the minute rule keeps one more point.
  ReportData data;
  for (int i = 0; i < 500; ++i) data.Route.push_back({31.2 + i / MetresPerDegreeLat, 121.4});
  const double kx = 111320.0 * std::cos(31.2 * M_PI / 180);
  for (int i = 1; i <= 500; ++i) data.Route.push_back({31.2 + 499 / MetresPerDegreeLat, 121.4 + i / kx});
  data = timed(data, 0.1);
  std::vector<size_t> kept = ThinRoute(data);
  ASSERT_GE(kept.size(), 3u);
  EXPECT_LE(kept.size(), 5u);
  EXPECT_EQ(kept.front(), 0u);
  EXPECT_EQ(kept.back(), data.Route.size() - 1);
  EXPECT_NE(std::find(kept.begin(), kept.end(), 499u), kept.end()) << "the corner is drawn";
  EXPECT_LE(worstOffset(data, kept), RouteToleranceMetres + 1e-6);
}

TEST(ReportRoute, WindingLapsDrawNoShortcutAndKeepColourChanges) {
  // Laps of a 300 m circle with jitter, a point every second, the signal
  // crossing a bin edge now and then.
  ReportData data;
  data.SignalBins = {-90, -80};
  for (int i = 0; i < 5000; ++i) {
    const double a = i * 2 * M_PI / 180;
    data.Route.push_back({31.2 + 50 * std::sin(a) / MetresPerDegreeLat + (i % 3) * 2e-6, 121.4 + 60 * std::cos(a) / 95000.0});
    data.RouteValue.push_back(-85 + 10 * std::sin(i / 37.0));
  }
  data = timed(data, 1);
  std::vector<size_t> kept = ThinRoute(data);
  EXPECT_LT(kept.size(), data.Route.size());
  EXPECT_LE(worstOffset(data, kept), RouteToleranceMetres + 1e-6);
  auto bin = [&](size_t i) { return data.RouteValue[i] < -90 ? 0 : data.RouteValue[i] < -80 ? 1 : 2; };
  auto holds = [&](size_t i) {  // the new bin lasts five seconds
    for (size_t j = i + 1; j < data.Route.size() && j < i + 5; ++j)
      if (bin(j) != bin(i)) return false;
    return true;
  };
  // A flicker at a bin edge: one point below, back at once.
  data.RouteValue[2000] = -95;
  std::vector<double> worst;
  kept = ThinRoute(data);
  worst = RouteSegmentValues(data, kept);
  ASSERT_EQ(worst.size(), kept.size());
  for (size_t k = 0; k + 1 < kept.size(); ++k)
    for (size_t i = kept[k]; i < kept[k + 1]; ++i) EXPECT_LE(worst[k], data.RouteValue[i]) << "segment " << k;
  auto segmentOf = [&](size_t i) { return static_cast<size_t>(std::upper_bound(kept.begin(), kept.end(), i) - kept.begin() - 1); };
  EXPECT_EQ(worst[segmentOf(2000)], -95) << "the dip is drawn, however short";
  for (size_t i = 1; i < data.Route.size(); ++i)
    if (bin(i) != bin(i - 1) && holds(i)) {
      EXPECT_NE(std::find(kept.begin(), kept.end(), i - 1), kept.end()) << "before the colour change at " << i;
      EXPECT_NE(std::find(kept.begin(), kept.end(), i), kept.end()) << "after the colour change at " << i;
    }
  for (size_t k = 1; k < kept.size(); ++k)
    EXPECT_LE((data.RouteTime[kept[k]] - data.RouteTime[kept[k - 1]]) * 86400, RouteKeepEverySeconds + 1e-6);
}

}  // namespace
}  // namespace eventscan
