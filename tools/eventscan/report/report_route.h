// The route as the page draws it, thinned by distance: a point is left out
// only where the line without it stays within a metre of every point it
// stands for (Douglas-Peucker on a local flat grid). A count limit would cut
// corners on a long drive and draw shortcuts across blocks; this keeps every
// turn, and a straight road of a thousand records becomes two points. Points
// where the serving signal's colour bin changes and then holds for a few
// seconds are always kept, and one a minute at least, so the colours and a
// time window's part of the route stay where they were measured; a drawn
// segment takes the worst signal of the points it stands for, so a short dip
// is never thinned away.
#pragma once

#include <cstddef>
#include <vector>

#include "report/report_data.h"

namespace eventscan {

constexpr double RouteToleranceMetres = 1.0;
constexpr double RouteKeepEverySeconds = 60.0;
constexpr double RouteBinHoldSeconds = 5.0;

// The indices of data.Route that are drawn, in order.
std::vector<size_t> ThinRoute(const ReportData& data, double toleranceMetres = RouteToleranceMetres);
// The serving signal each kept point's segment is drawn with: the lowest value
// from that point up to the next kept one (NaN where none has a value).
std::vector<double> RouteSegmentValues(const ReportData& data, const std::vector<size_t>& kept);

}  // namespace eventscan
