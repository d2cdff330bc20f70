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
                          "gsm_a.L3_protocol_discriminator", "_ws.col.Info",
                          "gsmtap.version"};
    f.insert(f.end(), std::begin(rest), std::end(rest));
    for (const char* channel : LteChannelFields()) f.push_back(channel);
    const char* lte[] = {"lte-rrc.c1",
                         "lte-rrc.messageClassExtension",
                         "lte-rrc.c2",
                         "lte-rrc.establishmentCause",
                         "lte-rrc.reestablishmentCause",
                         "lte-rrc.releaseCause",
                         "lte-rrc.mobilityControlInfo_element",
                         "lte-rrc.targetPhysCellId",
                         "lte-rrc.dl_CarrierFreq",
                         "lte-rrc.redirectedCarrierInfo",
                         "lte-rrc.eutra",
                         "lte-rrc.startingARFCN",
                         "lte-rrc.utra_FDD",
                         "lte-rrc.utra_TDD",
                         "lte-rrc.carrierFreq_r15",
                         "lte-rrc.purpose",
                         "lte-rrc.targetRAT_Type",
                         "lte-rrc.nr_Config_r15",
                         "nr-rrc.physCellId",
                         "nr-rrc.absoluteFrequencySSB",
                         "lte-rrc.failureType_r15",
                         "lte-rrc.failureType_v1610",
                         "lte-rrc.rsrpResult",
                         "lte-rrc.rsrqResult",
                         "lte-rrc.physCellId",
                         "nas_eps.security_header_type",
                         "nas_eps.nas_msg_emm_type",
                         "nas_eps.nas_msg_esm_type",
                         "nas_eps.emm.cause",
                         "nas_eps.esm.cause",
                         "nas_eps.bearer_id",
                         "nas_eps.esm.linked_bearer_id",
                         "nas_eps.emm.eps_att_type",
                         "nas_eps.emm.update_type_value",
                         "nas_eps.emm.service_type"};
    f.insert(f.end(), std::begin(lte), std::end(lte));
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

std::vector<std::string_view> ColumnValues(std::string_view column) {
  std::vector<std::string_view> values;
  if (column.empty()) return values;
  for (size_t pos = 0;;) {
    size_t comma = column.find(',', pos);
    values.push_back(column.substr(pos, comma == std::string_view::npos ? std::string_view::npos : comma - pos));
    if (comma == std::string_view::npos) break;
    pos = comma + 1;
  }
  return values;
}

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
