// The answers behind the host's property exports (list sizes, a list's key
// word, the icon of an event by key), as plain functions on a registry. The
// exports call them with PropertyRegistry(); errors pass to the host.
#pragma once

#include <cstdint>
#include <string>

#include "eventmanager/bitmap.h"

class TEventPropertys;
class TEventPropertyList;

// Records in the message list of network 0..4; EListError for another network.
int32_t QueryMsgPropertyListCount(const TEventPropertys& registry, uint8_t net);
int32_t QueryTestPropertyListCount(const TEventPropertys& registry);
// The list's name ("GSM-Message", "Test", ...); empty for none.
std::string QueryPropertyListKeyWord(const TEventPropertyList* list);
// Key: a network digit, a kind digit, then the event name. Kind 1 looks the
// name up in the test list (whatever the network digit), kind 2 in the
// network's message list; any other kind gives none. A first or second
// character that is not a digit raises EConvertError; a name not in the list
// raises EListError (index -1), as does a message key for a network above 3.
const TBitmap* QueryBitmapByEvent(const TEventPropertys& registry, const std::string& key);
