#include "properties/property_queries.h"

#include <fmt/format.h>

#include "eventmanager/errors.h"
#include "properties/event_propertys.h"

namespace {

int digitOf(const std::string& key, size_t position) {
  if (position >= key.size() || key[position] < '0' || key[position] > '9') {
    std::string text = position < key.size() ? key.substr(position, 1) : std::string();
    throw EConvertError(fmt::format("'{}' is not a valid integer value (event key '{}')", text, key));
  }
  return key[position] - '0';
}

TEventPropertyList* messageList(const TEventPropertys& registry, int net) {
  TEventPropertyList* list = registry.GetList(static_cast<uint8_t>(net), 0);
  if (!list) throw EListError(fmt::format("No message property list for network {}", net));
  return list;
}

}  // namespace

int32_t QueryMsgPropertyListCount(const TEventPropertys& registry, uint8_t net) {
  return messageList(registry, net)->Count();
}

int32_t QueryTestPropertyListCount(const TEventPropertys& registry) { return registry.TestList->Count(); }

std::string QueryPropertyListKeyWord(const TEventPropertyList* list) { return list ? list->Name : std::string(); }

const TBitmap* QueryBitmapByEvent(const TEventPropertys& registry, const std::string& key) {
  int net = digitOf(key, 0);
  int kind = digitOf(key, 1);
  std::string name = key.substr(2);
  TEventPropertyList* list = nullptr;
  if (kind == 1)
    list = registry.TestList.get();
  else if (kind == 2)
    list = messageList(registry, net);
  else
    return nullptr;
  return list->Items(list->IndexOfName(name))->Bitmap;
}
