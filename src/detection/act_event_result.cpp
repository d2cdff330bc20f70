#include "detection/act_event_result.h"

#include "definitions/gate_event.h"
#include "definitions/level_node.h"
#include "detection/act_events_result.h"
#include "detection/detail_spares.h"
#include "detection/item_detail.h"
#include "detection/level_detail.h"
#include "detection/result_pool.h"
#include "eventmanager/event_property.h"
#include "eventmanager/outside/data_access.h"
#include "eventmanager/outside/utility.h"

TActEventResult::TActEventResult(TEventsResult* owner) {
  Owner = owner;
  Details = &details_;
}

// A host may have pointed Details at lines of its own; they stay its own.
// The result's own lines keep their storage for the next results.
TActEventResult::~TActEventResult() { detail_spares::Keep(details_); }

void* TActEventResult::operator new(size_t size) { return result_pool::Allocate(size); }
void TActEventResult::operator delete(void* block, size_t) {
  if (result_pool::Free(block)) detail_spares::Drop();
}

TActEventResult* AsActResult(TEventResult* result) { return dynamic_cast<TActEventResult*>(result); }

std::unique_ptr<TActEventResult> TActEventResult::CreateForLevel(TEventsResult* owner, uint8_t deviceType,
                                                                 int32_t recordIndex, TLevelNode* level) {
  std::unique_ptr<TActEventResult> r(new TActEventResult(owner));
  r->Kind = KindMessage;
  r->SourceDetailFlag6 = level->DetailFlag == 6;
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
  r->Kind = static_cast<uint8_t>(kind);
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

// The record is read through a view of the moment: a result keeps none, and
// the container's own view may hold the record a pass is working on.
void TActEventResult::BuildItemDetails() {
  ::RecordView view;
  LoadRecord(&view, RecordIndex);
  if (view.HasData() == 0) return;
  int count = view.ItemCount();
  if (ItemIndex < 0 || ItemIndex >= count) return;
  const TestItem& item = view.Items()[ItemIndex];
  Time = item.Time;
  TItemDetailContext context;
  context.NetType = Owner ? Owner->GetNetType() : 255;
  context.RecordNetType = view.NetType();
  context.DeviceType = DeviceType;
  // The owner's publishing variant: one of ours unless a test made the result alone.
  if (auto* container = dynamic_cast<const TActEventsResult*>(Owner)) context.PublishId = container->PublishId();
  // One buffer for every result's text: the lines are copied out of it, so
  // only lines too long to sit in their own string allocate.
  static thread_local std::string text;
  BuildItemDetail(item, view.GetExtraData(item), context, text);
  Details->clear();
  AppendDetailLines(text, RecordIndex, *Details);
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
  ::RecordView view;
  LoadRecord(&view, RecordIndex);
  return view.HasData() ? view.Time() : 0;
}

bool TActEventResult::IsKind(int32_t selector) {
  switch (selector) {
    case 0: return Kind == KindMessage;
    case 1: return Kind == KindTest;
    case 2: return Kind == KindGate;
    default: return false;
  }
}

bool TActEventResult::HasDetailFlag6() { return Kind == KindMessage && SourceDetailFlag6; }

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
