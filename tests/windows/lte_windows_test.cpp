// The windows with LTE, the fifth network, as a host and a person use them:
// the library is opened with dlopen in a process of its own with a copy of
// the sample home; the network sets 15 (the four older networks), 16 (LTE)
// and 31 (all five) give their tabs and categories; an LTE message event and
// an LTE gate event are built in the maintenance window's editors from the
// LTE catalogue, saved, read back from the file and run on an LTE log.
#include <dlfcn.h>

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "eventmanager/integer_array.h"
#include "testing/e2e_support.h"
#include "window_steps.h"
#include "testing/four_networks.h"

namespace {

using namespace eventmanager_exports;

constexpr uint8_t Lte = 4;
constexpr uint32_t AttachRequest = 0x722F0741, AttachAccept = 0x722F0742, AttachReject = 0x722F0744;

struct Exports {
  CreateEventMaintainWinByNetType_t Maintain = nullptr;
  CreateInternalEventsWinByNetType_t Properties = nullptr;
  FillEventPopupTreeView_t FillTree = nullptr;
  InitialEventComboBox_t FillCombo = nullptr;
};

void WithLibrary(const e2e::fs::path& home, const std::function<void(eventscan::HostLibrary&, Exports&)>& body) {
  WithWindowsLibrary(home, [&](eventscan::HostLibrary& library) {
    Exports win;
    win.Maintain = windowExport<CreateEventMaintainWinByNetType_t>(library, "CreateEventMaintainWinByNetType");
    win.Properties = windowExport<CreateInternalEventsWinByNetType_t>(library, "CreateInternalEventsWinByNetType");
    win.FillTree = windowExport<FillEventPopupTreeView_t>(library, "FillEventPopupTreeView");
    win.FillCombo = windowExport<InitialEventComboBox_t>(library, "InitialEventComboBox");
    ASSERT_TRUE(win.Maintain && win.Properties && win.FillTree && win.FillCombo);
    body(library, win);
  });
}

void click(QWidget* window, const char* button) {
  auto* b = child<QPushButton>(window, button);
  ASSERT_TRUE(b && b->isEnabled()) << button;
  QTest::mouseClick(b, Qt::LeftButton);
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

void onNextModal(const std::function<void(QWidget*)>& act) {
  QTimer::singleShot(0, [act] {
    QWidget* dialog = QApplication::activeModalWidget();
    ASSERT_NE(dialog, nullptr) << "no modal dialog opened";
    act(dialog);
  });
}

// Clicks the available message whose description starts with `text`, then
// double-clicks it, as a person picks a message.
void pickMessage(QWidget* dialog, const char* text) {
  auto* available = child<QListWidget>(dialog, "lbMessagesAvaliable");
  const QList<QListWidgetItem*> found = available->findItems(text, Qt::MatchStartsWith);
  ASSERT_EQ(found.size(), 1) << text;
  available->scrollToItem(found.first());
  const QPoint at = available->visualItemRect(found.first()).center();
  QTest::mouseClick(available->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(available->viewport(), Qt::LeftButton, {}, at);
}

void typeReport(QWidget* dialog, const char* text) {
  auto* report = child<QComboBox>(dialog, "cboxReport");
  report->lineEdit()->setFocus();
  report->lineEdit()->selectAll();
  QTest::keyClicks(report->lineEdit(), text);
}

// The CSV row of the first result of this event; empty when none.
std::string rowOf(const std::string& csv, const std::string& event) {
  const size_t at = csv.find("," + event + ",");
  if (at == std::string::npos) return {};
  const size_t begin = csv.rfind('\n', at) + 1;
  return csv.substr(begin, csv.find('\n', at) - begin);
}

void chooseByText(QComboBox* box, const char* text) {
  const int at = box->findText(text);
  ASSERT_GE(at, 0) << text;
  box->setCurrentIndex(at);
}

// An attach rejected with EMM cause 13 (roaming not allowed in this tracking
// area, 24.301 9.9.3.9), then an attach left unanswered for 16 s.
const char* const LteLog = R"({"format": "eventscan-log", "version": 1, "network": "LTE", "device": 3, "start": "2026-03-14T10:00:00.000"}
{"time": "2026-03-14T10:00:01.000", "msg": "Attach Request"}
{"time": "2026-03-14T10:00:01.400", "msg": "Attach Reject", "ie": {"cause": [13]}}
{"time": "2026-03-14T10:00:10.000", "msg": "Attach Request"}
{"time": "2026-03-14T10:00:26.000", "msg": "Measurement Report"}
)";

}  // namespace

// The network sets of the window exports: 15 still means the four older
// networks, 16 LTE alone, 31 all five, in network order.
TEST(LteWindows, NetworkSetsGiveTheirTabsAndCategories) {
  e2e::TempHome home;
  WithLibrary(home.Path(), [&](eventscan::HostLibrary&, Exports& win) {
    struct Case {
      uint8_t set;
      std::vector<std::string> tabs, categories;
    };
    const std::vector<Case> cases = {
        {15,
         {"GSM", "CDMA", "UMTS", "TD-SCDMA"},
         {"GSM-Message", "CDMA-Message", "UMTS-Message", "TD-SCDMA-Message", "GSM-Warning", "CDMA-Warning",
          "UMTS-Warning", "TD-SCDMA-Warning", "Test"}},
        {16, {"LTE"}, {"LTE-Message", "LTE-Warning", "Test"}},
        {31,
         {"GSM", "CDMA", "UMTS", "TD-SCDMA", "LTE"},
         {"GSM-Message", "CDMA-Message", "UMTS-Message", "TD-SCDMA-Message", "LTE-Message", "GSM-Warning",
          "CDMA-Warning", "UMTS-Warning", "TD-SCDMA-Warning", "LTE-Warning", "Test"}},
        {32, {}, {"Test"}},  // no sixth network
    };
    for (const Case& c : cases) {
      SCOPED_TRACE(static_cast<int>(c.set));
      QWidget* maintain = shown(win.Maintain(nullptr, 0, c.set));
      EXPECT_EQ(tabTexts(child<QTabBar>(maintain, "TCtrlEvents")), c.tabs);
      if (c.set == 31) screenshot(maintain, "lte_maintain_all_five_networks.png");
      delete maintain;
      QWidget* properties = shown(win.Properties(nullptr, c.set));
      EXPECT_EQ(topLevelTexts(child<QTreeWidget>(properties, "VSTEventsRoot")), c.categories);
      delete properties;
    }
  });
}

// The fill exports with network 4 give the LTE groups; a network above 4
// is refused as one above 3 was.
TEST(LteWindows, FillExportsTakeLte) {
  e2e::TempHome home;
  WithLibrary(home.Path(), [&](eventscan::HostLibrary& library, Exports& win) {
    QTreeWidget tree;
    win.FillTree(&tree, Lte, 1);
    EXPECT_EQ(topLevelTexts(&tree), (std::vector<std::string>{"Test", "LTE-Message", "LTE-Warning"}));
    QTreeWidget gsm;
    win.FillTree(&gsm, 0, 1);
    EXPECT_EQ(topLevelTexts(&gsm), (std::vector<std::string>{"Test", "GSM-Message", "GSM-Warning"}));
    QComboBox combo;
    TIntegerArray map;
    win.FillCombo(&combo, &map, Lte);
    EXPECT_EQ(map.Count(), combo.count());
    EXPECT_EQ(combo.count(), tree.topLevelItem(0)->childCount() + library.MsgPropertyListCount(Lte) +
                                 tree.topLevelItem(2)->childCount());
    for (uint8_t bad : {uint8_t{5}, uint8_t{255}}) {
      QTreeWidget none;
      EXPECT_THROW(win.FillTree(&none, bad, 1), std::exception) << static_cast<int>(bad);
      EXPECT_EQ(none.topLevelItemCount(), 0);
      EXPECT_THROW(win.FillCombo(&combo, &map, bad), std::exception) << static_cast<int>(bad);
    }
  });
}

// `eventscan maintain --networks LTE` as a person uses it: a new message
// event from the LTE catalogue (Attach Request, then Attach Reject reporting
// its EMM cause) and a new message gate (Attach Request not answered by
// Attach Accept in 15 s); the saved file read back; the host reloads and
// the LTE log gives both events.
TEST(LteWindows, LteEventsBuiltInTheEditorsAreSavedAndFire) {
  e2e::TempHome home;
  const e2e::fs::path file = home.Path() / "EventsDefine.cfg";
  // The person starts from a home without LTE events.
  for (const char* name : {"EventsDefine.cfg", "EventsProperty.cfg"})
    e2e::WriteFile(home.Path() / name, WithoutLteElements(e2e::ReadFile(home.Path() / name)));
  e2e::WriteFile(home.Path() / "lte.jsonl", LteLog);
  eventscan::ParsedLog log = eventscan::ReadLog((home.Path() / "lte.jsonl").string());
  WithLibrary(home.Path(), [&](eventscan::HostLibrary& library, Exports& win) {
    ASSERT_EQ(e2e::RunToCsv(library, log).find("Attach Reject"), std::string::npos);
    QPointer<QWidget> window = shown(win.Maintain(nullptr, 0, 16));
    ASSERT_EQ(tabTexts(child<QTabBar>(window, "TCtrlEvents")), (std::vector<std::string>{"LTE"}));
    EXPECT_EQ(child<QListWidget>(window, "LBoxEvents")->count(), 0);

    onNextModal([](QWidget* dialog) {
      EXPECT_EQ(dialog->objectName(), "TfmEventModify");
      auto* tree = child<QTreeWidget>(dialog, "tvInnerEvent");
      // Rename the event in place.
      tree->setFocus();
      tree->setCurrentItem(tree->topLevelItem(0));
      QTest::keyClick(tree, Qt::Key_F2);
      auto* editor = tree->viewport()->findChild<QLineEdit*>();
      ASSERT_NE(editor, nullptr);
      editor->selectAll();
      QTest::keyClicks(editor, "LTE Attach");
      QTest::keyClick(editor, Qt::Key_Return);
      QCoreApplication::processEvents();
      // The first level: Attach Request, from the LTE catalogue only.
      tree->setCurrentItem(tree->topLevelItem(0));
      click(dialog, "New SubItem");
      auto* available = child<QListWidget>(dialog, "lbMessagesAvaliable");
      EXPECT_TRUE(available->findItems("Attach Request [EMM]", Qt::MatchExactly).size() == 1);
      EXPECT_TRUE(available->findItems("RRC Connection Request [RRC]", Qt::MatchExactly).size() == 1);
      EXPECT_TRUE(available->findItems("Location Updating Request", Qt::MatchStartsWith).isEmpty())
          << "a message of another network's catalogue";
      pickMessage(dialog, "Attach Request [EMM]");
      // Its follow-up: Attach Reject, reporting the cause.
      click(dialog, "New SubItem");
      pickMessage(dialog, "Attach Reject [EMM]");
      typeReport(dialog, "LTE Attach Reject");
      chooseByText(child<QComboBox>(dialog, "cboxDetailFlag"), "Cause Code");
      screenshot(dialog, "lte_event_modify_attach.png");
      click(dialog, "OK");
    });
    click(window, "BtnNew");
    ASSERT_FALSE(window.isNull());
    EXPECT_EQ(child<QListWidget>(window, "LBoxEvents")->findItems("LTE Attach", Qt::MatchExactly).size(), 1);

    clickTab(child<QTabBar>(window, "tbcEventType"), "Warning Events");
    onNextModal([](QWidget* dialog) {
      EXPECT_EQ(dialog->objectName(), "TfmGateEventModify");
      typeReport(dialog, "LTE Attach Not Answered");
      auto* messages = child<QCheckBox>(dialog, "chkMessages");
      QTest::mouseClick(messages, Qt::LeftButton, {}, QPoint(6, messages->height() / 2));  // on the box
      EXPECT_TRUE(messages->isChecked());
      auto* a = child<QComboBox>(dialog, "cboxLayerIIIItem1");
      auto* b = child<QComboBox>(dialog, "cboxLayerIIIItem2");
      EXPECT_GE(a->findText("Tracking Area Update Request [EMM]"), 0);
      EXPECT_LT(a->findText("CDMA Access Probe Info"), 0);
      chooseByText(a, "Attach Request [EMM]");
      chooseByText(b, "Attach Accept [EMM]");
      auto* during = child<QSpinBox>(dialog, "seMsgDuringTime1");
      during->setFocus();
      during->selectAll();
      QTest::keyClicks(during, "15000");
      screenshot(dialog, "lte_gate_event_modify_attach.png");
      click(dialog, "OK");
    });
    click(window, "BtnNew");
    EXPECT_EQ(child<QListWidget>(window, "LBoxEvents")->findItems("LTE Attach Not Answered", Qt::MatchExactly).size(),
              1);
    screenshot(window, "lte_maintain_warning_events.png");
    delete window;

    // The properties window lists the new LTE events with their records.
    QWidget* properties = shown(win.Properties(nullptr, 16));
    auto* categories = child<QTreeWidget>(properties, "VSTEventsRoot");
    auto* records = child<QTreeWidget>(properties, "VSTEvents");
    EXPECT_EQ(topLevelTexts(records), (std::vector<std::string>{"LTE Attach Reject"}));
    screenshot(properties, "lte_internal_events_messages.png");
    QTreeWidgetItem* warnings = categories->topLevelItem(1);
    ASSERT_NE(warnings, nullptr);
    QTest::mouseClick(categories->viewport(), Qt::LeftButton, {}, categories->visualItemRect(warnings).center());
    EXPECT_EQ(topLevelTexts(records), (std::vector<std::string>{"LTE Attach Not Answered"}));
    delete properties;

    // The host reloads and runs the LTE log.
    const std::string csv = e2e::RunToCsv(library, log);
    const std::string reject = rowOf(csv, "LTE Attach Reject");
    EXPECT_NE(reject.find(",LTE,"), std::string::npos) << csv;
    EXPECT_NE(reject.find("Cause: Roaming not allowed in this tracking area(13)"), std::string::npos) << csv;
    EXPECT_EQ(reject.rfind("1,", 0), 0u) << "at the Attach Reject, record 1: " << reject;
    const std::string unanswered = rowOf(csv, "LTE Attach Not Answered");
    EXPECT_NE(unanswered.find(",LTE"), std::string::npos) << csv;
  });

  // The file read back: the four networks as they were, LTE last.
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_file(file.c_str()));
  pugi::xml_node events = doc.child("Events");
  std::vector<std::string> networks;
  for (pugi::xml_node n : events.child("Message").children()) networks.push_back(n.name());
  EXPECT_EQ(networks, (std::vector<std::string>{"GSM", "CDMA", "UMTS", "TD-SCDMA", "LTE"}));
  pugi::xml_node event = events.child("Message").child("LTE").first_child();
  EXPECT_STREQ(event.attribute("EventName").value(), "LTE Attach");
  pugi::xml_node first = event.first_child();
  EXPECT_EQ(first.child("MsgNodes").first_child().attribute("MessageCode").as_llong(), AttachRequest);
  // Attach Request has sub-types (the EPS attach type): picked, it accepts all.
  EXPECT_STREQ(first.child("MsgNodes").first_child().attribute("MessageName").value(), "Attach Request(FFFFFFFF)");
  pugi::xml_node second = first.child("MsgNodes").next_sibling();
  EXPECT_EQ(second.child("MsgNodes").first_child().attribute("MessageCode").as_llong(), AttachReject);
  EXPECT_STREQ(second.attribute("ReportName").value(), "LTE Attach Reject");
  EXPECT_STREQ(second.attribute("DetailFlag").value(), "1");
  pugi::xml_node gate = events.child("Gate").child("LTE").first_child();
  EXPECT_STREQ(gate.attribute("EventName").value(), "LTE Attach Not Answered");
  EXPECT_STREQ(gate.attribute("GateType").value(), "2");
  EXPECT_EQ(gate.attribute("MessageCodeA").as_llong(), AttachRequest);
  EXPECT_EQ(gate.attribute("MessageCodeB").as_llong(), AttachAccept);
  EXPECT_STREQ(gate.attribute("MsgDuringTime").value(), "15000");
  EXPECT_FALSE(events.child("Aliases").child("LTE")) << "no LTE aliases, no LTE element";

  pugi::xml_document properties;
  ASSERT_TRUE(properties.load_file((home.Path() / "EventsProperty.cfg").c_str()));
  EXPECT_TRUE(properties.child("Propertys").child("Message").child("LTE-Message").find_child_by_attribute(
      "EventName", "LTE Attach Reject"));
  EXPECT_TRUE(properties.child("Propertys").child("Gate").child("LTE-Warning").find_child_by_attribute(
      "EventName", "LTE Attach Not Answered"));
}
