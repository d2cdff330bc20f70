// The message event editor driven as a person would, offscreen: clicks on
// tree nodes and buttons, typing, OK and Cancel while Execute runs; then the
// edited event is checked. Its rules are also checked without a widget.
#include <algorithm>
#include <cstdlib>
#include <set>
#include <functional>
#include <sstream>

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QSet>
#include <QTest>
#include <QTimer>
#include <pugixml.hpp>

#include "definitions/msg_event_list.h"
#include "eventmanager/outside/message_codes.h"
#include "platform/component_registry.h"
#include "windows/event_modify_dialog.h"
#include "windows/event_modify_rules.h"
#include "windows/level_tree.h"

namespace {

// The event as the definitions file would hold it.
std::string xmlOf(TMsgEvent* event) {
  pugi::xml_document doc;
  event->SaveToNode(doc.append_child("MsgEvent"));
  std::ostringstream out;
  doc.save(out);
  return out.str();
}

std::string xmlOf(TLevelNode* level) {
  pugi::xml_document doc;
  level->SaveToNode(doc.append_child("LevelNode"));
  std::ostringstream out;
  doc.save(out);
  return out.str();
}

// The first message types of the network's catalogue with and without sub-types.
uint32_t typeCode(uint8_t net, bool withSubTypes, int skip = 0) {
  for (const TMessageType& t : AvailableMessages(net)) {
    TMsgEventList list;
    list.SetNetType(net);
    TMsgEvent event(&list);
    TLevelNode level(&event, nullptr);
    SelectMsg(level, net, t.Code);
    const bool hasSubTypes = level.MsgNodes->Node(0)->SubCode != 0;
    if (hasSubTypes == withSubTypes && skip-- == 0) return t.Code;
  }
  ADD_FAILURE() << "no such message type on network " << int(net);
  return 0;
}

class EventModifyDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    CoInitialize();
    list.SetNetType(0);
  }
  void TearDown() override { CoUninitialize(); }

  TMsgEvent* addEvent(const std::string& name) {
    auto* event = new TMsgEvent(&list);
    event->EventName = name;
    list.Add(event);
    return event;
  }

  // Runs Execute on `event`, doing `act` on the dialog once it is up. A dialog
  // that `act` leaves open is cancelled, so a failed step cannot hang the test.
  bool run(TfmEventModify& dialog, TMsgEvent* event, const std::function<void()>& act) {
    bool acted = false;
    QTimer::singleShot(0, &dialog, [&] {
      EXPECT_EQ(QApplication::activeModalWidget(), &dialog);
      // Offscreen the window is activated later; keyboard focus needs it now.
      QApplication::setActiveWindow(&dialog);
      act();
      acted = true;
      if (dialog.isVisible()) dialog.reject();
    });
    const bool result = dialog.Execute(event);
    EXPECT_TRUE(acted);
    return result;
  }

  template <class T>
  static T* child(QWidget& dialog, const char* name) {
    T* w = dialog.findChild<T*>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  static TLevelTree* tree(QWidget& d) { return child<TLevelTree>(d, "tvInnerEvent"); }
  static QTreeWidgetItem* root(QWidget& d) { return tree(d)->topLevelItem(0); }
  static void click(QWidget& d, const char* button) {
    QPushButton* b = child<QPushButton>(d, button);
    ASSERT_TRUE(b->isEnabled()) << button;
    QTest::mouseClick(b, Qt::LeftButton);
  }
  static void clickNode(QWidget& d, QTreeWidgetItem* item) {
    ASSERT_NE(item, nullptr);
    TLevelTree* t = tree(d);
    t->scrollToItem(item);
    QTest::mouseClick(t->viewport(), Qt::LeftButton, {}, t->visualItemRect(item).center());
    ASSERT_EQ(t->currentItem(), item);
  }
  static QListWidgetItem* available(QWidget& d, uint32_t code) {
    QListWidget* list = child<QListWidget>(d, "lbMessagesAvaliable");
    for (int i = 0; i < list->count(); ++i)
      if (list->item(i)->data(Qt::UserRole).toULongLong() == code) return list->item(i);
    ADD_FAILURE() << "message " << code << " not available";
    return nullptr;
  }
  static void chooseAvailable(QWidget& d, uint32_t code) {
    QListWidget* list = child<QListWidget>(d, "lbMessagesAvaliable");
    QListWidgetItem* item = available(d, code);
    ASSERT_NE(item, nullptr);
    list->scrollToItem(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
    ASSERT_EQ(list->currentItem(), item);
  }
  static QStringList selectedMessages(QWidget& d) {
    QStringList texts;
    QListWidget* list = child<QListWidget>(d, "lblMessages");
    for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text();
    return texts;
  }
  static void typeInto(QWidget* w, const QString& text) {
    ASSERT_NE(w, nullptr);
    if (auto* combo = qobject_cast<QComboBox*>(w)) w = combo->lineEdit();
    auto* edit = qobject_cast<QLineEdit*>(w);
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
  }

  TMsgEventList list;
};

// A screenshot worth looking at: the window's own size and more than a
// blank surface (a window that painted nothing is one colour or two).
void expectPainted(const QImage& image, const QWidget& w, const char* name) {
  ASSERT_FALSE(image.isNull()) << name;
  EXPECT_EQ(image.size(), w.size() * w.devicePixelRatioF()) << name;
  QSet<QRgb> colours;
  for (int y = 0; y < image.height() && colours.size() < 8; y += 3)
    for (int x = 0; x < image.width() && colours.size() < 8; x += 3) colours.insert(image.pixel(x, y));
  EXPECT_GE(colours.size(), 8) << name << ": the window painted next to nothing";
}

void screenshot(QWidget& w, const char* name) {
  const QString dir = QStringLiteral(EVENTMANAGER_SCREENSHOT_DIR);
  QDir().mkpath(dir);
  const QImage image = w.grab().toImage();
  expectPainted(image, w, name);
  EXPECT_TRUE(image.save(dir + "/" + name)) << name;
}

}  // namespace

TEST(EventModifyRules, FixedListsKeepTheirTextsAndNumbers) {
  struct Case {
    const std::vector<TChoice>& choices;
    size_t count;
    std::vector<std::pair<int, std::string>> probes;  // number, text
  };
  const Case cases[] = {
      {ReportChoices(), 47,
       {{1, "Authentication Success"}, {3, "Intercell handover success"}, {22, "SoftHandoff Success"},
        {28, "Handover Success(GSM-->UMTS)"}, {35, "Handover Success(TD-->GSM)"}, {46, "PDP Deactive Success"},
        {47, "URA Update Success"}}},
      {DetailFlagChoices(), 8, {{1, "Cause Code"}, {2, "Soft HandOver"}, {6, "Display Delay"}, {8, "GSM To TD"}}},
      {StartedFlagChoices(), 3, {{1, "Call Started"}, {2, "Attach Started"}, {3, "PDPActive Started"}}},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(c.choices.size(), c.count);
    std::set<std::string> texts;
    for (size_t i = 0; i < c.choices.size(); ++i) {
      EXPECT_EQ(c.choices[i].Number, static_cast<int>(i) + 1);
      texts.insert(c.choices[i].Text);
    }
    EXPECT_EQ(texts.size(), c.count) << "texts are unique";
    for (const auto& [number, text] : c.probes) EXPECT_EQ(c.choices[number - 1].Text, text);
  }
}

TEST(EventModifyRules, AvailableMessagesAreTheSortedCatalogueWithTheCdmaProbe) {
  for (uint8_t net = 0; net < 5; ++net) {
    SCOPED_TRACE(int(net));
    const std::vector<TMessageType> types = AvailableMessages(net);
    ASSERT_GT(types.size(), 5u);
    for (size_t i = 1; i < types.size(); ++i)
      EXPECT_LE(QString::compare(QString::fromStdString(types[i - 1].Description),
                                 QString::fromStdString(types[i].Description), Qt::CaseInsensitive),
                0);
    const auto probes = std::count_if(types.begin(), types.end(), [](const TMessageType& t) {
      return t.Description == "CDMA Access Probe Info" && t.Code == cdma::AccessProbeInfo;
    });
    EXPECT_EQ(probes, net == 1 ? 1 : 0);
  }
  EXPECT_EQ(AvailableMessages(4).size(), 88u);  // the LTE catalogue (docs/message-bytes.md)
  EXPECT_TRUE(AvailableMessages(5).empty());
}

TEST(EventModifyRules, ReasonNumberIsAnIntegerOrNone) {
  const std::pair<const char*, int32_t> cases[] = {
      {"42", 42},       {" -7 ", -7},     {"+5", 5},       {"", -9999},          {"   ", -9999}, {"abc", -9999},
      {"12abc", -9999}, {"1.5", -9999},   {"0x10", -9999}, {"99999999999", -9999}, {"0", 0}};
  for (const auto& [text, reason] : cases) EXPECT_EQ(ReasonFromText(text), reason) << '"' << text << '"';
  EXPECT_EQ(ReasonText(-9999), "");
  EXPECT_EQ(ReasonText(17), "17");
}

TEST(EventModifyRules, DroppingALevelOnItselfCopiesItsSubtreeOnce) {
  TMsgEventList list;
  list.SetNetType(0);
  TMsgEvent event(&list);
  TLevelNode* top = NewSubItem(event, nullptr);
  TLevelNode* below = NewSubItem(event, top);
  below->SetReportName("Below");
  TLevelNode* copy = DropLevel(event, *top, top);
  ASSERT_EQ(top->ChildCount(), 2);
  EXPECT_EQ(top->Child(1), copy);
  EXPECT_EQ(copy->ChildCount(), 1) << "the copy holds the subtree as it was before the drop";
  EXPECT_EQ(copy->Child(0)->ReportName, "Below");
  EXPECT_EQ(copy->ParentLevel, top);
  EXPECT_EQ(copy->Event(), &event);

  // Dropped on its own sub-level, the copy lands there, once.
  TLevelNode* deep = DropLevel(event, *top, below);
  EXPECT_EQ(below->ChildCount(), 1);
  EXPECT_EQ(below->Child(0), deep);
  EXPECT_EQ(deep->ChildCount(), 2);
}

TEST(EventModifyRules, ReportNamesOfferedOnceWhateverTheirCase) {
  TMsgEventList list;
  list.SetNetType(0);
  auto* other = new TMsgEvent(&list);
  list.Add(other);
  NewSubItem(*other, nullptr)->SetReportName("Custom Failure");
  NewSubItem(*other, nullptr)->SetReportName("RAB Setup");
  TMsgEvent copy(&list);
  NewSubItem(copy, nullptr)->SetReportName("custom failure");
  NewSubItem(copy, nullptr)->SetReportName("Typed Here");
  const std::vector<std::string> offered = ReportNamesToOffer(&list, &copy, {"RAB Setup", "Handover Success"});
  EXPECT_EQ(offered, (std::vector<std::string>{"Custom Failure", "Typed Here"}));
}

TEST_F(EventModifyDialog, TwoMessagesTwoDeepShowLevel2AndTheSameMessageIsAddedOnce) {
  TMsgEvent* event = addEvent("Two Deep");
  const uint32_t first = typeCode(0, false), second = typeCode(0, false, 1);
  TfmEventModify dialog(nullptr, 0, 0);
  const bool ok = run(dialog, event, [&] {
    clickNode(dialog, root(dialog));
    EXPECT_FALSE(child<QPushButton>(dialog, "Delete Item")->isEnabled()) << "the root is not a level";
    EXPECT_FALSE(child<QPushButton>(dialog, "New Item")->isEnabled());
    click(dialog, "New SubItem");
    click(dialog, "New SubItem");
    QTreeWidgetItem* deep = tree(dialog)->currentItem();
    ASSERT_EQ(deep->parent()->parent(), root(dialog));
    EXPECT_TRUE(child<QPushButton>(dialog, "Delete Item")->isEnabled());
    chooseAvailable(dialog, first);
    click(dialog, "Select Msg");
    EXPECT_EQ(deep->text(0), selectedMessages(dialog).value(0)) << "one message names the level";
    // The second message by double-click; the first once more, which is not added again.
    chooseAvailable(dialog, second);
    QListWidget* avail = child<QListWidget>(dialog, "lbMessagesAvaliable");
    QTest::mouseDClick(avail->viewport(), Qt::LeftButton, {}, avail->visualItemRect(avail->currentItem()).center());
    chooseAvailable(dialog, first);
    click(dialog, "Select Msg");
    EXPECT_EQ(selectedMessages(dialog).size(), 2);
    EXPECT_EQ(deep->text(0), "Level 2");
    click(dialog, "OK");
  });
  ASSERT_TRUE(ok);
  ASSERT_EQ(event->LevelCount(), 1);
  ASSERT_EQ(event->Level(0)->ChildCount(), 1);
  TLevelNode* deep = event->Level(0)->Child(0);
  ASSERT_EQ(deep->MsgNodes->Count(), 2);
  EXPECT_EQ(deep->MsgNodes->Node(0)->MessageCode, first);
  EXPECT_EQ(deep->MsgNodes->Node(1)->MessageCode, second);
  EXPECT_EQ(deep->Caption(), "Level 2");
  EXPECT_TRUE(event->IsModified());
}

TEST_F(EventModifyDialog, MessageWithSubTypesIsListedWithAllSubTypes) {
  TMsgEvent* event = addEvent("Sub Types");
  const uint32_t code = typeCode(0, true);
  TfmEventModify dialog(nullptr, 0, 0);
  ASSERT_TRUE(run(dialog, event, [&] {
    clickNode(dialog, root(dialog));
    click(dialog, "New SubItem");
    chooseAvailable(dialog, code);
    click(dialog, "Select Msg");
    ASSERT_EQ(selectedMessages(dialog).size(), 1);
    EXPECT_TRUE(selectedMessages(dialog)[0].endsWith("(FFFFFFFF)")) << selectedMessages(dialog)[0].toStdString();
    EXPECT_EQ(tree(dialog)->currentItem()->text(0), selectedMessages(dialog)[0]);
    // Delete Msg takes it off again; the level falls back to "Level 1".
    QListWidget* chosen = child<QListWidget>(dialog, "lblMessages");
    QTest::mouseClick(chosen->viewport(), Qt::LeftButton, {}, chosen->visualItemRect(chosen->item(0)).center());
    click(dialog, "Delete Msg");
    EXPECT_TRUE(selectedMessages(dialog).isEmpty());
    EXPECT_EQ(tree(dialog)->currentItem()->text(0), "Level 1");
    // Enter in the available list selects the message, not OK.
    chooseAvailable(dialog, code);
    QListWidget* avail = child<QListWidget>(dialog, "lbMessagesAvaliable");
    avail->setFocus();
    EXPECT_FALSE(child<QPushButton>(dialog, "OK")->isDefault());
    QTest::keyClick(avail, Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(selectedMessages(dialog).size(), 1);
    click(dialog, "OK");
  }));
  ASSERT_EQ(event->LevelCount(), 1);
  ASSERT_EQ(event->Level(0)->MsgNodes->Count(), 1);
  EXPECT_EQ(event->Level(0)->MsgNodes->Node(0)->MessageCode, code);
  EXPECT_EQ(event->Level(0)->MsgNodes->Node(0)->SubCode, 0xFFFFFFFFu);
}

TEST_F(EventModifyDialog, CancelAndReadOnlyOkLeaveTheEventUnchanged) {
  struct Case {
    uint8_t readOnly;
    const char* button;
    bool result;
  };
  for (const Case c : {Case{0, "Cancel", false}, Case{1, "OK", true}, Case{1, "Cancel", false}}) {
    SCOPED_TRACE(std::string(c.button) + (c.readOnly ? " read-only" : ""));
    TMsgEventList own;
    own.SetNetType(0);
    auto* event = new TMsgEvent(&own);
    event->EventName = "Kept";
    own.Add(event);
    SelectMsg(*NewSubItem(*event, nullptr), 0, typeCode(0, false));
    event->Level(0)->SetReportName("Outgoing Call Setup");
    const std::string before = xmlOf(event);
    TfmEventModify dialog(nullptr, c.readOnly, 0);
    EXPECT_EQ(run(dialog, event,
                  [&] {
                    QTreeWidgetItem* level = root(dialog)->child(0);
                    clickNode(dialog, level);
                    EXPECT_EQ(child<QComboBox>(dialog, "cboxReport")->isEnabled(), !c.readOnly);
                    EXPECT_EQ(child<QComboBox>(dialog, "cboxStartedFlag")->isEnabled(), !c.readOnly);
                    EXPECT_EQ(child<QPushButton>(dialog, "New SubItem")->isEnabled(), !c.readOnly);
                    if (!c.readOnly) {
                      click(dialog, "New SubItem");
                      click(dialog, "New Item");
                      typeInto(child<QComboBox>(dialog, "cboxReport"), "Changed");
                    } else {
                      // A drag reaching the tree anyway is not dropped.
                      ASSERT_TRUE(tree(dialog)->BeginDrag(level));
                      EXPECT_FALSE(tree(dialog)->AcceptDrop(root(dialog)));
                      tree(dialog)->Drop(root(dialog));
                      EXPECT_EQ(root(dialog)->childCount(), 1);
                    }
                    click(dialog, c.button);
                  }),
              c.result);
    EXPECT_EQ(xmlOf(event), before);
  }
}

TEST_F(EventModifyDialog, LevelFieldsAreStoredOnLeavingTheNodeAndTheReasonMayBeNone) {
  TMsgEvent* event = addEvent("Fields");
  struct Case {
    const char* reason;
    int32_t stored;
  };
  for (const Case c : {Case{"42", 42}, Case{"abc", -9999}, Case{"", -9999}}) {
    SCOPED_TRACE(c.reason);
    TfmEventModify dialog(nullptr, 0, 0);
    ASSERT_TRUE(run(dialog, event, [&] {
      clickNode(dialog, root(dialog));
      if (root(dialog)->childCount() == 0) click(dialog, "New SubItem");
      QTreeWidgetItem* level = root(dialog)->child(0);
      clickNode(dialog, level);
      typeInto(child<QComboBox>(dialog, "cboxReport"), "My Report");
      EXPECT_EQ(level->text(0), "My Report") << "the node follows the typed name";
      typeInto(child<QLineEdit>(dialog, "edtReasonNum"), c.reason);
      typeInto(child<QLineEdit>(dialog, "edtExpression"), "RxLevSub < -100");
      QComboBox* detail = child<QComboBox>(dialog, "cboxDetailFlag");
      detail->setCurrentIndex(detail->findText("Display Delay"));
      clickNode(dialog, root(dialog));  // leaving the level stores it
      clickNode(dialog, level);
      EXPECT_EQ(child<QLineEdit>(dialog, "edtReasonNum")->text().toStdString(), c.stored == -9999 ? "" : c.reason);
      click(dialog, "OK");
    }));
    ASSERT_EQ(event->LevelCount(), 1);
    TLevelNode* level = event->Level(0);
    EXPECT_EQ(level->ReportName, "My Report");
    EXPECT_EQ(level->ReasonNum, c.stored);
    EXPECT_EQ(level->Expression, "RxLevSub < -100");
    EXPECT_EQ(level->DetailFlag, 6);
  }
}

TEST_F(EventModifyDialog, StartFlagChosenOnALevelSurvivesSelectingTheRoot) {
  TMsgEvent* event = addEvent("Armed");
  NewSubItem(*event, nullptr);
  TfmEventModify dialog(nullptr, 0, 0);
  ASSERT_TRUE(run(dialog, event, [&] {
    clickNode(dialog, root(dialog)->child(0));
    QComboBox* start = child<QComboBox>(dialog, "cboxStartedFlag");
    start->setFocus();
    QTest::keyClick(start, Qt::Key_Down);  // "Call Started"
    QTest::keyClick(start, Qt::Key_Down);  // "Attach Started"
    ASSERT_EQ(start->currentText(), "Attach Started");
    clickNode(dialog, root(dialog));
    EXPECT_EQ(start->currentText(), "Attach Started");
    click(dialog, "OK");
  }));
  EXPECT_EQ(event->StartedFlag, 2);
}

TEST_F(EventModifyDialog, DeleteKeyEmptiesTheChoiceBoxes) {
  TMsgEvent* event = addEvent("Cleared");
  event->StartedFlag = 3;
  TLevelNode* level = NewSubItem(*event, nullptr);
  SelectMsg(*level, 0, typeCode(0, false));
  SelectMsg(*level, 0, typeCode(0, false, 1));
  level->SetReportName("RAB Setup");
  level->SetDetailFlag(1);
  TfmEventModify dialog(nullptr, 0, 0);
  ASSERT_TRUE(run(dialog, event, [&] {
    QTreeWidgetItem* node = root(dialog)->child(0);
    clickNode(dialog, node);
    for (const char* name : {"cboxReport", "cboxDetailFlag", "cboxStartedFlag"}) {
      QComboBox* box = child<QComboBox>(dialog, name);
      QWidget* target = box->isEditable() ? static_cast<QWidget*>(box->lineEdit()) : box;
      target->setFocus();
      QTest::keyClick(target, Qt::Key_Delete);
      EXPECT_EQ(box->currentIndex(), -1) << name;
      EXPECT_EQ(box->currentText(), "") << name;
    }
    EXPECT_EQ(node->text(0), "Level 1") << "without a report name the level shows its default text";
    click(dialog, "OK");
  }));
  EXPECT_EQ(event->Level(0)->ReportName, "");
  EXPECT_EQ(event->Level(0)->DetailFlag, 0);
  EXPECT_EQ(event->StartedFlag, 0);
}

TEST_F(EventModifyDialog, DroppedLevelIsCopiedLastAndTheDraggedOneStays) {
  TMsgEvent* event = addEvent("Drag");
  TLevelNode* level = NewSubItem(*event, nullptr);
  SelectMsg(*level, 0, typeCode(0, false));
  NewSubItem(*event, level)->SetReportName("Call Established");
  level->SetReasonNum(16);
  TfmEventModify dialog(nullptr, 0, 0);
  ASSERT_TRUE(run(dialog, event, [&] {
    TLevelTree* t = tree(dialog);
    // A real drag cannot be driven offscreen (QDrag::exec runs the
    // platform's drag loop): the drag starts as the tree starts it, then the
    // enter, move and drop events a drag delivers are sent to the tree.
    ASSERT_FALSE(t->BeginDrag(root(dialog))) << "only levels are dragged";
    auto drop = [&](QTreeWidgetItem* target) {
      QMimeData mime;
      mime.setData("application/x-eventmanager-level", QByteArray());
      const QPointF at = t->visualItemRect(target).center();
      QDragEnterEvent enter(at.toPoint(), Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(t->viewport(), &enter);
      EXPECT_TRUE(enter.isAccepted());
      QDragMoveEvent move(at.toPoint(), Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, Qt::ControlModifier);
      QApplication::sendEvent(t->viewport(), &move);
      EXPECT_TRUE(move.isAccepted());
      EXPECT_EQ(move.dropAction(), Qt::CopyAction) << "Ctrl shows the copy cursor";
      QDropEvent event(at, Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(t->viewport(), &event);
      t->EndDrag();
    };
    ASSERT_TRUE(t->BeginDrag(root(dialog)->child(0)));
    drop(root(dialog));
    ASSERT_EQ(root(dialog)->childCount(), 2);
    EXPECT_EQ(root(dialog)->child(1)->childCount(), 1) << "the copy's sub-level is shown";
    click(dialog, "OK");
  }));
  ASSERT_EQ(event->LevelCount(), 2);
  EXPECT_EQ(xmlOf(event->Level(0)), xmlOf(event->Level(1)));
  EXPECT_EQ(event->Level(1)->Child(0)->ReportName, "Call Established");
  EXPECT_EQ(event->Level(1)->Child(0)->ParentLevel, event->Level(1));
}

TEST_F(EventModifyDialog, RootIsRenamedInPlaceAndABlankNameIsIgnored) {
  struct Case {
    const char* typed;
    const char* name;
  };
  for (const Case c : {Case{"Renamed Event", "Renamed Event"}, Case{"   ", "Original"}}) {
    SCOPED_TRACE(c.typed);
    TMsgEvent* event = addEvent("Original");
    event->Modified = false;
    TfmEventModify dialog(nullptr, 0, 0);
    ASSERT_TRUE(run(dialog, event, [&] {
      TLevelTree* t = tree(dialog);
      t->setFocus();
      t->setCurrentItem(root(dialog));
      QTest::keyClick(t, Qt::Key_F2);
      auto* editor = t->viewport()->findChild<QLineEdit*>();
      ASSERT_NE(editor, nullptr) << "the root is editable";
      EXPECT_FALSE(child<QPushButton>(dialog, "OK")->isDefault()) << "Enter ends the edit";
      editor->setFocus();
      editor->selectAll();
      QTest::keyClicks(editor, c.typed);
      QTest::keyClick(editor, Qt::Key_Return);
      QCoreApplication::processEvents();  // the view commits the edit once control returns to it
      EXPECT_TRUE(dialog.isVisible());
      EXPECT_TRUE(child<QPushButton>(dialog, "OK")->isDefault());
      EXPECT_EQ(root(dialog)->text(0).toStdString(), c.name);
      click(dialog, "OK");
    }));
    EXPECT_EQ(event->EventName, c.name);
    EXPECT_EQ(event->IsModified(), std::string(c.name) != "Original") << "a rename alone is a change to save";
    list.Remove(event);
  }
}

TEST_F(EventModifyDialog, ReportNamesOfOtherEventsAreOfferedOnDropDown) {
  TMsgEvent* other = addEvent("Other");
  NewSubItem(*other, nullptr)->SetReportName("Custom Failure");
  TMsgEvent* event = addEvent("Edited");
  NewSubItem(*event, nullptr);
  TfmEventModify dialog(nullptr, 0, 0);
  ASSERT_TRUE(run(dialog, event, [&] {
    clickNode(dialog, root(dialog)->child(0));
    QComboBox* report = child<QComboBox>(dialog, "cboxReport");
    EXPECT_EQ(report->count(), 47);
    EXPECT_EQ(report->findText("Custom Failure"), -1);
    for (int i = 0; i < 2; ++i) {
      report->showPopup();
      report->hidePopup();
    }
    EXPECT_EQ(report->count(), 48) << "added once";
    EXPECT_GE(report->findText("Custom Failure"), 0);
    EXPECT_EQ(report->currentText(), "") << "dropping down does not choose";
    for (int i = 1; i < report->count(); ++i)
      EXPECT_LE(QString::compare(report->itemText(i - 1), report->itemText(i), Qt::CaseInsensitive), 0);
    click(dialog, "OK");
  }));
  EXPECT_EQ(event->Level(0)->ReportName, "");
}

TEST_F(EventModifyDialog, RefusedExpressionEditKeepsTheText) {
  TMsgEvent* event = addEvent("Expression");
  NewSubItem(*event, nullptr)->SetExpression("RxLevSub < -100");
  TfmEventModify dialog(nullptr, 0, 0);
  ASSERT_TRUE(run(dialog, event, [&] {
    clickNode(dialog, root(dialog)->child(0));
    // Whatever editor "..." opens is cancelled as soon as it is up.
    QTimer::singleShot(0, &dialog, [&] {
      if (auto* editor = qobject_cast<QDialog*>(QApplication::activeModalWidget()); editor && editor != &dialog)
        editor->reject();
    });
    click(dialog, "btnShowExpress");
    EXPECT_EQ(child<QLineEdit>(dialog, "edtExpression")->text(), "RxLevSub < -100");
    click(dialog, "OK");
  }));
  EXPECT_EQ(event->Level(0)->Expression, "RxLevSub < -100");
}

TEST_F(EventModifyDialog, DeleteItemRemovesTheLevelWithItsSubLevels) {
  TMsgEvent* event = addEvent("Delete");
  TLevelNode* first = NewSubItem(*event, nullptr);
  NewSubItem(*event, first);
  NewSubItem(*event, nullptr)->SetReportName("Second");
  TfmEventModify dialog(nullptr, 0, 0);
  ASSERT_TRUE(run(dialog, event, [&] {
    clickNode(dialog, root(dialog)->child(0));
    click(dialog, "Delete Item");
    EXPECT_EQ(tree(dialog)->currentItem(), root(dialog)) << "the parent is selected";
    ASSERT_EQ(root(dialog)->childCount(), 1);
    EXPECT_EQ(root(dialog)->child(0)->text(0), "Second");
    click(dialog, "OK");
  }));
  ASSERT_EQ(event->LevelCount(), 1);
  EXPECT_EQ(event->Level(0)->ReportName, "Second");
}

TEST_F(EventModifyDialog, Screenshots) {
  setenv("EVENTMANAGER_HOME", EVENTMANAGER_SOURCE_DIR "/data/sample", 1);
  TMsgEventList gsm;
  gsm.SetNetType(0);
  gsm.LoadFromFile();
  ASSERT_GT(gsm.Count(), 0);
  TMsgEvent* sample = gsm.Event(0);
  ASSERT_TRUE(sample->HasLevels() && sample->Level(0)->ChildCount() > 0);
  {
    TfmEventModify dialog(nullptr, 0, 0);
    run(dialog, sample, [&] {
      // The tree shows the event and its levels; the fields the chosen level's values.
      EXPECT_EQ(root(dialog)->text(0).toStdString(), sample->EventName);
      EXPECT_EQ(root(dialog)->childCount(), sample->LevelCount());
      TLevelNode* level = sample->Level(0)->Child(0);
      clickNode(dialog, root(dialog)->child(0)->child(0));
      EXPECT_EQ(child<QComboBox>(dialog, "cboxReport")->currentText().toStdString(), level->ReportName);
      EXPECT_EQ(child<QListWidget>(dialog, "lblMessages")->count(), level->MsgNodes->Count());
      EXPECT_TRUE(child<QComboBox>(dialog, "cboxReport")->isEnabled());
      screenshot(dialog, "event_modify_gsm.png");
    });
  }
  {
    TfmEventModify dialog(nullptr, 1, 0);
    run(dialog, sample, [&] {
      clickNode(dialog, root(dialog)->child(0));
      EXPECT_EQ(root(dialog)->text(0).toStdString(), sample->EventName);
      EXPECT_FALSE(child<QComboBox>(dialog, "cboxReport")->isEnabled()) << "read-only, yet editable";
      screenshot(dialog, "event_modify_read_only.png");
    });
  }
  TMsgEventList cdma;
  cdma.SetNetType(1);
  auto* event = new TMsgEvent(&cdma);
  cdma.Add(event);
  TfmEventModify dialog(nullptr, 0, 1);
  run(dialog, event, [&] {
    clickNode(dialog, root(dialog));
    click(dialog, "New SubItem");
    chooseAvailable(dialog, cdma::AccessProbeInfo);
    EXPECT_EQ(available(dialog, cdma::AccessProbeInfo)->text(), "CDMA Access Probe Info");
    click(dialog, "Select Msg");
    EXPECT_EQ(selectedMessages(dialog), QStringList{"CDMA Access Probe Info"});
    screenshot(dialog, "event_modify_cdma.png");
    click(dialog, "OK");
  });
  ASSERT_EQ(event->LevelCount(), 1);
  EXPECT_EQ(event->Level(0)->MsgNodes->Node(0)->MessageCode, cdma::AccessProbeInfo);
}
