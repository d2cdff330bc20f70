// The two drawings of a drive-test report as inline SVG: the route map
// (positions projected on a local flat grid, a scale bar and a north arrow
// instead of map tiles) and the time graph of the serving signal. Both are
// bounded in size whatever the length of the log: the route keeps one segment
// per pair of neighbouring pixels, the signal a minimum and a maximum per
// pixel column, and results of one event at one pixel share a marker that
// carries their count (data-count), so every result is still accounted for.
#pragma once

#include <string>
#include <string_view>

#include "report/report_data.h"

namespace eventscan {

std::string EscapeXml(std::string_view text);

// Icons are referenced as "#ic<N>" symbols that the page defines once.
std::string IconSymbols(const ReportData& data);
std::string RouteMapSvg(const ReportData& data);
std::string SignalGraphSvg(const ReportData& data);

// Metres in the scale bar for a map of `metresPerPixel`, and its length in
// pixels: the largest 1, 2 or 5 times a power of ten up to `maxPixels`.
struct ScaleBar {
  double Metres = 0;
  double Pixels = 0;
};
ScaleBar ChooseScaleBar(double metresPerPixel, double maxPixels);

}  // namespace eventscan
