// The internal events window as a host and a person use it: the library is
// opened with dlopen in a process of its own with a copy of the sample home,
// the window comes from the exports, the test clicks and types, deletes the
// window and reads EventsProperty.cfg back. Screenshots go to the build
// directory for review.
#include <dlfcn.h>
#include <sys/stat.h>

#include <functional>
#include <string>

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QAbstractItemView>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include "eventmanager/integer_array.h"
#include "testing/e2e_support.h"
#include "window_steps.h"

namespace {

using namespace eventmanager_exports;

struct WindowExports {
  CreateInternalEventsWin_t CreateInternalEventsWin = nullptr;
  CreateInternalEventsWinByNetType_t CreateInternalEventsWinByNetType = nullptr;
  FillEventPopupTreeView_t FillEventPopupTreeView = nullptr;
  InitialEventComboBox_t InitialEventComboBox = nullptr;
};

// In a fresh process: a QApplication, the library with `home`, its window
// exports, then the body; the host's final call closes the session.
void WithLibrary(const e2e::fs::path& home, const std::function<void(eventscan::HostLibrary&, WindowExports&)>& body) {
  WithWindowsLibrary(home, [&](eventscan::HostLibrary& library) {
    WindowExports win;
    win.CreateInternalEventsWin = windowExport<CreateInternalEventsWin_t>(library, "CreateInternalEventsWin");
    win.CreateInternalEventsWinByNetType =
        windowExport<CreateInternalEventsWinByNetType_t>(library, "CreateInternalEventsWinByNetType");
    win.FillEventPopupTreeView = windowExport<FillEventPopupTreeView_t>(library, "FillEventPopupTreeView");
    win.InitialEventComboBox = windowExport<InitialEventComboBox_t>(library, "InitialEventComboBox");
    ASSERT_TRUE(win.CreateInternalEventsWin && win.CreateInternalEventsWinByNetType && win.FillEventPopupTreeView &&
                win.InitialEventComboBox);
    body(library, win);
  });
}

QTreeWidgetItem* eventRow(QTreeWidget* tree, const std::string& name) {
  for (int i = 0; i < tree->topLevelItemCount(); ++i)
    if (tree->topLevelItem(i)->text(0).toStdString() == name) return tree->topLevelItem(i);
  ADD_FAILURE() << "no event row " << name;
  return nullptr;
}

QPoint centreOf(QTreeWidget* tree, QTreeWidgetItem* row) { return tree->visualItemRect(row).center(); }

void hover(QTreeWidget* tree, QTreeWidgetItem* row) {
  tree->scrollToItem(row);
  QTest::mouseMove(tree->viewport(), centreOf(tree, row));
}

// A real double-click: the first click, then the second one.
void doubleClick(QTreeWidget* tree, QTreeWidgetItem* row) {
  tree->scrollToItem(row);
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, centreOf(tree, row));
  QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, centreOf(tree, row));
}

void rightClick(QTreeWidget* tree, QTreeWidgetItem* row) {
  tree->scrollToItem(row);
  const QPoint at = centreOf(tree, row);
  QTest::mouseClick(tree->viewport(), Qt::RightButton, {}, at);
  QContextMenuEvent menu(QContextMenuEvent::Mouse, at, tree->viewport()->mapToGlobal(at));
  QApplication::sendEvent(tree->viewport(), &menu);
}

void chooseMenuItem(QMenu* menu, const QString& text) {
  ASSERT_TRUE(menu->isVisible());
  for (QAction* action : menu->actions())
    if (action->text() == text) {
      QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
      return;
    }
  ADD_FAILURE() << "no menu item " << text.toStdString();
}

// Record `name` of a list element of the saved file.
pugi::xml_node savedRecord(const e2e::fs::path& home, const char* list, const std::string& name) {
  static pugi::xml_document doc;
  EXPECT_TRUE(doc.load_file((home / "EventsProperty.cfg").c_str()));
  for (pugi::xml_node group : doc.child("Propertys").children())
    for (pugi::xml_node l : group.children())
      if (std::string(l.name()) == list)
        for (pugi::xml_node record : l.children())
          if (name == record.attribute("EventName").value()) return record;
  ADD_FAILURE() << "no saved record " << name << " in " << list;
  return {};
}

// Clicks the OK (or only) button of the modal box that opens next, after
// `inspect` has looked at it.
void answerNextModal(const std::function<void(QWidget*)>& inspect, const char* button) {
  QTimer::singleShot(0, [inspect, button] {
    QWidget* box = QApplication::activeModalWidget();
    ASSERT_NE(box, nullptr) << "no modal window opened";
    inspect(box);
    auto* ok = box->findChild<QPushButton*>(button);
    if (!ok) {
      for (QPushButton* b : box->findChildren<QPushButton*>())
        if (b->text().remove('&') == "OK") ok = b;
    }
    ASSERT_NE(ok, nullptr);
    QTest::mouseClick(ok, Qt::LeftButton);
  });
}

}  // namespace

TEST(InternalEventsWindow, NetworkSetShowsOnlyItsCategories) {
  e2e::TempHome home;
  WithLibrary(home.Path(), [&](eventscan::HostLibrary&, WindowExports& win) {
    QWidget* window = shown(win.CreateInternalEventsWinByNetType(nullptr, 4));
    EXPECT_EQ(window->objectName(), "TFrmInternalEvents");
    EXPECT_EQ(window->windowTitle(), "Internal Event Manage");
    auto* categories = child<QTreeWidget>(window, "VSTEventsRoot");
    EXPECT_EQ(topLevelTexts(categories), (std::vector<std::string>{"UMTS-Message", "UMTS-Warning", "Test"}));
    // The first category is selected and shown, each event with six options.
    auto* events = child<QTreeWidget>(window, "VSTEvents");
    ASSERT_GT(events->topLevelItemCount(), 0);
    QTreeWidgetItem* first = events->topLevelItem(0);
    ASSERT_EQ(first->childCount(), 6);
    std::vector<std::string> options;
    for (int i = 0; i < 6; ++i) options.push_back(first->child(i)->text(0).toStdString());
    EXPECT_EQ(options, (std::vector<std::string>{"Visible", "Map Draw", "Graph Draw", "Play Voice", "Color Options",
                                                 "Icon"}));
    screenshot(window, "internal_events_umts.png");
    // Choosing the warning category shows its records.
    QTest::mouseClick(categories->viewport(), Qt::LeftButton, {},
                      centreOf(categories, categories->topLevelItem(1)));
    EXPECT_EQ(events->topLevelItem(0)->text(0).toStdString(), "Low RxLev");
    delete window;
  });
}

TEST(InternalEventsWindow, SwitchesAndClearColorAreSavedOnDestruction) {
  e2e::TempHome home;
  WithLibrary(home.Path(), [&](eventscan::HostLibrary&, WindowExports& win) {
    QWidget* window = shown(win.CreateInternalEventsWin(nullptr));
    auto* events = child<QTreeWidget>(window, "VSTEvents");
    screenshot(window, "internal_events_default.png");
    // Map Draw of "Call End" unchecked with the keyboard, as a person would.
    QTreeWidgetItem* callEnd = eventRow(events, "Call End");
    ASSERT_NE(callEnd, nullptr);
    QTreeWidgetItem* mapDraw = callEnd->child(1);
    events->setFocus();
    events->scrollToItem(mapDraw);
    QTest::mouseClick(events->viewport(), Qt::LeftButton, {}, centreOf(events, mapDraw));
    ASSERT_EQ(events->currentItem(), mapDraw);
    QTest::keyClick(events, Qt::Key_Space);
    EXPECT_EQ(mapDraw->checkState(0), Qt::Unchecked);
    // Hovering an option row explains what to do.
    hover(events, mapDraw);
    EXPECT_EQ(child<QStatusBar>(window, "SBarState")->currentMessage(), "Right  click to change propertys");
    hover(events, callEnd->child(4));
    EXPECT_EQ(child<QStatusBar>(window, "SBarState")->currentMessage(), "Double click to Change Color Options");
    // "Clear Color" from the pop-up menu of "Outgoing Call Setup".
    QTreeWidgetItem* setup = eventRow(events, "Outgoing Call Setup");
    rightClick(events, setup->child(4));
    chooseMenuItem(child<QMenu>(window, "PMenu"), "Clear Color");
    events->scrollToItem(setup, QAbstractItemView::PositionAtTop);
    screenshot(window, "internal_events_clear_color.png");
    delete window;
  });
  pugi::xml_node callEnd = savedRecord(home.Path(), "GSM-Message", "Call End");
  EXPECT_STREQ(callEnd.attribute("DrawInMap").value(), "False");
  EXPECT_STREQ(callEnd.attribute("DrawInGraph").value(), "True");
  pugi::xml_node setup = savedRecord(home.Path(), "GSM-Message", "Outgoing Call Setup");
  EXPECT_STREQ(setup.attribute("FontColor").value(), "0");
  EXPECT_STREQ(setup.attribute("BackColor").value(), "16777215");
  EXPECT_STREQ(savedRecord(home.Path(), "CDMA-Message", "Outgoing Call Setup").attribute("BackColor").value(),
               "14483420")
      << "another network's record of the same name is untouched";
}

TEST(InternalEventsWindow, NothingChangedWritesNothing) {
  e2e::TempHome home;
  const e2e::fs::path file = home.Path() / "EventsProperty.cfg";
  const std::string before = e2e::ReadFile(file);
  const auto time = e2e::fs::last_write_time(file);
  WithLibrary(home.Path(), [&](eventscan::HostLibrary&, WindowExports& win) {
    QWidget* window = shown(win.CreateInternalEventsWin(nullptr));
    auto* categories = child<QTreeWidget>(window, "VSTEventsRoot");
    for (int i = 0; i < categories->topLevelItemCount(); ++i)
      QTest::mouseClick(categories->viewport(), Qt::LeftButton, {}, centreOf(categories, categories->topLevelItem(i)));
    delete window;
  });
  EXPECT_EQ(e2e::ReadFile(file), before);
  EXPECT_TRUE(e2e::fs::last_write_time(file) == time) << "the file was written without a change";
}

TEST(InternalEventsWindow, SearchIgnoresCaseWrapsAroundAndReportsNotFound) {
  e2e::TempHome home;
  WithLibrary(home.Path(), [&](eventscan::HostLibrary&, WindowExports& win) {
    QWidget* window = shown(win.CreateInternalEventsWin(nullptr));
    auto* events = child<QTreeWidget>(window, "VSTEvents");
    auto* edit = child<QLineEdit>(window, "edtEventName");
    auto* find = child<QPushButton>(window, "btnFind");
    auto search = [&](const char* text) {
      edit->clear();
      QTest::keyClicks(edit, text);
      QTest::keyClick(edit, Qt::Key_Return);
    };
    // "Call Drop" is the only GSM message event holding "drop".
    QTreeWidgetItem* drop = eventRow(events, "Call Drop");
    QTreeWidgetItem* last = events->topLevelItem(events->topLevelItemCount() - 1);
    ASSERT_NE(drop, last);
    events->setCurrentItem(last->child(5));  // a selection below the match
    search("  drop ");
    EXPECT_EQ(events->currentItem(), drop) << "found by wrapping around to the top";

    std::string boxText;
    answerNextModal([&](QWidget* box) { boxText = static_cast<QMessageBox*>(box)->text().toStdString(); }, "");
    QTest::mouseClick(find, Qt::LeftButton);
    EXPECT_EQ(boxText, "Search string 'drop' not found!");
    search("drop");
    EXPECT_EQ(events->currentItem(), drop) << "the search after the not-found box finds it again";
    // Several matches: each search moves on, then wraps.
    search("call");
    QTreeWidgetItem* firstCall = events->currentItem();
    ASSERT_NE(firstCall, nullptr);
    search("call");
    EXPECT_NE(events->currentItem(), firstCall);
    delete window;
  });
}

TEST(InternalEventsWindow, ColourDialogChoiceIsSaved) {
  e2e::TempHome home;
  WithLibrary(home.Path(), [&](eventscan::HostLibrary&, WindowExports& win) {
    QWidget* window = shown(win.CreateInternalEventsWin(nullptr));
    auto* events = child<QTreeWidget>(window, "VSTEvents");
    QTreeWidgetItem* colours = eventRow(events, "Call End")->child(4);
    QTimer::singleShot(0, [&] {
      QWidget* dialog = QApplication::activeModalWidget();
      ASSERT_NE(dialog, nullptr);
      EXPECT_EQ(dialog->objectName(), "TFrmSelectColor");
      EXPECT_EQ(dialog->windowTitle(), "Select Color");
      screenshot(dialog, "select_color.png");
      auto* font = child<QPushButton>(dialog, "CBtnFont");
      ASSERT_NE(child<QPushButton>(dialog, "CBtnBack"), nullptr);
      QTest::mouseClick(font, Qt::LeftButton);
      auto* palette = font->findChild<QMenu*>("Palette");
      ASSERT_NE(palette, nullptr);
      ASSERT_TRUE(QTest::qWaitForWindowExposed(palette));
      screenshot(palette, "select_color_palette.png");
      EXPECT_EQ(palette->findChildren<QToolButton*>().size(), 20);
      EXPECT_NE(palette->findChild<QPushButton*>("btnCustom"), nullptr);
      QTest::mouseClick(palette->findChild<QToolButton*>("PaletteColour1"), Qt::LeftButton);  // red
      QTest::mouseClick(child<QPushButton>(dialog, "btnOK"), Qt::LeftButton);
    });
    doubleClick(events, colours);
    delete window;
  });
  pugi::xml_node callEnd = savedRecord(home.Path(), "GSM-Message", "Call End");
  EXPECT_STREQ(callEnd.attribute("FontColor").value(), "255");
  EXPECT_STREQ(callEnd.attribute("BackColor").value(), "16777215");
}

TEST(InternalEventsWindow, WithoutAnApplicationTheExportsRaiseAnError) {
  e2e::TempHome home;
  e2e::InFreshProcess([&] {
    e2e::LoadedLibrary library(home.Path());
    void* handle = dlopen(library->Path().c_str(), RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(handle, nullptr);
    auto create = reinterpret_cast<CreateInternalEventsWin_t>(dlsym(handle, "CreateInternalEventsWin"));
    dlclose(handle);
    ASSERT_NE(create, nullptr);
    // Qt would abort the host on the first widget.
    EXPECT_THROW(create(nullptr), EEventManagerError);
  });
}

// A properties file that cannot be read stays where and as it is, even after
// the user changed a record in the window: the same file at the same path
// with its old bytes (a copy under another name, or the file renamed to a
// backup and a new one written, does not count).
TEST(InternalEventsWindow, UnreadablePropertiesFileIsNotLost) {
  e2e::TempHome home;
  const e2e::fs::path file = home.Path() / "EventsProperty.cfg";
  const std::string broken = e2e::ReadFile(file).substr(0, 4000);  // cut off mid-element
  e2e::WriteFile(file, broken);
  struct stat before {};
  ASSERT_EQ(stat(file.c_str(), &before), 0);
  WithLibrary(home.Path(), [&](eventscan::HostLibrary&, WindowExports& win) {
    QWidget* window = shown(win.CreateInternalEventsWin(nullptr));
    auto* events = child<QTreeWidget>(window, "VSTEvents");
    // Every defined event has a record (made by the start-up link), so there is one to change.
    ASSERT_GT(events->topLevelItemCount(), 0) << "nothing to edit";
    QTreeWidgetItem* first = events->topLevelItem(0);
    ASSERT_EQ(first->childCount(), 6);
    QTreeWidgetItem* visible = first->child(0);
    events->scrollToItem(visible);
    QTest::mouseClick(events->viewport(), Qt::LeftButton, {}, centreOf(events, visible));
    const Qt::CheckState was = visible->checkState(0);
    QTest::keyClick(events, Qt::Key_Space);
    ASSERT_NE(visible->checkState(0), was) << "the edit did not take";
    delete window;
  });
  struct stat after {};
  ASSERT_EQ(stat(file.c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino) << "the file was replaced";
  EXPECT_EQ(e2e::ReadFile(file), broken) << "the unreadable file's bytes are gone";
}

// A run of the host saves the properties at its end (its start-up link made
// a record) while the properties window of another process saved the user's
// change of another record: the run's save keeps that change.
TEST(InternalEventsWindow, AHostRunSavingAtItsEndKeepsTheWindowsChange) {
  e2e::TempHome home;
  const e2e::fs::path file = home.Path() / "EventsProperty.cfg";
  // Without the record of "Call Drop", every session's start-up makes one and
  // so saves the registry when it ends.
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_file(file.c_str()));
  pugi::xml_node removed;
  for (pugi::xml_node r : doc.child("Propertys").child("Message").child("GSM-Message").children())
    if (std::string(r.attribute("EventName").value()) == "Call Drop") removed = r;
  ASSERT_TRUE(removed);
  removed.parent().remove_child(removed);
  ASSERT_TRUE(doc.save_file(file.c_str()));
  ASSERT_STREQ(savedRecord(home.Path(), "GSM-Message", "Call End").attribute("Display").value(), "True");

  eventscan::ParsedLog log = eventscan::ReadLog(e2e::SampleLog("gsm").string());
  e2e::InFreshProcess([&] {
    e2e::LoadedLibrary run(home.Path());  // the run starts: the file is read
    // Meanwhile, in another process, the user hides "Call End".
    WithLibrary(home.Path(), [&](eventscan::HostLibrary&, WindowExports& win) {
      QWidget* window = shown(win.CreateInternalEventsWin(nullptr));
      auto* events = child<QTreeWidget>(window, "VSTEvents");
      QTreeWidgetItem* visible = eventRow(events, "Call End")->child(0);
      events->setFocus();
      events->scrollToItem(visible);
      QTest::mouseClick(events->viewport(), Qt::LeftButton, {}, centreOf(events, visible));
      QTest::keyClick(events, Qt::Key_Space);
      EXPECT_EQ(visible->checkState(0), Qt::Unchecked);
      delete window;
    });
    ASSERT_STREQ(savedRecord(home.Path(), "GSM-Message", "Call End").attribute("Display").value(), "False");
    e2e::RunToCsv(*run, log);
    run->FinalEventManagerDllApplication();  // the run's save
    EXPECT_TRUE(run.Faults().empty()) << run.Faults().front();
  });
  EXPECT_STREQ(savedRecord(home.Path(), "GSM-Message", "Call End").attribute("Display").value(), "False")
      << "the run put back what the window had saved";
  EXPECT_STREQ(savedRecord(home.Path(), "GSM-Message", "Call Drop").attribute("EventName").value(), "Call Drop");
}

TEST(InternalEventsWindow, IconIsChosenInTheIconFolderOrCleared) {
  e2e::TempHome home;
  WithLibrary(home.Path(), [&](eventscan::HostLibrary&, WindowExports& win) {
    QWidget* window = shown(win.CreateInternalEventsWin(nullptr));
    auto* events = child<QTreeWidget>(window, "VSTEvents");
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr) << "no file dialog";
      EXPECT_EQ(dialog->directory().canonicalPath().toStdString(),
                e2e::fs::canonical(home.Path() / "EventBitmap").string());
      EXPECT_EQ(dialog->nameFilters(), QStringList{"Bitmap Files(*.BMP)"});
      // The folder is listed in the background; the screenshot waits for it.
      auto* list = dialog->findChild<QAbstractItemView*>("listView");
      ASSERT_NE(list, nullptr);
      EXPECT_TRUE(QTest::qWaitFor([&] { return list->model()->rowCount(list->rootIndex()) > 0; }))
          << "the icon folder's bitmaps are not listed";
      screenshot(dialog, "icon_file_dialog.png");
      auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
      ASSERT_NE(name, nullptr);
      QTest::keyClicks(name, "Warning.bmp");
      QTest::keyClick(name, Qt::Key_Return);
    });
    doubleClick(events, eventRow(events, "Call End")->child(5));
    rightClick(events, eventRow(events, "Call Drop")->child(5));
    chooseMenuItem(child<QMenu>(window, "PMenu"), "Clear Icon");
    delete window;
  });
  EXPECT_STREQ(savedRecord(home.Path(), "GSM-Message", "Call End").attribute("BitmapFile").value(), "Warning.bmp");
  EXPECT_STREQ(savedRecord(home.Path(), "GSM-Message", "Call Drop").attribute("BitmapFile").value(), "");
}

TEST(FillExports, HostControlsGetTheRegistrysEvents) {
  e2e::TempHome home;
  WithLibrary(home.Path(), [&](eventscan::HostLibrary& library, WindowExports& win) {
    QTreeWidget tree;
    win.FillEventPopupTreeView(&tree, 2, 1);
    ASSERT_EQ(tree.topLevelItemCount(), 3);
    std::vector<std::string> names;
    for (int i = 0; i < 3; ++i) {
      std::string keyWord;
      library.EventPropertyListKeyWord(
          static_cast<TEventPropertyList*>(tree.topLevelItem(i)->data(0, Qt::UserRole).value<void*>()), keyWord);
      names.push_back(keyWord);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Test", "UMTS-Message", "UMTS-Warning"}));
    EXPECT_EQ(tree.topLevelItem(0)->childCount(), library.TestPropertyListCount());
    EXPECT_EQ(tree.topLevelItem(1)->childCount(), library.MsgPropertyListCount(2));

    QComboBox combo;
    TIntegerArray map;
    win.InitialEventComboBox(&combo, &map, 2);
    EXPECT_EQ(map.Count(), combo.count());
    const int tests = library.TestPropertyListCount();
    // The first UMTS message record is global number `tests`.
    auto* record = static_cast<TEventProperty*>(combo.itemData(map.Items(tests)).value<void*>());
    EXPECT_EQ(record, tree.topLevelItem(1)->child(0)->data(0, Qt::UserRole).value<void*>());
    EXPECT_THROW(win.InitialEventComboBox(&combo, &map, 7), EEventManagerError);
    EXPECT_THROW(win.FillEventPopupTreeView(nullptr, 0, 1), EEventManagerError);
  });
}
