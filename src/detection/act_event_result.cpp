#include "detection/act_event_result.h"

#include "definitions/gate_event.h"
#include "definitions/level_node.h"
#include "detection/item_detail.h"
#include "detection/level_detail.h"
#include "eventmanager/event_property.h"
#include "eventmanager/outside/data_access.h"
#include "eventmanager/outside/utility.h"

uint8_t PublishId = 0;

TActEventResult::TActEventResult(TEventsResult* owner) : RecordView(NewHandsetFieldsInstance()) {
  Owner = owner;
  Details = new TResultDetails;
}

TActEventResult::~TActEventResult() { delete Details; }

TActEventResult* AsActResult(TEventResult* result) { return dynamic_cast<TActEventResult*>(result); }

std::unique_ptr<TActEventResult> TActEventResult::CreateForLevel(TEventsResult* owner, uint8_t deviceType,
                                                                 int32_t recordIndex, TLevelNode* level) {
  std::unique_ptr<TActEventResult> r(new TActEventResult(owner));
  r->Kind = KindMessage;
  r->SourceDetailFlag = level->DetailFlag;
  r->Property = level->Property;
  r->RecordIndex = recordIndex;
  r->DeviceType = deviceType;
  TGetRecordEvent loader = owner ? owner->OnGetRecord : TGetRecordEvent{};
  AppendLevelDetails(*level, *r->Details, loader, deviceType);
  return r;
}

std::unique_ptr<TActEventResult> TActEventResult::CreateForItem(TEventsResult* owner, int32_t kind,
                                                                uint8_t deviceType, TEventProperty* property,
                                                                int32_t itemIndex, int32_t recordIndex,
                                                                int16_t eventId) {
  std::unique_ptr<TActEventResult> r(new TActEventResult(owner));
  r->Kind = kind;
  r->SourceId = eventId;
  r->DeviceType = deviceType;
  r->Property = property;
  r->ItemIndex = itemIndex;
  r->RecordIndex = recordIndex;
  r->BuildItemDetails();
  return r;
}

std::unique_ptr<TActEventResult> TActEventResult::CreateForGate(TEventsResult* owner, int32_t recordIndex,
                                                                TGateEvent* gate) {
  std::unique_ptr<TActEventResult> r(new TActEventResult(owner));
  r->Kind = KindGate;
  r->Property = gate ? gate->Property : nullptr;
  r->RecordIndex = recordIndex;
  r->DeviceType = 0;
  return r;
}

void TActEventResult::BuildItemDetails() {
  LoadRecord(RecordView.get(), RecordIndex);
  if (RecordView->HasData() == 0) return;
  int count = RecordView->ItemCount();
  if (ItemIndex < 0 || ItemIndex >= count) return;
  const TestItem& item = RecordView->Items()[ItemIndex];
  Time = item.Time;
  TItemDetailContext context;
  context.NetType = Owner ? Owner->GetNetType() : 255;
  context.RecordNetType = RecordView->NetType();
  context.DeviceType = DeviceType;
  context.PublishId = PublishId;
  std::string text = BuildItemDetail(item, RecordView->GetExtraData(item), context);
  Details->clear();
  for (auto& line : SplitDetailLines(text)) Details->push_back({std::move(line), RecordIndex});
}

const TBitmap* TActEventResult::GetBitmap() { return Property ? Property->Bitmap : nullptr; }

void TActEventResult::GetVoiceText(std::string& text) {
  text.clear();
  if (Property) Property->GetVoiceText(text);
}

void TActEventResult::GetEventName(std::string& name) { name = Property ? Property->EventName : std::string(); }

bool TActEventResult::GetDrawInGraph() { return Property && Property->DrawInGraph; }
bool TActEventResult::GetDrawInMap() { return Property && Property->DrawInMap; }
bool TActEventResult::GetPlayVoice() { return Property && Property->PlayVoice; }
int32_t TActEventResult::GetBackColor() { return Property ? Property->BackColor : 0xFFFFFF; }
int32_t TActEventResult::GetFontColor() { return Property ? Property->FontColor : 0; }

double TActEventResult::GetTime() {
  if (Time != 0) return Time;
  LoadRecord(RecordView.get(), RecordIndex);
  return RecordView->HasData() ? RecordView->Time() : 0;
}

bool TActEventResult::IsKind(int32_t selector) {
  switch (selector) {
    case 0: return Kind == KindMessage;
    case 1: return Kind == KindTest;
    case 2: return Kind == KindGate;
    default: return false;
  }
}

bool TActEventResult::HasDetailFlag6() { return Kind == KindMessage && SourceDetailFlag == 6; }

void TActEventResult::Assign(TEventResult* source) {
  if (!source || source == this) return;
  Property = source->Property;
  RecordIndex = source->RecordIndex;
  *Details = source->Details ? *source->Details : TResultDetails{};
}

void TActEventResult::Speak() {
  if (!GetPlayVoice()) return;
  std::string text;
  GetVoiceText(text);
  Speech(text, 0);
}

int32_t TActEventResult::LoadRecord(class RecordView* view, int32_t recordIndex) {
  if (Owner) return Owner->LoadRecord(view, recordIndex);
  view->DataSource = 0;
  view->Reset();
  return 0;
}
