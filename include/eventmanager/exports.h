// The functions the events library exports. A host loads libeventmanager.so
// (dlopen), finds these by name (dlsym; the names are unmangled) and calls
// them in this order: InitEventManagerDllApplication; the four Create
// functions; LoadMsg_Gate_TestEvents with the log's network; feed records to
// the results container; Clear*, free the objects; FinalEventManagerDllApplication.
// Objects are passed as the library's own classes; a host frees the lists and
// test events with FreeEventObject (eventmanager/object.h) and the results
// container through its virtual destructor. All calls on one thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "eventmanager/bitmap.h"
#include "eventmanager/event_result.h"
#include "eventmanager/export.h"
#include "eventmanager/object.h"

class TMsgEventList;
class TGateEventList;
class TTestEvents;
class TEventPropertyList;
class TEventProperty;
class TIntegerArray;
// Qt 6 Widgets classes of the host (the window and fill exports).
class QWidget;
class QTreeWidget;
class QComboBox;

// One defined event as EventManagerListEvents describes it.
struct TEventListing {
  int Kind = 0;            // 1 message-sequence event, 2 test event, 3 gate event
  int32_t Id = 0;          // test-event identifier; 0 for user events
  std::string Name;        // the name results show (a level's report name, a gate's or test event's name)
  std::string Definition;  // the user event it belongs to (message events), else empty
  TEventProperty* Property = nullptr;  // its display properties, never null
};

extern "C" {

EVENTMANAGER_EXPORT void InitEventManagerDllApplication(void* hostApplication);  // the host's QApplication*
// Saves the display properties when they changed. Never raises: a save that
// fails is added to EventManagerFileFaults (and the file stays as it was), so
// a host compares the faults before and after this call.
EVENTMANAGER_EXPORT void FinalEventManagerDllApplication();
EVENTMANAGER_EXPORT TMsgEventList* CreateMsgEventList();
EVENTMANAGER_EXPORT TGateEventList* CreateGateEventList();
EVENTMANAGER_EXPORT TTestEvents* CreateTestEvents();
EVENTMANAGER_EXPORT TEventsResult* CreateEventsResult();
EVENTMANAGER_EXPORT void ClearMsgEventList(TMsgEventList* list);
EVENTMANAGER_EXPORT void ClearGateEventList(TGateEventList* list);
// network: 0 GSM, 1 CDMA, 2 UMTS, 3 TD-SCDMA, 4 LTE. Any other value raises
// EEventManagerError and changes nothing.
EVENTMANAGER_EXPORT void LoadMsg_Gate_TestEvents(TMsgEventList* msgEvents, TGateEventList* gateEvents,
                                                 TTestEvents* testEvents, TEventsResult* results, uint8_t network);
EVENTMANAGER_EXPORT void EventPropertyListKeyWord(TEventPropertyList* list, std::string& keyWord);
// Records in the message-event property list of a network (0..4); any other
// network raises EEventManagerError.
EVENTMANAGER_EXPORT int32_t MsgPropertyListCount(uint8_t network);
EVENTMANAGER_EXPORT int32_t TestPropertyListCount();
EVENTMANAGER_EXPORT const TBitmap* GetBitmapByEvent(const std::string& eventKey);

// Faults found in the library's files since it was loaded (a file that did
// not parse, a value that could not be read, a save that failed), each as
// "file:line: reason" or "file: reason". A file listed here is never written.
// The library never fails to load because of them; a host shows them.
EVENTMANAGER_EXPORT void EventManagerFileFaults(std::vector<std::string>& faults);
// The message, gate and test events defined for a network (0..4) with their
// display properties, as loaded from the definitions file.
EVENTMANAGER_EXPORT void EventManagerListEvents(uint8_t network, std::vector<TEventListing>& events);

// The window and fill exports exist only in a library built with the
// windows (EVENTMANAGER_WINDOWS, Qt 6 Widgets); look them up with dlsym.
// They need the host's QApplication to be running, else EEventManagerError.
//
// "Internal Event Manage" for all five networks, or for the networks of a
// set (bit k = network k: 1 GSM, 4 UMTS, 15 the four networks GSM, CDMA,
// UMTS and TD-SCDMA, 16 LTE, 31 all five; bits above 4 are ignored). The window is a new
// top-level widget (owner may be null); the host shows and deletes it. It
// changes the shared display properties in place and saves
// EventsProperty.cfg when it is deleted after a change.
EVENTMANAGER_EXPORT QWidget* CreateInternalEventsWin(QWidget* owner);
EVENTMANAGER_EXPORT QWidget* CreateInternalEventsWinByNetType(QWidget* owner, uint8_t networks);
// "Configure User Events" for all five networks, or for the networks of a
// set: the user's message and warning events, with their editors. The
// window is a new top-level widget (owner may be null) that the host shows;
// it frees itself when closed (Esc or the close button; a host that keeps
// the pointer watches it with QPointer), or the host deletes it. It works on
// its own copy of EventsDefine.cfg and writes it when it is freed after a
// change, then links the display properties to it (saving
// EventsProperty.cfg when new events got records); the host reloads with
// LoadMsg_Gate_TestEvents. readOnly non-zero: nothing is changed or written.
// A definitions file that could not be read opens read-only with its fault
// shown at the top of the window, and is never written.
EVENTMANAGER_EXPORT QWidget* CreateEventMaintainWin(QWidget* owner, uint8_t readOnly);
EVENTMANAGER_EXPORT QWidget* CreateEventMaintainWinByNetType(QWidget* owner, uint8_t readOnly, uint8_t networks);
// Adds three groups to the host's tree (not cleared first): the test
// events, the network's message events and its warning events. A group item
// carries its TEventPropertyList* (name it with EventPropertyListKeyWord),
// an event item its TEventProperty*, both as item data (Qt::UserRole, a
// void*). Check boxes are tri-state; each group starts checked when
// `checked` is non-zero, else unchecked, and expanded.
EVENTMANAGER_EXPORT void FillEventPopupTreeView(QTreeWidget* tree, uint8_t network, uint8_t checked);
// Clears the combo box and adds every event's name with its TEventProperty*
// as item data (Qt::UserRole, a void*): test, message, then warning events,
// sorted by name when the box's insert policy is InsertAlphabetically. The
// map gets one entry per event: map[global number] = combo entry, where the
// global number counts test events, then the network's message events, then
// its warning events. Network 0..4, else EEventManagerError.
EVENTMANAGER_EXPORT void InitialEventComboBox(QComboBox* combo, TIntegerArray* map, uint8_t network);

}  // extern "C"

// Signatures for hosts that look the functions up with dlsym.
namespace eventmanager_exports {
using InitEventManagerDllApplication_t = void (*)(void*);
using FinalEventManagerDllApplication_t = void (*)();
using CreateMsgEventList_t = TMsgEventList* (*)();
using CreateGateEventList_t = TGateEventList* (*)();
using CreateTestEvents_t = TTestEvents* (*)();
using CreateEventsResult_t = TEventsResult* (*)();
using ClearMsgEventList_t = void (*)(TMsgEventList*);
using ClearGateEventList_t = void (*)(TGateEventList*);
using LoadMsg_Gate_TestEvents_t = void (*)(TMsgEventList*, TGateEventList*, TTestEvents*, TEventsResult*, uint8_t);
using EventPropertyListKeyWord_t = void (*)(TEventPropertyList*, std::string&);
using MsgPropertyListCount_t = int32_t (*)(uint8_t);
using TestPropertyListCount_t = int32_t (*)();
using GetBitmapByEvent_t = const TBitmap* (*)(const std::string&);
using EventManagerFileFaults_t = void (*)(std::vector<std::string>&);
using EventManagerListEvents_t = void (*)(uint8_t, std::vector<TEventListing>&);
using CreateInternalEventsWin_t = QWidget* (*)(QWidget*);
using CreateInternalEventsWinByNetType_t = QWidget* (*)(QWidget*, uint8_t);
using CreateEventMaintainWin_t = QWidget* (*)(QWidget*, uint8_t);
using CreateEventMaintainWinByNetType_t = QWidget* (*)(QWidget*, uint8_t, uint8_t);
using FillEventPopupTreeView_t = void (*)(QTreeWidget*, uint8_t, uint8_t);
using InitialEventComboBox_t = void (*)(QComboBox*, TIntegerArray*, uint8_t);
}  // namespace eventmanager_exports
