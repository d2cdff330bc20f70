#include "detection/act_events_result.h"

#include <cxxabi.h>

#include <cstdlib>
#include <typeinfo>

#include <fmt/format.h>

#include "definitions/hash_object_list.h"
#include "definitions/object_list.h"
#include "eventmanager/errors.h"
#include "eventmanager/outside/data_access.h"
#include "eventmanager/outside/utility.h"

namespace {

std::string classNameOf(const TEventResult* result) {
  int status = 0;
  char* name = abi::__cxa_demangle(typeid(*result).name(), nullptr, nullptr, &status);
  std::string text = status == 0 && name ? name : typeid(*result).name();
  std::free(name);
  return text;
}

}  // namespace

TActEventsResult::TActEventsResult() {
  NetType = 255;
  Position = -1;
  RecordView = NewHandsetFieldsInstance();
  EventView = NewEventFieldsInstance();
  Results = new TObjectList(TActEventResult::StaticClass(), true);
}

TActEventsResult::~TActEventsResult() {
  delete Results;
  delete RecordView;
  delete EventView;
}

void TActEventsResult::SetDataSource(uint32_t value) {
  DataSource = value;
  RecordView->DataSource = value;
}

void TActEventsResult::SetNetType(uint8_t net) {
  if (net != NetType) NetType = net;
}

TActEventResult* TActEventsResult::Result(int32_t index) const { return Results->ItemAs<TActEventResult>(index); }

TEventResult* TActEventsResult::GetResult(int32_t index) {
  return index >= 0 && index < GetCount() ? Result(index) : nullptr;
}

void TActEventsResult::AssignResult(int32_t index, TEventResult* source) {
  if (TEventResult* target = GetResult(index)) target->Assign(source);
}

int32_t TActEventsResult::GetCount() { return Results->Count(); }

int32_t TActEventsResult::IndexOf(TEventResult* result) {
  TActEventResult* act = result ? AsActResult(result) : nullptr;
  return act ? Results->IndexOf(act) : -1;
}

int32_t TActEventsResult::FindExact(int32_t recordIndex, bool last) { return Find(recordIndex, 3, last ? 1 : 0); }

int32_t TActEventsResult::Find(int32_t recordIndex, uint8_t matchMode, uint8_t duplicateMode) {
  int32_t count = GetCount();
  if (count == 0) return -1;
  int32_t lo = 0, hi = count - 1;
  while (lo <= hi) {
    int32_t mid = lo + (hi - lo) / 2;
    int64_t diff = int64_t(Result(mid)->RecordIndex) - recordIndex;
    if (diff == 0) {
      if (duplicateMode == 0)
        while (mid > 0 && Result(mid - 1)->RecordIndex == recordIndex) --mid;
      else if (duplicateMode == 1)
        while (mid < count - 1 && Result(mid + 1)->RecordIndex == recordIndex) ++mid;
      return mid;
    }
    if (diff < 0)
      lo = mid + 1;
    else
      hi = mid - 1;
  }
  // No exact hit: hi is the last result before the key, lo the first after it.
  int32_t floor = hi, ceiling = lo < count ? lo : -1;
  switch (matchMode) {
    case 0: return floor;
    case 1: return ceiling;
    case 2:
      if (floor < 0) return ceiling;
      if (ceiling < 0) return floor;
      return int64_t(recordIndex) - Result(floor)->RecordIndex <= int64_t(Result(ceiling)->RecordIndex) - recordIndex
                 ? floor
                 : ceiling;
    default: return -1;
  }
}

int32_t TActEventsResult::LoadRecord(class RecordView* view, int32_t recordIndex) {
  if (OnGetRecord) return OnGetRecord(view, recordIndex);
  view->DataSource = 0;
  view->Reset();
  return 0;
}

// Sort key of a result: its own time for test events, else the ordering time
// of its record. A result whose record cannot be loaded sorts with key 0.
double TActEventsResult::SortKey(TActEventResult* result, bool byItemTime) {
  LoadRecord(RecordView, result->RecordIndex);
  if (RecordView->HasData() == 0) return 0;
  return byItemTime ? result->GetTime() : RecordView->OrderTime();
}

int32_t TActEventsResult::AddResult(TEventResult* result) {
  TActEventResult* r = result ? AsActResult(result) : nullptr;
  // Hosts know the list's item class by its interface name, TEventResult.
  if (!r)
    throw EMyClassTypeMismatch(fmt::format("Class type mismatch {} with TEventResult",
                                           result ? classNameOf(result) : std::string("nil")));
  // A result belongs to one list at most: one already listed (here or in
  // another container) is refused, so no result is ever owned twice.
  if (r->ListedIn) return -1;
  bool byItemTime = r->Kind == KindTest;
  double key = SortKey(r, byItemTime);
  int32_t count = GetCount();
  int32_t at = count - 1;
  while (at >= 0 && SortKey(Result(at), byItemTime) > key) --at;
  int32_t position = at + 1;
  if (position >= count)
    position = Results->Add(r);
  else
    Results->Insert(position, r);
  r->Owner = this;
  r->ListedIn = this;
  std::string name = r->EventName();
  if (eventNameKeys_.insert(UpperKey(name)).second) EventNames.push_back({name, r->Property});
  return position;
}

int32_t TActEventsResult::AddAndNotify(std::unique_ptr<TActEventResult> result, bool notify, uint32_t context,
                                       uint8_t flag) {
  TActEventResult* r = result.get();
  int32_t position = AddResult(r);
  if (position < 0) return position;  // not added: the unique_ptr frees it
  result.release();                   // the list owns it now
  if (notify && OnEventAdded) OnEventAdded(context, r, flag, static_cast<uint8_t>(r->Kind), position);
  return position;
}

void TActEventsResult::Clear() { Results->Clear(); }

TEventResult* TActEventsResult::GetNodeResult(TVirtualTree*, TVirtualNode* node) {
  if (!node) return nullptr;
  while (node->Parent) node = node->Parent;
  return node->Result;
}

int32_t TActEventsResult::GetNodeRecordIndex(TVirtualTree* tree, TVirtualNode* node) {
  TEventResult* result = GetNodeResult(tree, node);
  if (!result) return -1;
  if (!node->Parent) return result->RecordIndex;
  if (node->Line >= 0 && result->Details && node->Line < static_cast<int32_t>(result->Details->size()))
    return (*result->Details)[node->Line].RecordIndex;
  return -1;
}

void TActEventsResult::AttachTree(TVirtualTree* tree) {
  if (!tree) return;
  tree->OnGetText = {&TActEventsResult::TreeGetText, this};
  tree->OnPaintText = {&TActEventsResult::TreePaintText, this};
}

void TActEventsResult::TreeGetText(void* self, TVirtualTree* tree, TVirtualNode* node, std::string& text) {
  auto* container = static_cast<TActEventsResult*>(self);
  text.clear();
  TEventResult* result = container->GetNodeResult(tree, node);
  if (!result) return;
  if (!node->Parent) {
    std::string time;
    container->LoadRecord(container->RecordView, container->GetNodeRecordIndex(tree, node));
    if (container->RecordView->HasData()) {
      int32_t tag = tree->Tag;
      time = MakeDateTime(result->GetTime(), container->RecordView->OrderTime(), tag & 1, tag & 2, tag & 4, tag & 8);
    }
    std::string name;
    result->GetEventName(name);
    text = time + " -> " + name;
  } else if (!node->Parent->Parent) {
    if (node->Line >= 0 && result->Details && node->Line < static_cast<int32_t>(result->Details->size()))
      text = (*result->Details)[node->Line].Text;
  }
}

void TActEventsResult::TreePaintText(void* self, TVirtualTree* tree, TVirtualNode* node, int32_t& fontColor) {
  auto* container = static_cast<TActEventsResult*>(self);
  if (TEventResult* result = container->GetNodeResult(tree, node)) fontColor = result->GetFontColor();
}
