// The user events maintenance window as a host and a person use it: the
// library is opened with dlopen in a process of its own with a copy of the
// sample home, the window comes from the exports, the test clicks through it
// and its editors, frees it and reads EventsDefine.cfg and
// EventsProperty.cfg back, then runs a sample log against the saved events.
#include <dlfcn.h>

#include <algorithm>
#include <functional>
#include <sstream>
#include <string>

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "testing/e2e_support.h"
#include "window_steps.h"

namespace {

using namespace eventmanager_exports;

struct MaintainExports {
  CreateEventMaintainWin_t CreateEventMaintainWin = nullptr;
  CreateEventMaintainWinByNetType_t CreateEventMaintainWinByNetType = nullptr;
};

void WithLibrary(const e2e::fs::path& home,
                 const std::function<void(eventscan::HostLibrary&, MaintainExports&)>& body) {
  WithWindowsLibrary(home, [&](eventscan::HostLibrary& library) {
    MaintainExports win;
    win.CreateEventMaintainWin = windowExport<CreateEventMaintainWin_t>(library, "CreateEventMaintainWin");
    win.CreateEventMaintainWinByNetType =
        windowExport<CreateEventMaintainWinByNetType_t>(library, "CreateEventMaintainWinByNetType");
    ASSERT_TRUE(win.CreateEventMaintainWin && win.CreateEventMaintainWinByNetType);
    body(library, win);
  });
}

std::vector<std::string> entries(QListWidget* list) {
  std::vector<std::string> texts;
  for (int i = 0; i < list->count(); ++i) texts.push_back(list->item(i)->text().toStdString());
  return texts;
}

void clickTab(QTabBar* tabs, const char* text) {
  for (int i = 0; i < tabs->count(); ++i)
    if (tabs->tabText(i) == text) {
      QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(i).center());
      ASSERT_EQ(tabs->currentIndex(), i) << text;
      return;
    }
  ADD_FAILURE() << "no tab " << text;
}

void clickEntry(QListWidget* list, const char* text) {
  const QList<QListWidgetItem*> found = list->findItems(text, Qt::MatchExactly);
  ASSERT_EQ(found.size(), 1) << text;
  list->scrollToItem(found.first());
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(found.first()).center());
}

void click(QWidget* window, const char* button) { QTest::mouseClick(child<QPushButton>(window, button), Qt::LeftButton); }

// Runs `act` on the modal dialog that the next click opens.
void onNextModal(const std::function<void(QWidget*)>& act) {
  QTimer::singleShot(0, [act] {
    QWidget* dialog = QApplication::activeModalWidget();
    ASSERT_NE(dialog, nullptr) << "no modal dialog opened";
    act(dialog);
  });
}

// The gate editor's name box filled with `name`, then OK or Cancel.
std::function<void(QWidget*)> nameGate(const char* name, const char* button) {
  return [name, button](QWidget* dialog) {
    EXPECT_EQ(dialog->objectName(), "TfmGateEventModify");
    auto* report = child<QComboBox>(dialog, "cboxReport");
    report->lineEdit()->selectAll();
    QTest::keyClicks(report->lineEdit(), name);
    click(dialog, button);
  };
}

std::vector<std::string> sortedIgnoringCase(std::vector<std::string> names) {
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return QString::compare(QString::fromStdString(a), QString::fromStdString(b), Qt::CaseInsensitive) < 0;
  });
  return names;
}

// Names of Events/<section>/<network>/* in a definitions file.
std::vector<std::string> storedNames(const e2e::fs::path& file, const char* section, const char* network) {
  pugi::xml_document doc;
  EXPECT_TRUE(doc.load_file(file.c_str())) << file;
  std::vector<std::string> names;
  for (pugi::xml_node event : doc.child("Events").child(section).child(network).children())
    names.push_back(event.attribute("EventName").value());
  return names;
}

bool hasPropertyRecord(const e2e::fs::path& home, const char* list, const std::string& name) {
  pugi::xml_document doc;
  EXPECT_TRUE(doc.load_file((home / "EventsProperty.cfg").c_str()));
  for (pugi::xml_node group : doc.child("Propertys").children())
    for (pugi::xml_node l : group.children())
      if (std::string(l.name()) == list)
        for (pugi::xml_node record : l.children())
          if (name == record.attribute("EventName").value()) return true;
  return false;
}

struct FileStamp {
  explicit FileStamp(const e2e::fs::path& f) : file(f), bytes(e2e::ReadFile(f)), time(e2e::fs::last_write_time(f)) {}
  bool Unchanged() const { return e2e::ReadFile(file) == bytes && e2e::fs::last_write_time(file) == time; }
  e2e::fs::path file;
  std::string bytes;
  e2e::fs::file_time_type time;
};

}  // namespace

TEST(EventMaintainWindow, NetworkSetGivesItsTabsAndEachTabItsLists) {
  e2e::TempHome home;
  const e2e::fs::path file = home.Path() / "EventsDefine.cfg";
  WithLibrary(home.Path(), [&](eventscan::HostLibrary&, MaintainExports& win) {
    QPointer<QWidget> window = shown(win.CreateEventMaintainWinByNetType(nullptr, 0, 0b1010));
    EXPECT_EQ(window->objectName(), "TfmEventMaintain");
    EXPECT_EQ(window->windowTitle(), "Configure User Events");
    auto* kinds = child<QTabBar>(window, "tbcEventType");
    auto* nets = child<QTabBar>(window, "TCtrlEvents");
    auto* list = child<QListWidget>(window, "LBoxEvents");
    EXPECT_EQ(tabTexts(kinds), (std::vector<std::string>{"Msg Events", "Warning Events"}));
    EXPECT_EQ(tabTexts(nets), (std::vector<std::string>{"CDMA", "TD-SCDMA"}));
    EXPECT_EQ(entries(list), sortedIgnoringCase(storedNames(file, "Message", "CDMA")));
    EXPECT_FALSE(child<QPushButton>(window, "BtnEdit")->isEnabled());
    EXPECT_FALSE(child<QPushButton>(window, "BtnDelete")->isEnabled());
    EXPECT_TRUE(child<QPushButton>(window, "BtnNew")->isEnabled());
    EXPECT_TRUE(child<QPushButton>(window, "BtnAliases")->isHidden());
    EXPECT_EQ(child<QPushButton>(window, "BtnNew")->text(), "&New");
    clickEntry(list, "Soft Handoff");
    EXPECT_TRUE(child<QPushButton>(window, "BtnEdit")->isEnabled());
    EXPECT_TRUE(child<QPushButton>(window, "BtnDelete")->isEnabled());
    screenshot(window, "maintain_msg_events_cdma.png");

    clickTab(nets, "TD-SCDMA");
    EXPECT_EQ(entries(list), sortedIgnoringCase(storedNames(file, "Message", "TD-SCDMA")));
    clickTab(kinds, "Warning Events");
    EXPECT_EQ(entries(list), (std::vector<std::string>{"Low PCCPCH RSCP", "Low RxLev",
                                                       "No Answer To RRC Connection Request"}));
    clickEntry(list, "Low RxLev");
    screenshot(window, "maintain_warning_events_tdscdma.png");

    // Esc closes the window, and closing frees it.
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QTest::keyClick(list, Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull()) << "Esc did not close and free the window";
    delete window.data();
  });
}

TEST(EventMaintainWindow, NewEventsAreSavedWithTheirPropertyRecords) {
  e2e::TempHome home;
  const e2e::fs::path file = home.Path() / "EventsDefine.cfg";
  const auto gsmBefore = storedNames(file, "Message", "GSM");
  const auto cdmaGatesBefore = storedNames(file, "Gate", "CDMA");
  WithLibrary(home.Path(), [&](eventscan::HostLibrary&, MaintainExports& win) {
    QWidget* window = shown(win.CreateEventMaintainWin(nullptr, 0));
    auto* list = child<QListWidget>(window, "LBoxEvents");
    // A message event confirmed in its editor is added; a cancelled one is not.
    onNextModal([](QWidget* dialog) {
      EXPECT_EQ(dialog->objectName(), "TfmEventModify");
      click(dialog, "OK");
    });
    click(window, "BtnNew");
    EXPECT_TRUE(window->isVisible()) << "the window comes back after its editor";
    onNextModal([](QWidget* dialog) { click(dialog, "Cancel"); });
    click(window, "BtnNew");
    EXPECT_EQ(list->findItems("New User Event", Qt::MatchExactly).size(), 1);
    // A gate event named in its editor.
    clickTab(child<QTabBar>(window, "TCtrlEvents"), "CDMA");
    clickTab(child<QTabBar>(window, "tbcEventType"), "Warning Events");
    onNextModal(nameGate("Weak Pilot", "OK"));
    click(window, "BtnNew");
    onNextModal(nameGate("Never Added", "Cancel"));
    click(window, "BtnNew");
    EXPECT_EQ(entries(list), sortedIgnoringCase({"Low RxLev", "Low Ec/Io", "No Answer To Origination", "Weak Pilot"}));
    delete window;
    // Saved by the window itself, not only by the host's final call.
    EXPECT_TRUE(hasPropertyRecord(home.Path(), "CDMA-Warning", "Weak Pilot"))
        << "the new event has no display-property record in the saved file";
  });
  auto gsmAfter = gsmBefore;
  gsmAfter.push_back("New User Event");
  EXPECT_EQ(storedNames(file, "Message", "GSM"), gsmAfter);
  auto cdmaGatesAfter = cdmaGatesBefore;
  cdmaGatesAfter.push_back("Weak Pilot");
  EXPECT_EQ(storedNames(file, "Gate", "CDMA"), cdmaGatesAfter);
  EXPECT_FALSE(hasPropertyRecord(home.Path(), "CDMA-Warning", "Never Added"));
  for (const auto& entry : e2e::fs::directory_iterator(home.Path()))
    EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << "temporary file left behind";
}

TEST(EventMaintainWindow, LookingWithoutChangingWritesNothing) {
  e2e::TempHome home;
  const FileStamp definitions(home.Path() / "EventsDefine.cfg");
  const FileStamp properties(home.Path() / "EventsProperty.cfg");
  WithLibrary(home.Path(), [&](eventscan::HostLibrary&, MaintainExports& win) {
    QWidget* window = shown(win.CreateEventMaintainWin(nullptr, 0));
    auto* nets = child<QTabBar>(window, "TCtrlEvents");
    auto* kinds = child<QTabBar>(window, "tbcEventType");
    for (const char* net : {"GSM", "CDMA", "UMTS", "TD-SCDMA"})
      for (const char* kind : {"Warning Events", "Msg Events"}) {
        clickTab(nets, net);
        clickTab(kinds, kind);
      }
    auto* list = child<QListWidget>(window, "LBoxEvents");
    clickEntry(list, "RRC Connection");
    onNextModal([](QWidget* dialog) { click(dialog, "OK"); });
    click(window, "BtnEdit");
    clickTab(kinds, "Warning Events");
    clickEntry(list, "Low RxLev");
    onNextModal(nameGate("Renamed But Cancelled", "Cancel"));
    click(window, "BtnEdit");
    EXPECT_EQ(list->findItems("Low RxLev", Qt::MatchExactly).size(), 1);
    delete window;
  });
  EXPECT_TRUE(definitions.Unchanged()) << "EventsDefine.cfg was written without a change";
  EXPECT_TRUE(properties.Unchanged()) << "EventsProperty.cfg was written without a change";
}

TEST(EventMaintainWindow, DeletingTheLastEventLeavesEditAndDeleteDisabled) {
  e2e::TempHome home;
  const e2e::fs::path file = home.Path() / "EventsDefine.cfg";
  const auto umtsGates = storedNames(file, "Gate", "UMTS");
  WithLibrary(home.Path(), [&](eventscan::HostLibrary&, MaintainExports& win) {
    QWidget* window = shown(win.CreateEventMaintainWinByNetType(nullptr, 0, 8));
    clickTab(child<QTabBar>(window, "tbcEventType"), "Warning Events");
    auto* list = child<QListWidget>(window, "LBoxEvents");
    ASSERT_EQ(list->count(), 3);
    while (list->count() > 0) {
      clickEntry(list, list->item(list->count() - 1)->text().toUtf8().constData());
      ASSERT_TRUE(child<QPushButton>(window, "BtnDelete")->isEnabled());
      click(window, "BtnDelete");
      EXPECT_FALSE(child<QPushButton>(window, "BtnEdit")->isEnabled()) << list->count() << " left";
      EXPECT_FALSE(child<QPushButton>(window, "BtnDelete")->isEnabled()) << list->count() << " left";
    }
    // With nothing selected the buttons do nothing.
    click(window, "BtnDelete");
    delete window;
  });
  EXPECT_TRUE(storedNames(file, "Gate", "TD-SCDMA").empty());
  EXPECT_EQ(storedNames(file, "Gate", "UMTS"), umtsGates);
}

TEST(EventMaintainWindow, ReadOnlyWindowChangesNothing) {
  e2e::TempHome home;
  const FileStamp definitions(home.Path() / "EventsDefine.cfg");
  WithLibrary(home.Path(), [&](eventscan::HostLibrary&, MaintainExports& win) {
    QWidget* window = shown(win.CreateEventMaintainWin(nullptr, 1));
    clickTab(child<QTabBar>(window, "tbcEventType"), "Warning Events");
    auto* list = child<QListWidget>(window, "LBoxEvents");
    clickEntry(list, "Low RxLev");
    EXPECT_FALSE(child<QPushButton>(window, "BtnNew")->isEnabled());
    EXPECT_FALSE(child<QPushButton>(window, "BtnDelete")->isEnabled());
    ASSERT_TRUE(child<QPushButton>(window, "BtnEdit")->isEnabled());
    onNextModal(nameGate("Renamed Read-Only", "OK"));
    click(window, "BtnEdit");
    EXPECT_EQ(list->findItems("Low RxLev", Qt::MatchExactly).size(), 1);
    delete window;
  });
  EXPECT_TRUE(definitions.Unchanged());
}

// A definitions file that cannot be read is shown, never saved over.
TEST(EventMaintainWindow, UnreadableDefinitionsOpenReadOnlyWithTheFault) {
  struct Case {
    const char* name;
    std::function<std::string(const std::string&)> spoil;
    const char* reason;
  };
  const Case cases[] = {
      {"cut off", [](const std::string& text) { return text.substr(0, 3000); }, "EventsDefine.cfg:"},
      {"another root", [](const std::string&) { return std::string("<?xml version=\"1.0\"?>\n<Propertys/>\n"); },
       "root element <Propertys>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    e2e::TempHome home;
    const e2e::fs::path file = home.Path() / "EventsDefine.cfg";
    e2e::WriteFile(file, c.spoil(e2e::ReadFile(file)));
    const FileStamp definitions(file);
    WithLibrary(home.Path(), [&](eventscan::HostLibrary&, MaintainExports& win) {
      QWidget* window = shown(win.CreateEventMaintainWin(nullptr, 0));
      EXPECT_EQ(window->windowTitle(), "Configure User Events");
      auto* fault = child<QLabel>(window, "lblFault");
      EXPECT_TRUE(fault->isVisible());
      EXPECT_NE(fault->text().toStdString().find(c.reason), std::string::npos) << fault->text().toStdString();
      EXPECT_NE(fault->text().toStdString().find(file.string()), std::string::npos) << "the file is not named";
      EXPECT_FALSE(child<QPushButton>(window, "BtnNew")->isEnabled());
      if (std::string(c.name) == "cut off") screenshot(window, "maintain_read_only_load_fault.png");
      // Whatever was read stays read-only in the editors too.
      auto* list = child<QListWidget>(window, "LBoxEvents");
      if (list->count() > 0) {
        clickEntry(list, list->item(0)->text().toUtf8().constData());
        EXPECT_FALSE(child<QPushButton>(window, "BtnDelete")->isEnabled());
        onNextModal([](QWidget* dialog) { click(dialog, "OK"); });
        click(window, "BtnEdit");
      }
      delete window;
    });
    EXPECT_TRUE(definitions.Unchanged()) << "the unreadable file was written";
  }
}

// Aliases have no button in the window; hosts reach the editor through the
// window's EditAliases slot.
TEST(EventMaintainWindow, AliasesEditedInTheWindowAreSavedAndDeletingAllOfThemToo) {
  e2e::TempHome home;
  const e2e::fs::path file = home.Path() / "EventsDefine.cfg";
  WithLibrary(home.Path(), [&](eventscan::HostLibrary&, MaintainExports& win) {
    QWidget* window = shown(win.CreateEventMaintainWinByNetType(nullptr, 0, 0b1001));
    onNextModal([](QWidget* dialog) {
      EXPECT_EQ(dialog->objectName(), "TfrmEventAliases");
      QTest::keyClicks(child<QLineEdit>(dialog, "edt"), " Immediate Assignment = Channel Granted ");
      click(dialog, "Add");
      screenshot(dialog, "event_aliases_gsm.png");
      click(dialog, "OK");
    });
    bool ok = false;
    ASSERT_TRUE(QMetaObject::invokeMethod(window, "EditAliases", Q_RETURN_ARG(bool, ok)));
    EXPECT_TRUE(ok);
    clickTab(child<QTabBar>(window, "TCtrlEvents"), "TD-SCDMA");
    onNextModal([](QWidget* dialog) {
      auto* list = child<QListWidget>(dialog, "lstAliases");
      while (list->count() > 0) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
        click(dialog, "Delete");
      }
      click(dialog, "OK");
    });
    ASSERT_TRUE(QMetaObject::invokeMethod(window, "EditAliases", Q_RETURN_ARG(bool, ok)));
    delete window;
  });
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_file(file.c_str()));
  pugi::xml_node aliases = doc.child("Events").child("Aliases");
  EXPECT_STREQ(aliases.child("GSM").attribute("Alias-4").value(), "Immediate Assignment=Channel Granted");
  EXPECT_STREQ(aliases.child("GSM").attribute("Alias-0").value(), "CM Service Request=MO Call Attempt");
  EXPECT_TRUE(aliases.child("TD-SCDMA"));
  EXPECT_FALSE(aliases.child("TD-SCDMA").first_attribute()) << "deleted aliases came back";
  EXPECT_STREQ(aliases.child("CDMA").attribute("Alias-0").value(), "Origination=MO Call Attempt");
}

// Edited through the window, reloaded by the host, run on a log: the
// renamed gate event fires under its new name, the deleted message event
// no more, and the list of defined events shows the change.
TEST(EventMaintainWindow, EditedEventsFireAfterTheHostReloads) {
  e2e::TempHome home;
  eventscan::ParsedLog log = eventscan::ReadLog(e2e::SampleLog("gsm").string());
  WithLibrary(home.Path(), [&](eventscan::HostLibrary& library, MaintainExports& win) {
    const std::string before = e2e::RunToCsv(library, log);
    ASSERT_NE(before.find(",Low RxLev,"), std::string::npos);
    ASSERT_NE(before.find(",Handover Success,"), std::string::npos);

    QWidget* window = shown(win.CreateEventMaintainWinByNetType(nullptr, 0, 1));
    auto* list = child<QListWidget>(window, "LBoxEvents");
    clickEntry(list, "Handover");
    click(window, "BtnDelete");
    clickTab(child<QTabBar>(window, "tbcEventType"), "Warning Events");
    clickEntry(list, "Low RxLev");
    onNextModal(nameGate("Weak Signal", "OK"));
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {},
                       list->visualItemRect(list->findItems("Low RxLev", Qt::MatchExactly).first()).center());
    // The renamed entry moves to its sorted place and stays selected.
    EXPECT_EQ(entries(list).back(), "Weak Signal");
    ASSERT_EQ(list->selectedItems().size(), 1);
    EXPECT_EQ(list->selectedItems().first()->text(), "Weak Signal");
    delete window;

    // What the host expects to see after LoadMsg_Gate_TestEvents.
    std::string expected;
    std::istringstream rows(before);
    for (std::string row; std::getline(rows, row);) {
      if (row.find(",Handover Success,") != std::string::npos || row.find(",Handover Failure,") != std::string::npos)
        continue;
      const size_t at = row.find(",Low RxLev,");
      if (at != std::string::npos) row.replace(at, 11, ",Weak Signal,");
      expected += row + "\n";
    }
    EXPECT_EQ(e2e::RunToCsv(library, log), expected);

    std::vector<TEventListing> events;
    library.EventManagerListEvents(0, events);
    auto listed = [&](const std::string& name) {
      return std::any_of(events.begin(), events.end(), [&](const TEventListing& e) { return e.Name == name; });
    };
    EXPECT_TRUE(listed("Weak Signal"));
    EXPECT_FALSE(listed("Low RxLev"));
    EXPECT_FALSE(listed("Handover Success"));
  });
  EXPECT_TRUE(hasPropertyRecord(home.Path(), "GSM-Warning", "Weak Signal"));
}

// The whole road of a user's event: built in the maintenance window's editor
// (a level waiting for Connect Acknowledge that reports "Call Answered"),
// saved when the window goes, loaded by the host, found in the log.
TEST(EventMaintainWindow, MessageEventBuiltInTheEditorFiresAfterTheHostReloads) {
  e2e::TempHome home;
  eventscan::ParsedLog log = eventscan::ReadLog(e2e::SampleLog("gsm").string());
  WithLibrary(home.Path(), [&](eventscan::HostLibrary& library, MaintainExports& win) {
    const std::string before = e2e::RunToCsv(library, log);
    ASSERT_EQ(before.find(",Call Answered,"), std::string::npos);

    QWidget* window = shown(win.CreateEventMaintainWinByNetType(nullptr, 0, 1));
    onNextModal([](QWidget* dialog) {
      EXPECT_EQ(dialog->objectName(), "TfmEventModify");
      click(dialog, "New SubItem");  // the root is selected when the editor opens
      auto* available = child<QListWidget>(dialog, "lbMessagesAvaliable");
      const QList<QListWidgetItem*> found = available->findItems("Connect Acknowledge", Qt::MatchStartsWith);
      EXPECT_FALSE(found.isEmpty());
      if (!found.isEmpty()) {
        available->scrollToItem(found.first());
        const QPoint at = available->visualItemRect(found.first()).center();
        QTest::mouseClick(available->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(available->viewport(), Qt::LeftButton, {}, at);
      }
      EXPECT_EQ(child<QListWidget>(dialog, "lblMessages")->count(), 1);
      auto* report = child<QComboBox>(dialog, "cboxReport");
      report->lineEdit()->setFocus();
      QTest::keyClicks(report->lineEdit(), "Call Answered");
      click(dialog, "OK");
    });
    click(window, "BtnNew");
    EXPECT_EQ(child<QListWidget>(window, "LBoxEvents")->findItems("New User Event", Qt::MatchExactly).size(), 1);
    delete window;

    const std::string after = e2e::RunToCsv(library, log);
    size_t answered = 0;
    for (size_t at = after.find(",Call Answered,"); at != std::string::npos; at = after.find(",Call Answered,", at + 1))
      ++answered;
    EXPECT_EQ(answered, 3u) << "one per Connect Acknowledge in the log";
  });
  EXPECT_TRUE(hasPropertyRecord(home.Path(), "GSM-Message", "Call Answered"));
}

// The aliases editor opens with no entry chosen: Delete, Replace and Add do
// nothing until the user picks one, even once the list has the focus (it
// then has a current entry of its own). OK then saves the aliases as they were.
TEST(EventMaintainWindow, AliasesEditorDeletesNothingTheUserDidNotChoose) {
  e2e::TempHome home;
  const e2e::fs::path file = home.Path() / "EventsDefine.cfg";
  pugi::xml_document before;
  ASSERT_TRUE(before.load_file(file.c_str()));
  const std::string gsmAliases = [&] {
    std::ostringstream out;
    before.child("Events").child("Aliases").child("GSM").print(out, "", pugi::format_raw);
    return out.str();
  }();
  WithLibrary(home.Path(), [&](eventscan::HostLibrary&, MaintainExports& win) {
    QWidget* window = shown(win.CreateEventMaintainWinByNetType(nullptr, 0, 1));
    onNextModal([](QWidget* dialog) {
      // On a display the dialog opens active with its list focused, and the
      // focused list makes its first entry current; offscreen it is made so.
      dialog->activateWindow();
      EXPECT_TRUE(QTest::qWaitForWindowActive(dialog));
      QApplication::setActiveWindow(dialog);
      auto* list = child<QListWidget>(dialog, "lstAliases");
      list->setFocus(Qt::TabFocusReason);
      ASSERT_TRUE(list->hasFocus());
      ASSERT_GT(list->count(), 0);
      for (const char* name : {"Add", "Replace", "Delete"})
        EXPECT_FALSE(child<QPushButton>(dialog, name)->isEnabled()) << name << " enabled before any choice";
      screenshot(dialog, "event_aliases_opened.png");
      click(dialog, "Delete");
      QTest::keyClick(dialog, Qt::Key_D, Qt::AltModifier);
      EXPECT_EQ(list->count(), 4);
      click(dialog, "OK");
    });
    bool ok = false;
    ASSERT_TRUE(QMetaObject::invokeMethod(window, "EditAliases", Q_RETURN_ARG(bool, ok)));
    EXPECT_TRUE(ok);
    delete window;
  });
  pugi::xml_document after;
  ASSERT_TRUE(after.load_file(file.c_str()));
  std::ostringstream out;
  after.child("Events").child("Aliases").child("GSM").print(out, "", pugi::format_raw);
  EXPECT_EQ(out.str(), gsmAliases) << "an alias nobody chose was deleted";
}

// The host deletes the window's owner while an editor of the window runs:
// the editor and the window go without touching what is freed, and what the
// user had done in the window before is saved.
TEST(EventMaintainWindow, OwnerDeletedWhileAnEditorRunsFreesBothAndSaves) {
  for (const char* editor : {"TfmEventModify", "TfmGateEventModify", "TfrmEventAliases"}) {
    SCOPED_TRACE(editor);
    e2e::TempHome home;
    const e2e::fs::path file = home.Path() / "EventsDefine.cfg";
    WithLibrary(home.Path(), [&](eventscan::HostLibrary&, MaintainExports& win) {
      QPointer<QWidget> owner = new QWidget;
      QPointer<QWidget> window = win.CreateEventMaintainWinByNetType(owner, 0, 1);
      shown(window);
      auto* list = child<QListWidget>(window, "LBoxEvents");
      clickEntry(list, "Location Update");
      click(window, "BtnDelete");
      // The editor is opened from the event loop, as a click does; the
      // owner goes from inside the editor's own loop.
      const std::string name = editor;
      if (name == "TfmEventModify") {
        clickEntry(list, "Handover");
        QTimer::singleShot(0, child<QPushButton>(window, "BtnEdit"), &QPushButton::click);
      } else if (name == "TfmGateEventModify") {
        clickTab(child<QTabBar>(window, "tbcEventType"), "Warning Events");
        QTimer::singleShot(0, child<QPushButton>(window, "BtnNew"), &QPushButton::click);
      } else {
        QTimer::singleShot(0, window, [w = window.data()] { QMetaObject::invokeMethod(w, "EditAliases"); });
      }
      onNextModal([&, editor](QWidget* dialog) {
        EXPECT_EQ(dialog->objectName(), editor);
        delete owner.data();
      });
      EXPECT_TRUE(QTest::qWaitFor([&] { return owner.isNull() && window.isNull(); }));
    });
    const auto names = storedNames(file, "Message", "GSM");
    EXPECT_EQ(std::count(names.begin(), names.end(), "Location Update"), 0) << "the deletion was not saved";
    EXPECT_EQ(std::count(names.begin(), names.end(), "Handover"), 1);
  }
}

// Two windows open at once, each deleting an event, closed one after the
// other: both deletions stay (the second save keeps the first one's change).
TEST(EventMaintainWindow, TwoWindowsClosingKeepEachOthersDeletions) {
  e2e::TempHome home;
  const e2e::fs::path file = home.Path() / "EventsDefine.cfg";
  // What the file holds but for the two events the windows delete.
  std::vector<std::string> expected = storedNames(file, "Message", "GSM");
  for (const char* gone : {"Handover", "Location Update"}) {
    ASSERT_EQ(std::count(expected.begin(), expected.end(), gone), 1) << gone;
    expected.erase(std::find(expected.begin(), expected.end(), gone));
  }
  WithLibrary(home.Path(), [&](eventscan::HostLibrary&, MaintainExports& win) {
    QWidget* first = shown(win.CreateEventMaintainWinByNetType(nullptr, 0, 1));
    QWidget* second = shown(win.CreateEventMaintainWinByNetType(nullptr, 0, 1));
    clickEntry(child<QListWidget>(first, "LBoxEvents"), "Handover");
    click(first, "BtnDelete");
    clickEntry(child<QListWidget>(second, "LBoxEvents"), "Location Update");
    click(second, "BtnDelete");
    delete first;
    delete second;
  });
  const auto names = storedNames(file, "Message", "GSM");
  EXPECT_EQ(names, expected);
  EXPECT_FALSE(e2e::fs::exists(home.Path() / "EventsDefine.cfg.yours"));
}

// A name the list already has (letter case aside) is refused by the editors
// with a message naming it; the list keeps one event of that name.
TEST(EventMaintainWindow, EditorsRefuseANameTheListAlreadyHas) {
  e2e::TempHome home;
  const e2e::fs::path file = home.Path() / "EventsDefine.cfg";
  const auto gates = storedNames(file, "Gate", "GSM");
  const auto events = storedNames(file, "Message", "GSM");
  std::vector<std::string> messages;
  WithLibrary(home.Path(), [&](eventscan::HostLibrary&, MaintainExports& win) {
    QWidget* window = shown(win.CreateEventMaintainWinByNetType(nullptr, 0, 1));
    auto* list = child<QListWidget>(window, "LBoxEvents");
    // Renaming a message event to another's name, then cancelling.
    onNextModal([&](QWidget* dialog) {
      auto* tree = child<QTreeWidget>(dialog, "tvInnerEvent");
      ASSERT_GT(tree->topLevelItemCount(), 0);
      tree->topLevelItem(0)->setText(0, "HANDOVER");  // as the in-place editor leaves it
      QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr) << "no message";
        messages.push_back(box->text().toStdString());
        box->accept();
      });
      click(dialog, "OK");
      EXPECT_TRUE(dialog->isVisible()) << "the editor closed with a name that is taken";
      click(dialog, "Cancel");
    });
    clickEntry(list, "Location Update");
    click(window, "BtnEdit");
    // A new gate event named like an existing one, in other letter case.
    clickTab(child<QTabBar>(window, "tbcEventType"), "Warning Events");
    onNextModal([&](QWidget* dialog) {
      QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr) << "no message";
        messages.push_back(box->text().toStdString());
        screenshot(box, "maintain_name_taken.png");
        box->accept();
        click(dialog, "Cancel");
      });
      nameGate("low rxlev", "OK")(dialog);
    });
    click(window, "BtnNew");
    EXPECT_EQ(list->findItems("low rxlev", Qt::MatchFixedString).size(), 1);
    delete window;
    // Checked here: the body runs in a process of its own.
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_NE(messages[0].find("'Handover'"), std::string::npos) << messages[0];
    EXPECT_NE(messages[1].find("'Low RxLev'"), std::string::npos) << messages[1];
  });
  EXPECT_EQ(storedNames(file, "Gate", "GSM"), gates);
  EXPECT_EQ(storedNames(file, "Message", "GSM"), events);
}

// The "..." beside a level's Expression opens the expression editor, which
// says that the text is kept with the level and not evaluated (not that a
// gate never reports) and takes any text.
TEST(EventMaintainWindow, LevelExpressionEditorSaysTheTextIsStoredNotEvaluated) {
  e2e::TempHome home;
  std::string said, saidForText;
  bool okWithText = false;
  WithLibrary(home.Path(), [&](eventscan::HostLibrary&, MaintainExports& win) {
    QWidget* window = shown(win.CreateEventMaintainWinByNetType(nullptr, 0, 1));
    onNextModal([&](QWidget* dialog) {
      auto* tree = child<QTreeWidget>(dialog, "tvInnerEvent");
      ASSERT_GT(tree->topLevelItemCount(), 0);
      ASSERT_GT(tree->topLevelItem(0)->childCount(), 0);
      QTreeWidgetItem* level = tree->topLevelItem(0)->child(0);
      QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(level).center());
      child<QLineEdit>(dialog, "edtExpression")->clear();
      QTimer::singleShot(0, [&] {
        QWidget* editor = QApplication::activeModalWidget();
        ASSERT_NE(editor, nullptr);
        EXPECT_EQ(editor->objectName(), "TfmExpressionEdit");
        said = child<QLabel>(editor, "lblCheck")->text().toStdString();
        QTest::keyClicks(child<QLineEdit>(editor, "edtExpression"), "cause check");
        saidForText = child<QLabel>(editor, "lblCheck")->text().toStdString();
        okWithText = child<QPushButton>(editor, "OK")->isEnabled();
        screenshot(editor, "level_expression_editor.png");
        click(editor, "Cancel");
      });
      click(dialog, "btnShowExpress");
      click(dialog, "Cancel");
    });
    clickEntry(child<QListWidget>(window, "LBoxEvents"), "Handover");
    click(window, "BtnEdit");
    delete window;
    // Checked here: the body runs in a process of its own.
    EXPECT_EQ(said.find("gate"), std::string::npos) << said;
    EXPECT_NE(said.find("Stored with the level"), std::string::npos) << said;
    EXPECT_NE(saidForText.find("not evaluated"), std::string::npos) << saidForText;
    EXPECT_TRUE(okWithText) << "a level's text need not be an expression the gate pass compiles";
  });
}
