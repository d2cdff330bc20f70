// The families of rows behind BuildItemDetail, one source file each. Internal
// to the item detail unit: every row reads its block only through BlockReader.
#pragma once

#include <cstdint>
#include <string>

#include "detection/item_detail.h"
#include "detection/item_detail_block.h"

struct TItemRow {
  int16_t EventId;
  uint16_t ExtraLength;  // the length the item claims; the block may be shorter
  BlockReader Block;
  const TItemDetailContext& Context;
};

// A whole number of thousandths (milliseconds, scores x1000) as a decimal with
// `decimals` places, rounded from the integer: half-way rounds away from zero
// ("0.16" for 155), where rounding value / 1000.0 would follow its binary
// approximation ("0.15").
std::string ThousandthsText(int64_t thousandths, int decimals);

// Each returns true when the identifier belongs to its family and then leaves
// the row's text in `text` (empty when the block is too short for the row).
bool TransferRowDetail(const TItemRow& row, std::string& text);   // FTP, HTTP, mail, ping, PDP, WAP, multi-FTP
bool MessagingRowDetail(const TItemRow& row, std::string& text);  // SMS, MMS, U-IMAP, Fetion
bool MediaRowDetail(const TItemRow& row, std::string& text);      // voice quality, streaming, video calls
bool NetworkRowDetail(const TItemRow& row, std::string& text);    // calls, cell changes, handovers
