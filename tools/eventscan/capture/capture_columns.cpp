#include "capture/capture_columns.h"

#include <cstdlib>
#include <string>

#include "capture/capture_mapping.h"
#include "log/record_parser.h"

namespace eventscan {

const std::vector<const char*>& CaptureFields() {
  using namespace capture;
  static const std::vector<const char*> fields = [] {
    std::vector<const char*> f = {"frame.number",         "frame.time_epoch", "gsmtap.type", "gsmtap.uplink",
                                  "gsmtap.rrc_sub_type", "rrc.message",      "_ws.malformed",
                                  "frame.cap_len",        "frame.len"};
    for (const NasProtocol& p : NasProtocols()) f.push_back(p.TypeField);
    for (const NasProtocol& p : NasProtocols()) f.push_back(p.CauseField);
    const char* rest[] = {"gsm_a.dtap.service_type",          "gsm_a.dtap.updating_type",
                          "rrc.establishmentCause",           "rrc.releaseCause",
                          "rrc.rejectionCause",               "rrc.cellUpdateCause",
                          "rrc.failureCause",                 "gsm_a.rr.rxlev_full_serv_cell",
                          "gsm_a.rr.rxlev_sub_serv_cell",     "gsm_a.rr.rxqual_full_serv_cell",
                          "gsm_a.rr.rxqual_sub_serv_cell",    "rrc.cpich_Ec_N0",
                          "rrc.cpich_RSCP",                   "gsm_a.rr.bcch_arfcn",
                          "gsm_a.rr.ncc",                     "gsm_a.rr.bcc",
                          "gsm_a.L3_protocol_discriminator", "_ws.col.Info"};
    f.insert(f.end(), std::begin(rest), std::end(rest));
    return f;
  }();
  return fields;
}

namespace capture {

Columns SplitColumns(std::string_view line) {
  Columns cols;
  cols.reserve(ColCount);
  for (size_t pos = 0;;) {
    size_t tab = line.find('\t', pos);
    cols.push_back(line.substr(pos, tab == std::string_view::npos ? std::string_view::npos : tab - pos));
    if (tab == std::string_view::npos) break;
    pos = tab + 1;
  }
  return cols;
}

std::optional<int64_t> ColumnNumber(std::string_view text) { return ParseDecimalOrHex<int64_t>(text); }

std::optional<double> ColumnDecimal(std::string_view text) {
  if (text.empty()) return std::nullopt;
  std::string copy(text);
  char* end = nullptr;
  double v = std::strtod(copy.c_str(), &end);
  if (end != copy.c_str() + copy.size()) return std::nullopt;
  return v;
}

std::string_view FirstValue(std::string_view column) { return column.substr(0, column.find(',')); }

std::optional<int32_t> ColumnValue(const Columns& cols, size_t c) {
  auto v = ColumnNumber(FirstValue(cols[c]));
  if (!v || *v < INT32_MIN || *v > INT32_MAX) return std::nullopt;
  return static_cast<int32_t>(*v);
}

std::optional<int32_t> ColumnValueIn(const Columns& cols, size_t c, int32_t lo, int32_t hi) {
  auto v = ColumnValue(cols, c);
  if (v && (*v < lo || *v > hi)) return std::nullopt;
  return v;
}

}  // namespace capture
}  // namespace eventscan
