#include "detection/act_events_result.h"

#include <cxxabi.h>

#include <algorithm>
#include <cstdlib>
#include <typeinfo>

#include <fmt/format.h>

#include "core/hash_object_list.h"
#include "core/object_list.h"
#include "definitions/msg_event.h"
#include "definitions/msg_event_list.h"
#include "detection/detail_spares.h"
#include "detection/result_pool.h"
#include "eventmanager/errors.h"
#include "eventmanager/event_property.h"
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

TActEventsResult::TActEventsResult(TPassOptions options) : options_(options) {
  NetType = 255;
  Position = -1;
  RecordView = NewHandsetFieldsInstance();
  EventView = NewEventFieldsInstance();
  Results = new TObjectList(TActEventResult::StaticClass(), true);
  result_pool::Hold();
}

TActEventsResult::~TActEventsResult() {
  delete Results;
  delete RecordView;
  delete EventView;
  if (result_pool::Release()) detail_spares::Drop();
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
  if (TEventResult* target = GetResult(index)) {
    target->Assign(source);
    SortKey(Result(index), false);  // notices a moved record at once
  }
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
// Both keys are cached in the result and loaded again only when its record or
// time changed (Assign), so an insertion loads one record, not one per step.
double TActEventsResult::SortKey(TActEventResult* result, bool byItemTime) {
  TActEventResult::SortKeys& k = result->Keys;
  if (!k.Keyed || k.KeyedRecord != result->RecordIndex || k.KeyedTime() != result->Time) {
    LoadRecord(RecordView, result->RecordIndex);
    k.HasData = RecordView->HasData() != 0;
    k.OrderTime = k.HasData ? RecordView->OrderTime() : 0;
    k.First = !k.HasData ? result->Time : result->Time != 0 ? result->Time : RecordView->Time();
    k.KeyedAtZero = result->Time == 0;
    k.Keyed = true;
    k.KeyedRecord = result->RecordIndex;
    // A key that changed under a listed result may have broken the order.
    if (result->Listed) itemDescents_ = orderDescents_ = -1;
  }
  return byItemTime ? k.ItemTime() : k.OrderTime;
}

void TActEventsResult::countDescents() {
  itemDescents_ = orderDescents_ = 0;
  int32_t count = GetCount();
  for (int32_t i = 0; i + 1 < count; ++i) {
    itemDescents_ += SortKey(Result(i), true) > SortKey(Result(i + 1), true);
    orderDescents_ += SortKey(Result(i), false) > SortKey(Result(i + 1), false);
  }
}

// The position after the last result whose key is not greater than `key`:
// after all equal keys, so equal keys keep their arrival order. Results that
// arrive in time order cost one comparison; out of order, a binary search
// while the list is sorted by that key, else a walk from the end.
int32_t TActEventsResult::insertionPoint(double key, bool byItemTime) {
  int32_t count = GetCount();
  if (count == 0 || SortKey(Result(count - 1), byItemTime) <= key) return count;
  if (itemDescents_ < 0 || orderDescents_ < 0) countDescents();
  if ((byItemTime ? itemDescents_ : orderDescents_) == 0) {
    int32_t lo = 0, hi = count - 1;  // the result at hi is known to be greater
    while (lo < hi) {
      int32_t mid = lo + (hi - lo) / 2;
      if (SortKey(Result(mid), byItemTime) <= key)
        lo = mid + 1;
      else
        hi = mid;
    }
    // A key loaded again during the search may have changed the order.
    if (itemDescents_ >= 0 && orderDescents_ >= 0) return lo;
    countDescents();
  }
  int32_t at = count - 1;
  while (at >= 0 && SortKey(Result(at), byItemTime) > key) --at;
  return at + 1;
}

int32_t TActEventsResult::AddResult(TEventResult* result) {
  TActEventResult* r = result ? AsActResult(result) : nullptr;
  // Hosts know the list's item class by its interface name, TEventResult.
  if (!r)
    throw EMyClassTypeMismatch(fmt::format("Class type mismatch {} with TEventResult",
                                           result ? classNameOf(result) : std::string("nil")));
  // A result belongs to one list at most: one already listed (here or in
  // another container) is refused, so no result is ever owned twice.
  if (r->Listed) return -1;
  bool byItemTime = r->Kind == KindTest;
  double key = SortKey(r, byItemTime);
  int32_t count = GetCount();
  // Never before the results a host was told keep their places: one that
  // belongs there (its log stepped back in time) comes right after them.
  int32_t position = std::max(insertionPoint(key, byItemTime), std::min(finalCount_, count));
  if (itemDescents_ >= 0 && orderDescents_ >= 0) {
    // Keep the descent counts in step: the pair (before, after) is replaced
    // by (before, r) and (r, after).
    auto descents = [&](bool item) {
      double mine = SortKey(r, item);
      int64_t d = 0;
      if (position > 0) d += SortKey(Result(position - 1), item) > mine;
      if (position < count) d += mine > SortKey(Result(position), item);
      if (position > 0 && position < count)
        d -= SortKey(Result(position - 1), item) > SortKey(Result(position), item);
      return d;
    };
    int64_t item = descents(true), order = descents(false);
    if (itemDescents_ >= 0 && orderDescents_ >= 0) {
      itemDescents_ += item;
      orderDescents_ += order;
    }
  }
  if (position >= count)
    position = Results->Add(r);
  else
    Results->Insert(position, r);
  r->Owner = this;
  r->Listed = true;
  noteEventName(r->Property);
  return position;
}

void TActEventsResult::noteEventName(TEventProperty* property) {
  // Most results come from a few properties: one already seen under the name
  // it still has adds nothing, and is told so without building a key.
  const std::string& name = property ? property->EventName : noName_;
  const TRecentName* recent = nullptr;
  for (const TRecentName& r : recentNames_)
    if (r.Name && r.Property == property) {
      recent = &r;  // a property is among them once at most
      break;
    }
  if (recent && *recent->Name == name) return;
  auto seen = namedProperties_.find(property);
  if (seen == namedProperties_.end() || seen->second != name) {
    if (eventNameKeys_.insert(UpperKey(name)).second) EventNames.push_back({name, property});
    seen = namedProperties_.insert_or_assign(property, name).first;
  }
  // A property already among the recent ones has the map's entry there.
  if (recent) return;
  recentNames_[nextRecentName_] = {property, &seen->second};
  nextRecentName_ = static_cast<uint8_t>((nextRecentName_ + 1) % recentNames_.size());
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

void TActEventsResult::Clear() {
  Results->Clear();
  // A host clears before it feeds another log: the last record of the old
  // one is not to be evaluated against the new one's records.
  gatePending_ = -1;
  gatesThisLog_.clear();
  itemDescents_ = orderDescents_ = 0;
  finalCount_ = 0;
}

// Results still to come from records already fed: a message sequence waiting
// in its window is reported at its start record (when the window closes or a
// test event ends it), and a record fed with Notify waits for its gates until
// the next record or the end of the log. Both sort by their record's ordering
// time. Every other pass reports at the record being fed, at once.
double TActEventsResult::pendingKey(double later) {
  double key = later;
  ::RecordView view;
  auto orderTime = [&](int32_t record) {
    LoadRecord(&view, record);
    key = std::min(key, view.HasData() ? view.OrderTime() : 0.0);
  };
  if (gatePending_ >= 0) orderTime(gatePending_);
  if (MsgEvents && MsgEvents->MayHaveWaiting)
    for (int i = 0; i < MsgEvents->Count(); ++i)
      if (TMsgEvent* event = MsgEvents->Event(i); event->InProgress) orderTime(event->StartRecord);
  return key;
}

// A result later fed goes after every result whose key is not greater than
// its own (insertionPoint), so the results from the first whose keys, both of
// them, are at most the earliest key still to come keep their places.
int32_t TActEventsResult::FinalCount(double later) {
  const int32_t count = GetCount();
  if (finalCount_ >= count) return finalCount_ = count;
  const double bound = pendingKey(later);
  while (finalCount_ < count) {
    TActEventResult* r = Result(finalCount_);
    if (SortKey(r, true) > bound || SortKey(r, false) > bound) break;
    ++finalCount_;
  }
  return finalCount_;
}

int32_t TActEventsResult::ReleaseFirst(int32_t count) {
  const int32_t released = std::clamp(count, 0, std::min(finalCount_, GetCount()));
  Results->DeleteRange(0, released);  // the list frees what it deletes
  finalCount_ -= released;
  // The neighbours of the first result kept changed.
  if (released > 0) itemDescents_ = orderDescents_ = -1;
  return released;
}

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
