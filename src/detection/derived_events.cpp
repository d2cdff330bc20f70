// Events derived from radio data: a TD-SCDMA mobility-management timer
// expiry, a change of serving cell in idle mode, and CDMA handoffs. Each is
// built as a test item, added to the current record and recorded as if the
// record had carried it.
#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "core/network.h"
#include "detection/act_events_result.h"
#include "detection/test_event_ids.h"
#include "eventmanager/outside/cdma_decoder.h"
#include "eventmanager/outside/data_access.h"
#include "eventmanager/outside/message_codes.h"
#include "eventmanager/outside/tdscdma_decoder.h"

namespace {

constexpr uint32_t HandoffDirectionCodes[] = {cdma::UniversalHandoffDirection, cdma::GeneralHandoffDirection,
                                              cdma::HandoffDirection, cdma::ExtendedHandoffDirection};

// Field identifiers of the serving cell, by network.
struct CellFields {
  int32_t Channel, Cell, GsmChannel, GsmCell;
};
// WCDMA and TD-SCDMA logs carry the 3G serving cell (UARFCN and scrambling
// code / cell parameter id) and the GSM cell measured while in GSM mode.
constexpr CellFields FieldsOf[4] = {
    {0, 1, -1, -1},      // GSM: BCCH, BSIC
    {17, 9, -1, -1},     // CDMA: channel, PN offset
    {98, 99, 17, 7},     // WCDMA: UARFCN, PSC; GSM BCCH, BSIC
    {203, 204, 37, 36},  // TD-SCDMA: UARFCN, CPI; GSM BCCH, BSIC
};

// A row's identifiers, ascending, as a record's fields are walked.
constexpr std::array<int32_t, 4> sortedIds(const CellFields& f) {
  std::array<int32_t, 4> ids{f.Channel, f.Cell, f.GsmChannel, f.GsmCell};
  std::sort(ids.begin(), ids.end());
  return ids;
}
// The WCDMA and TD-SCDMA rows'.
constexpr std::array<int32_t, 4> SortedIdsOf[2] = {sortedIds(FieldsOf[2]), sortedIds(FieldsOf[3])};

uint32_t modeOf(const RecordView& view) { return (view.MessageInfo() >> 24) & 0xF; }
constexpr uint32_t DedicatedMode = 2;

int32_t cell16(int32_t value) { return static_cast<int16_t>(value); }

// A cell change's extra data: 16 bytes, kept on the stack (a string of 16
// would allocate for every change).
struct CellChangeBlock {
  char Bytes[16] = {};
  operator std::string_view() const { return {Bytes, sizeof Bytes}; }
};

template <class T>
void put(CellChangeBlock& block, size_t offset, T value) {
  std::memcpy(block.Bytes + offset, &value, sizeof value);
}

CellChangeBlock cellChangeBlock(int32_t type, int32_t a, int32_t b, int32_t c, int32_t d) {
  CellChangeBlock block;
  put<int32_t>(block, 0, type);
  switch (type) {
    case 0:
    case 1:
      put<int32_t>(block, 4, a);
      put<int32_t>(block, 8, b);
      put<int16_t>(block, 12, static_cast<int16_t>(c));
      put<int16_t>(block, 14, static_cast<int16_t>(d));
      break;
    case 2:
      put<int32_t>(block, 10, b);
      put<int16_t>(block, 14, static_cast<int16_t>(d));
      break;
    case 3:
      put<int32_t>(block, 4, b);
      put<int16_t>(block, 8, static_cast<int16_t>(d));
      break;
  }
  return block;
}

bool valid(int32_t a, int32_t b) { return a > 0 && b > 0; }

}  // namespace

void TActEventsResult::DerivedEventsPass(uint32_t context, int32_t recordIndex) {
  DeriveTimerExpiry(context, recordIndex);
  DeriveCellChange(context, recordIndex);
  DeriveHandoff(context, recordIndex);
}

void TActEventsResult::DeriveTimerExpiry(uint32_t context, int32_t recordIndex) {
  if (NetType != 3) return;
  LoadRecord(RecordView, recordIndex);
  if (RecordView->HasData() == 0 || RecordView->MessageCode() != tdscdma::MmTimerExpiryIndication) return;
  auto block = Gain_TDSCDMA_MM_TimeOut_Indication_Data_Point(DeviceType, RecordView->MessageCode(),
                                                             RecordView->MessageBytes());
  if (block) DeriveItem(context, recordIndex, IdTimerOut, *block);
}

void TActEventsResult::DeriveCellChange(uint32_t context, int32_t recordIndex) {
  // The cell reselection item is the older networks' only: LTE logs report
  // their mobility through RRC messages.
  if (NetType > 3) return;
  const CellFields& f = FieldsOf[NetType];
  if (NetType <= 1) {
    LoadRecord(RecordView, recordIndex);
    if (RecordView->HasData() == 0 || modeOf(*RecordView) != 0) return;
    LoadRecord(RecordView, recordIndex - 1);
    int32_t prevChannel = RecordView->FieldValue(f.Channel);
    int32_t prevCell = cell16(RecordView->FieldValue(f.Cell));
    LoadRecord(RecordView, recordIndex);
    int32_t channel = RecordView->FieldValue(f.Channel);
    int32_t cell = cell16(RecordView->FieldValue(f.Cell));
    bool cellsValid = NetType == 0 ? (prevCell > 0 && cell > 0) : (prevCell >= 0 && cell >= 0);
    if (prevChannel > 0 && channel > 0 && cellsValid && (prevChannel != channel || prevCell != cell))
      DeriveItem(context, recordIndex, IdCellReselection, cellChangeBlock(0, prevChannel, channel, prevCell, cell));
    return;
  }

  LoadRecord(RecordView, recordIndex);
  if (RecordView->HasData() == 0) return;
  // The four fields in one walk over the record's sorted fields.
  const std::array<int32_t, 4> ids = SortedIdsOf[NetType - 2];
  std::array<int32_t, 4> values;
  RecordView->FieldValues(ids, values);
  auto valueOf = [&](int32_t id) { return values[static_cast<size_t>(std::find(ids.begin(), ids.end(), id) - ids.begin())]; };
  int32_t channel = valueOf(f.Channel);
  int32_t cell = valueOf(f.Cell);
  int32_t gsmChannel = valueOf(f.GsmChannel);
  int32_t gsmCell = valueOf(f.GsmCell);
  uint32_t mode = modeOf(*RecordView);
  // Both states are dedicated modes: the record's mode decides first, so the
  // common idle or connected record is not searched for its GSM fields.
  bool dedicated = mode == DedicatedMode &&
                   (TDSCDMADedicateState(*RecordView) || TDSCDMAInGSMDedicateState(*RecordView));

  if (mode <= 1) {
    if (valid(channel, cell)) {
      if (valid(LastGsmChannel, LastGsmCell)) {
        LastGsmChannel = LastGsmCell = 0;
        DeriveItem(context, recordIndex, IdCellReselection, cellChangeBlock(2, 0, channel, 0, cell));
      } else if (valid(Last3GChannel, Last3GCell) && (Last3GChannel != channel || Last3GCell != cell)) {
        DeriveItem(context, recordIndex, IdCellReselection,
                   cellChangeBlock(0, Last3GChannel, channel, Last3GCell, cell));
      }
    } else if (valid(gsmChannel, gsmCell)) {
      if (valid(Last3GChannel, Last3GCell)) {
        Last3GChannel = Last3GCell = 0;
        DeriveItem(context, recordIndex, IdCellReselection, cellChangeBlock(3, 0, gsmChannel, 0, gsmCell));
      } else if (valid(LastGsmChannel, LastGsmCell) && (LastGsmChannel != gsmChannel || LastGsmCell != gsmCell)) {
        DeriveItem(context, recordIndex, IdCellReselection,
                   cellChangeBlock(1, LastGsmChannel, gsmChannel, LastGsmCell, gsmCell));
      }
    }
  }
  if (channel > 0) Last3GChannel = channel;
  if (cell > 0) Last3GCell = cell;
  if (gsmChannel > 0) LastGsmChannel = gsmChannel;
  if (gsmCell > 0) LastGsmCell = gsmCell;
  if (dedicated) {
    if (valid(channel, cell)) LastGsmChannel = LastGsmCell = 0;
    if (valid(gsmChannel, gsmCell)) Last3GChannel = Last3GCell = 0;
  }
}

void TActEventsResult::DeriveHandoff(uint32_t context, int32_t recordIndex) {
  if (NetType != 1) return;
  LoadRecord(RecordView, recordIndex);
  if (RecordView->HasData() == 0) return;
  if (modeOf(*RecordView) == 0) {
    if (HandoffCurrent != NoValue) {
      HandoffPrevious = HandoffCurrent;
      HandoffCurrent = NoValue;
    }
    return;
  }
  uint32_t code = RecordView->MessageCode();
  bool direction = false;
  for (uint32_t wanted : HandoffDirectionCodes) direction = direction || CompareMsgInfo(DeviceType, NetType, code, wanted);
  if (direction) {
    uint8_t handoffType = RecordView->FieldByte(20);
    if (handoffType == 0) return;
    auto block = Gain_CDMA_Handoff_Dir_Param_Data_Point(DeviceType, code, RecordView->MessageBytes());
    if (!block || block->size() < 2) return;
    int32_t v = static_cast<int8_t>((*block)[1]);
    if (HandoffCurrent == NoValue) {
      if (HandoffPrevious != v) {
        HandoffPrevious = NoValue;
        HandoffCurrent = v;
      }
    } else if (HandoffCurrent != v) {
      if (HandoffPrevious != NoValue) DeriveHandoffItem(context, recordIndex, IdHandoffFailure, handoffType);
      HandoffPrevious = HandoffCurrent;
      HandoffCurrent = v;
    }
    return;
  }
  if (HandoffCurrent != NoValue && CompareMsgInfo(DeviceType, NetType, code, cdma::HandoffCompletion)) {
    uint8_t handoffType = RecordView->FieldByte(20);
    if (handoffType == 0) return;
    DeriveHandoffItem(context, recordIndex, IdHandoffSuccess, handoffType);
    HandoffPrevious = HandoffCurrent;
    HandoffCurrent = NoValue;
  }
}

void TActEventsResult::DeriveHandoffItem(uint32_t context, int32_t recordIndex, int16_t eventId,
                                         uint8_t handoffType) {
  std::string block(5, '\0');
  block[0] = static_cast<char>(handoffType);
  if (handoffType == 8 || handoffType == 9) {
    LoadRecord(RecordView, recordIndex - 1);
    auto previous = static_cast<uint16_t>(RecordView->FieldValue(17));
    LoadRecord(RecordView, recordIndex);
    auto current = static_cast<uint16_t>(RecordView->FieldValue(17));
    std::memcpy(block.data() + 1, &previous, 2);
    std::memcpy(block.data() + 3, &current, 2);
  }
  DeriveItem(context, recordIndex, eventId, block);
}
