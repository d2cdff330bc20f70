#include "umts_catalogue.h"

#include "nas_messages.h"
#include "rrc_messages.h"

namespace outside {

std::vector<MsgGroup> UmtsGroups(std::span<const MsgGroup> own) {
  std::vector<MsgGroup> groups = {
      {rrc::Prefix, "RRC", rrc::RrcRows()},      {nas::Prefix, "MM", nas::MmRows()},
      {nas::Prefix, "CC", nas::CcRows()},        {nas::Prefix, "GMM", nas::GmmRows()},
      {nas::Prefix, "SM", nas::SmRows()},        {nas::Prefix, "SMS CP", nas::SmsCpRows()},
      {nas::Prefix, "SMS RP", nas::SmsRpRows()}, {nas::Prefix, "RR", nas::RrRows()},
  };
  groups.insert(groups.end(), own.begin(), own.end());
  return groups;
}

}  // namespace outside
