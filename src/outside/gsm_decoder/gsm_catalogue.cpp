#include "gsm_catalogue.h"

#include "nas_messages.h"

namespace outside::gsm {

const MsgCatalogue& Catalogue() {
  static const MsgGroup groups[] = {
      {Prefix, "RR", nas::RrRows()},     {Prefix, "MM", nas::MmRows()},         {Prefix, "CC", nas::CcRows()},
      {Prefix, "GMM", nas::GmmRows()},   {Prefix, "SM", nas::SmRows()},         {Prefix, "SMS CP", nas::SmsCpRows()},
      {Prefix, "SMS RP", nas::SmsRpRows()},
  };
  static const MsgCatalogue catalogue(groups);
  return catalogue;
}

}  // namespace outside::gsm
