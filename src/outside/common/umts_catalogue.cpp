#include "umts_catalogue.h"

#include "nas_messages.h"
#include "rrc_messages.h"

namespace outside {

std::vector<MsgGroup> UmtsGroups(std::span<const MsgGroup> own) {
  using rrc::NasPrefix;
  std::vector<MsgGroup> groups = {
      {rrc::RrcPrefix, "RRC", rrc::RrcRows()}, {NasPrefix, "MM", nas::MmRows()},
      {NasPrefix, "CC", nas::CcRows()},        {NasPrefix, "GMM", nas::GmmRows()},
      {NasPrefix, "SM", nas::SmRows()},        {NasPrefix, "SMS CP", nas::SmsCpRows()},
      {NasPrefix, "SMS RP", nas::SmsRpRows()}, {NasPrefix, "RR", nas::RrRows()},
  };
  groups.insert(groups.end(), own.begin(), own.end());
  return groups;
}

}  // namespace outside
