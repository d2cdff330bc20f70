// The report page without the library: icons, the scale bar, escaping of
// text from logs and definitions, the atomic save, and the size of the page
// for a log of a million records (decimation must bound what the browser
// has to lay out, while every event stays in the table and in the markers).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <regex>
#include <sstream>

#include <nlohmann/json.hpp>
#include <stb/stb_image.h>

#include "report/report_data.h"
#include "report/report_file.h"
#include "report/report_icons.h"
#include "report/report_page.h"
#include "report/report_svg.h"
#include "testing/e2e_support.h"

using namespace eventscan;

namespace {

std::string decodeBase64(const std::string& text) {
  auto value = [](char c) -> int {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    return c == '+' ? 62 : c == '/' ? 63 : -1;
  };
  std::string out;
  uint32_t bits = 0;
  int count = 0;
  for (char c : text) {
    int v = value(c);
    if (v < 0) continue;
    bits = bits << 6 | static_cast<uint32_t>(v);
    if ((count += 6) >= 8) {
      count -= 8;
      out += static_cast<char>((bits >> count) & 0xFF);
    }
  }
  return out;
}

std::string pageOf(const ReportData& data) {
  std::ostringstream out;
  WriteReportPage(out, data);
  return out.str();
}

nlohmann::json tableDataOf(const std::string& page) {
  const std::string open = "<script type=\"application/json\" id=\"report-data\">";
  size_t from = page.find(open);
  EXPECT_NE(from, std::string::npos);
  from += open.size();
  size_t to = page.find("</script>", from);
  return nlohmann::json::parse(page.substr(from, to - from));
}

// Sum of data-count over the markers of one class ("mm" map, "gm" graph).
size_t markerCount(const std::string& page, const std::string& cls) {
  std::regex marker("<(?:use|circle) class=\"" + cls + "\" data-event=\"[^\"]*\" data-count=\"(\\d+)\"");
  size_t sum = 0;
  for (auto it = std::sregex_iterator(page.begin(), page.end(), marker); it != std::sregex_iterator(); ++it)
    sum += std::stoul((*it)[1]);
  return sum;
}

size_t occurrences(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

}  // namespace

TEST(ReportIcons, PngKeepsColoursAndClearsTheTransparentColour) {
  TBitmap bitmap;
  bitmap.Width = 3;
  bitmap.Height = 2;
  // Rows from the top; the bottom-left pixel (0xFFFF00FF) is the transparent colour.
  bitmap.Pixels = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFF00FF, 0xFF123456, 0xFFFF00FF};
  bitmap.TransparentColor = 0xFFFF00FF;
  std::string uri = PngDataUri(bitmap);
  const std::string prefix = "data:image/png;base64,";
  ASSERT_EQ(uri.rfind(prefix, 0), 0u);
  std::string png = decodeBase64(uri.substr(prefix.size()));
  int w = 0, h = 0, channels = 0;
  stbi_uc* rgba = stbi_load_from_memory(reinterpret_cast<const stbi_uc*>(png.data()), static_cast<int>(png.size()), &w,
                                        &h, &channels, 4);
  ASSERT_NE(rgba, nullptr);
  ASSERT_EQ(w, 3);
  ASSERT_EQ(h, 2);
  const uint8_t expected[6][4] = {{255, 0, 0, 255}, {0, 255, 0, 255},   {0, 0, 255, 255},
                                  {255, 0, 255, 0}, {0x12, 0x34, 0x56, 255}, {255, 0, 255, 0}};
  for (int i = 0; i < 6; ++i)
    for (int c = 0; c < 4; ++c) EXPECT_EQ(rgba[i * 4 + c], expected[i][c]) << "pixel " << i << " channel " << c;
  stbi_image_free(rgba);

  EXPECT_EQ(PngDataUri(TBitmap{}), "");
  EXPECT_EQ(Base64("M"), "TQ==");
  EXPECT_EQ(Base64("Ma"), "TWE=");
  EXPECT_EQ(Base64("Man"), "TWFu");
}

TEST(ReportMap, ScaleBarIsTheLargestRoundLengthThatFits) {
  struct Case {
    double MetresPerPixel, MaxPixels, Metres;
  } cases[] = {
      {1, 240, 200}, {2.5, 240, 500}, {10, 240, 2000}, {0.1, 240, 20}, {4, 100, 200}, {1, 99, 50}, {3, 240, 500},
  };
  for (const Case& c : cases) {
    ScaleBar bar = ChooseScaleBar(c.MetresPerPixel, c.MaxPixels);
    EXPECT_DOUBLE_EQ(bar.Metres, c.Metres) << c.MetresPerPixel << " m per pixel, " << c.MaxPixels << " pixels";
    EXPECT_LE(bar.Pixels, c.MaxPixels + 1e-9);
    EXPECT_NEAR(bar.Pixels * c.MetresPerPixel, bar.Metres, 1e-6);
  }
  EXPECT_EQ(ChooseScaleBar(0, 240).Metres, 0);
}

TEST(ReportPage, TextFromLogsAndDefinitionsCannotBreakThePage) {
  ReportData data;
  data.LogName = "/tmp/drive </script> @DATA@.jsonl";
  data.Network = "GSM";
  data.Records = 2;
  data.Styles.push_back({"</script><b>\"x\"&'@KPIS@", "message", 0xFFFFFF, 0, true, true, -1, 1});
  data.Events.push_back({1, 46000.5, 0, GeoPoint{31.2, 121.4}, {"cause </script> <img src=x>", "second"}, "GSM", std::nullopt});
  data.Route = {{31.2, 121.4}, {31.21, 121.41}};
  std::string page = pageOf(data);
  // Four script elements: the table data, the map and the chart libraries and
  // the script; nothing else closes one.
  EXPECT_EQ(occurrences(page, "</script>"), 4u);
  EXPECT_EQ(occurrences(page, "<b>"), 0u);
  EXPECT_EQ(occurrences(page, "<img"), 0u);
  EXPECT_NE(page.find("&lt;/script&gt;&lt;b&gt;&quot;x&quot;&amp;&#39;@KPIS@"), std::string::npos);
  nlohmann::json table = tableDataOf(page);
  EXPECT_EQ(table["styles"][0][0], "</script><b>\"x\"&'@KPIS@");
  EXPECT_EQ(table["events"][0][3], "cause </script> <img src=x> | second");
  EXPECT_EQ(table["events"][0][4], "GSM");
  EXPECT_EQ(occurrences(page, "@DATA@"), 2u);  // the log's name in the title and heading, never expanded
}

TEST(ReportPage, MillionRecordLogGivesABoundedPageThatKeepsEveryEvent) {
  constexpr size_t Records = 1000000, Every = 40;
  ReportData data;
  data.LogName = "large.jsonl";
  data.Network = "UMTS";
  data.Records = Records;
  data.Start = 46000.0;
  data.End = data.Start + Records * 0.5 / 86400;
  data.SignalName = "CPICH RSCP (dBm)";
  data.Icons = {"data:image/png;base64,AAAA"};
  data.Styles = {{"Call Established", "message", 0xFFFFFF, 0x008000, true, true, 0, 0},
                 {"Call Drop", "message", 0xFFFF00, 0xFF0000, true, true, -1, 0},
                 {"Ping Success", "test", 0xFFFFFF, 0, false, true, 0, 0},
                 {"Low RSCP", "gate", 0xDDDDFF, 0x0000FF, true, false, -1, 0}};
  size_t inMap = 0, inGraph = 0;
  for (size_t i = 0; i < Records; ++i) {
    double t = data.Start + i * 0.5 / 86400;
    // Laps of a loop some 2 km round: the same streets again and again.
    double a = (i % 3000) * 2 * M_PI / 3000;
    GeoPoint p{31.23 + 0.004 * std::sin(a) + (i % 7) * 1e-6, 121.47 + 0.005 * std::cos(a)};
    data.Route.push_back(p);
    data.Signal.push_back({t, -70 - static_cast<double>((i * 7919) % 45)});
    if (i % Every == 0) {
      int style = static_cast<int>((i / Every) % 4);
      data.Events.push_back({static_cast<int32_t>(i), t, style, p, {"detail line"}, "GSM", std::nullopt});
      ++data.Styles[static_cast<size_t>(style)].Count;
      inMap += data.Styles[static_cast<size_t>(style)].InMap;
      inGraph += data.Styles[static_cast<size_t>(style)].InGraph;
    }
  }
  std::string page = pageOf(data);
  nlohmann::json table = tableDataOf(page);
  EXPECT_EQ(table["events"].size(), data.Events.size());
  EXPECT_EQ(markerCount(page, "mm"), inMap);
  EXPECT_EQ(markerCount(page, "gm"), inGraph);

  // What the browser lays out: the page without the table data. A million
  // records and 25 000 events must not give more than a few thousand
  // elements, and the whole page stays a few megabytes.
  size_t dataStart = page.find("id=\"report-data\">"), dataEnd = page.find("</script>", dataStart);
  std::string drawn = page.substr(0, dataStart) + page.substr(dataEnd);
  EXPECT_LT(occurrences(drawn, "<") - occurrences(drawn, "</"), 12000u);
  EXPECT_LT(drawn.size(), 1500000u);
  EXPECT_LT(page.size(), 4000000u);
}

TEST(ReportFile, SaveReplacesTheWholeFileAndKeepsItsPermissions) {
  e2e::TempDir dir;
  std::string path = (dir.Path() / "report.html").string();
  e2e::WriteFile(path, "old page");
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  WriteFileAtomically(path, "new page");
  EXPECT_EQ(e2e::ReadFile(path), "new page");
  struct stat st{};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  size_t files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.Path())) ++files;
  EXPECT_EQ(files, 1u) << "no temporary file is left behind";

  std::string missing = (dir.Path() / "no-such-dir" / "report.html").string();
  try {
    WriteFileAtomically(missing, "page");
    FAIL() << "a page in a missing directory was reported as written";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find(missing), std::string::npos) << e.what();
  }
}

TEST(ReportPage, GraphSeriesKeepTheirGapsAndPeaksWhenThinned) {
  // Two fields over 10 000 s: a short one sampled each second with a 20 s
  // pause, and a long one of a million samples (every 10 ms) with a pause of
  // a minute and one deep dip. The pauses must come out as gaps (null), the
  // dip and the highest value must survive the thinning.
  ReportData data;
  data.LogName = "fields.jsonl";
  data.Network = "UMTS";
  data.Start = 46000.0;
  data.End = data.Start + 10000.0 / 86400;
  ReportSeries shortOne{"EcIo", "CPICH Ec/Io (dB)", {}}, longOne{"RSCP", "CPICH RSCP (dBm)", {}};
  for (int s = 0; s < 100; ++s)
    if (s < 40 || s >= 60) shortOne.Samples.push_back({data.Start + s / 86400.0, -8.0 - s % 3});
  for (int i = 0; i < 1000000; ++i) {
    const double t = i * 0.01;
    if (t >= 5000 && t < 5060) continue;
    double v = -80 + (i % 7);
    if (i == 777777) v = -121;
    if (i == 123456) v = -40;
    longOne.Samples.push_back({data.Start + t / 86400, v});
  }
  data.Fields = {shortOne, longOne};
  data.SignalField = "RSCP";
  const std::string page = pageOf(data);
  nlohmann::json view = tableDataOf(page)["view"];
  ASSERT_EQ(view["fields"].size(), 2u);
  EXPECT_EQ(view["serving"], 1);

  auto gapsOf = [](const nlohmann::json& f) {
    std::vector<double> at;
    for (size_t i = 0; i < f["v"].size(); ++i)
      if (f["v"][i].is_null()) at.push_back(f["t"][i].get<double>());
    return at;
  };
  const nlohmann::json& s = view["fields"][0];
  EXPECT_EQ(s["t"].size(), 81u);  // every sample and one gap
  EXPECT_EQ(gapsOf(s), std::vector<double>{60});

  const nlohmann::json& l = view["fields"][1];
  EXPECT_LE(l["t"].size(), 30100u);
  EXPECT_EQ(gapsOf(l), std::vector<double>{5060});
  double lo = 0, hi = -200;
  for (const auto& v : l["v"])
    if (!v.is_null()) lo = std::min(lo, v.get<double>()), hi = std::max(hi, v.get<double>());
  EXPECT_EQ(lo, -121);
  EXPECT_EQ(hi, -40);
  // Times stay in order, so the graph can draw the series left to right.
  for (size_t i = 1; i < l["t"].size(); ++i) ASSERT_LE(l["t"][i - 1].get<double>(), l["t"][i].get<double>()) << i;
}
