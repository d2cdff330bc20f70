// The exports that need Qt: the internal events window, the user events
// maintenance window and the two fill exports. Built into the library only with EVENTMANAGER_WINDOWS.
#include <cstdio>

#include <QApplication>
#include <QComboBox>
#include <QTreeWidget>

#include "core/network.h"
#include "definitions/all_events.h"
#include "eventmanager/errors.h"
#include "eventmanager/exports.h"
#include "eventmanager/integer_array.h"
#include "interface/host_application.h"
#include "interface/library_state.h"
#include "linking/property_linking.h"
#include "platform/xml_file.h"
#include "properties/event_propertys.h"
#include "windows/event_maintain_window.h"
#include "windows/fill_controls.h"
#include "windows/internal_events_window.h"

namespace {

TEventPropertys& registry(const char* what) {
  TEventPropertys* r = PropertyRegistry();
  if (!r) throw EEventManagerError(std::string(what) + ": the events library is not started");
  return *r;
}

// Without a QApplication Qt aborts the process on the first widget; a host
// that forgot it gets an error instead.
void requireApplication(const char* what) {
  if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
    throw EEventManagerError(std::string(what) +
                             ": no QApplication is running; the host creates its QApplication and passes it to "
                             "InitEventManagerDllApplication before opening a window");
}

template <class T>
T& require(T* control, const char* what, const char* name) {
  if (!control) throw EEventManagerError(std::string(what) + ": no " + name + " given");
  return *control;
}

// The same save as FinalEventManagerDllApplication's; it runs from a
// destructor, so a failure is recorded as a fault, not raised, and the
// final save tries again.
void saveRegistry() {
  const size_t before = FileFaults().size();
  SavePropertyRegistry();
  for (size_t i = before; i < FileFaults().size(); ++i)
    std::fprintf(stderr, "eventmanager: %s\n", FileFaults()[i].Text().c_str());
}

void printFaultsFrom(size_t before) {
  for (size_t i = before; i < FileFaults().size(); ++i)
    std::fprintf(stderr, "eventmanager: %s\n", FileFaults()[i].Text().c_str());
}

size_t recordCount(TEventPropertys& r) {
  size_t count = r.TestList->Count();
  for (uint8_t net = 0; net < TAllEvents::kNetworks; ++net)
    count += r.GetList(net, 0)->Count() + r.GetList(net, 1)->Count();
  return count;
}

// The maintenance window's save on destruction: the definitions atomically,
// then the shared display properties linked to them without pruning (the
// host's lists still point at the records of deleted events), and the
// properties file saved when that created records for new or renamed events.
// Never raises: a failure is recorded as a fault of its file and printed.
void saveDefinitions(TAllEvents& events) {
  const size_t before = FileFaults().size();
  const std::string path = TAllEvents::DefaultPath();
  try {
    events.SaveToFile(path);
  } catch (const std::exception& e) {
    RecordStartUpFault(path, e, false);
    printFaultsFrom(before);
    return;
  }
  TEventPropertys* r = PropertyRegistry();
  if (!r) return;
  const size_t records = recordCount(*r);
  try {
    LinkAllProperties(events, r, false);
  } catch (const std::exception& e) {
    RecordStartUpFault(path, e, false);
  }
  if (recordCount(*r) != records) SavePropertyRegistry();
  printFaultsFrom(before);
}

}  // namespace

extern "C" {

QWidget* CreateInternalEventsWin(QWidget* owner) { return CreateInternalEventsWinByNetType(owner, AllNetworks); }

QWidget* CreateInternalEventsWinByNetType(QWidget* owner, uint8_t networks) {
  requireApplication("CreateInternalEventsWin");
  return new TFrmInternalEvents(owner, networks, registry("CreateInternalEventsWin"), saveRegistry);
}

QWidget* CreateEventMaintainWin(QWidget* owner, uint8_t readOnly) {
  return CreateEventMaintainWinByNetType(owner, readOnly, AllNetworks);
}

QWidget* CreateEventMaintainWinByNetType(QWidget* owner, uint8_t readOnly, uint8_t networks) {
  requireApplication("CreateEventMaintainWin");
  registry("CreateEventMaintainWin");
  return new TfmEventMaintain(owner, readOnly, networks, TAllEvents::DefaultPath(), saveDefinitions);
}

void FillEventPopupTreeView(QTreeWidget* tree, uint8_t network, uint8_t checked) {
  FillEventTree(require(tree, "FillEventPopupTreeView", "tree"), registry("FillEventPopupTreeView"), network,
                checked != 0);
}

void InitialEventComboBox(QComboBox* combo, TIntegerArray* map, uint8_t network) {
  FillEventCombo(require(combo, "InitialEventComboBox", "combo box"), require(map, "InitialEventComboBox", "map"),
                 registry("InitialEventComboBox"), network);
}

}  // extern "C"
