// The gate event editor as a person uses it: Execute runs the dialog modally
// while the test clicks and types in it, then the edited event is read back.
// Also the "..." button through the real expression editor.
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QSet>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "definitions/gate_event_list.h"
#include "eventmanager/outside/message_codes.h"
#include "platform/component_registry.h"
#include "windows/gate_event_modify_dialog.h"
#include "windows/gate_event_modify_rules.h"

namespace {

class ComponentEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { CoInitialize(); }
  void TearDown() override { CoUninitialize(); }
};
const auto* environment = ::testing::AddGlobalTestEnvironment(new ComponentEnvironment);

constexpr uint32_t Unlisted = 0xDEADBEEF;

template <class T>
T* child(QWidget* window, const char* name) {
  T* found = window ? window->findChild<T*>(name) : nullptr;
  EXPECT_NE(found, nullptr) << name;
  return found;
}

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

void screenshot(QWidget* widget, const char* name) {
  QDir().mkpath(EVENTMANAGER_SCREENSHOT_DIR);
  const QImage image = widget->grab().toImage();
  expectPainted(image, *widget, name);
  EXPECT_TRUE(image.save(QString(EVENTMANAGER_SCREENSHOT_DIR "/") + name)) << name;
}

// Near the left edge: a check box spans the row but takes clicks only on its
// box and caption.
void click(QWidget* dialog, const char* name) {
  if (auto* button = child<QAbstractButton>(dialog, name))
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
}

// The gate list of one network with one event in it.
struct OneGate {
  explicit OneGate(uint8_t netType) {
    list.SetNetType(netType);
    gate = new TGateEvent(&list);
    list.Add(gate);
  }
  TGateEventList list;
  TGateEvent* gate;
};

void fillExpressionGate(TGateEvent& g) {
  g.SetEventName("Low RxLev");
  g.SetGateType(1);
  g.SetExpression("RxLevSub < -100");
  g.SetExpDuringTime(3000);
  g.SetExpTimes(3);
  g.Modified = false;
}

// Every value Execute may write, to compare an event before and after.
struct Snapshot {
  std::string name, expression;
  int32_t type, expTime, expTimes, msgTime;
  uint32_t a, b;
  bool operator==(const Snapshot&) const = default;
};
Snapshot snapshot(const TGateEvent& g) {
  return {g.EventName, g.Expression, g.GateType, g.ExpDuringTime, g.ExpTimes, g.MsgDuringTime, g.MessageCodeA,
          g.MessageCodeB};
}

// Runs Execute while `act` works on the dialog; a dialog that `act` left
// open is cancelled, so a failing check cannot hang the test.
bool executeWhile(TfmGateEventModify& dialog, TGateEvent* gate, const std::function<void(QDialog*)>& act) {
  QTimer::singleShot(0, [&] {
    auto* shown = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    EXPECT_EQ(shown, &dialog);
    if (!shown) return;
    act(shown);
    if (shown->isVisible()) shown->reject();
  });
  return dialog.Execute(gate);
}

int entryOf(QComboBox* box, uint32_t code) { return box->findData(QVariant::fromValue<qlonglong>(code)); }

}  // namespace

TEST(GateEditor, FieldsAndMessagesExcludeEachOtherAndOkStoresTheGateType) {
  struct Case {
    int32_t stored;
    std::vector<const char*> clicks;
    int32_t expected;
  };
  const Case cases[] = {
      {1, {"chkMessages"}, 2},                      // checking Messages unchecks Fields
      {2, {"chkFields"}, 1},
      {1, {"chkFields"}, 0},                        // both unchecked
      {2, {"chkMessages"}, 0},
      {0, {"chkFields", "chkMessages", "chkFields"}, 1},
      {7, {}, 0},                                   // an unknown kind shows neither, OK stores 0
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "stored " << c.stored << ", " << c.clicks.size() << " clicks");
    OneGate g(0);
    fillExpressionGate(*g.gate);
    g.gate->SetGateType(c.stored);
    TfmGateEventModify dialog(nullptr, 0, 0);
    EXPECT_TRUE(executeWhile(dialog, g.gate, [&](QDialog* d) {
      auto* fields = child<QCheckBox>(d, "chkFields");
      auto* messages = child<QCheckBox>(d, "chkMessages");
      EXPECT_EQ(fields->isChecked(), c.stored == 1);
      EXPECT_EQ(messages->isChecked(), c.stored == 2);
      for (const char* name : c.clicks) {
        click(d, name);
        EXPECT_FALSE(fields->isChecked() && messages->isChecked());
      }
      click(d, "OK");
    }));
    EXPECT_EQ(g.gate->GateType, c.expected);
  }
}

TEST(GateEditor, MessageBoxesListTheNetworksCatalogueWithAccessProbeOnCdma) {
  for (uint8_t net : {0, 1, 2, 3}) {
    SCOPED_TRACE(int(net));
    const auto types = GateMessageTypes(net);
    ASSERT_GT(types.size(), 5u);
    TfmGateEventModify dialog(nullptr, 0, net);
    for (const char* name : {"cboxLayerIIIItem1", "cboxLayerIIIItem2"}) {
      auto* box = child<QComboBox>(&dialog, name);
      ASSERT_NE(box, nullptr);
      EXPECT_EQ(box->count(), static_cast<int>(types.size()));
      const int probe = box->findText("CDMA Access Probe Info");
      EXPECT_EQ(probe >= 0, net == 1);
      if (probe >= 0) {
        EXPECT_EQ(box->itemData(probe).toLongLong(), cdma::AccessProbeInfo);
      }
      // One entry for the code, as in the message event editor: a second
      // name for the same code would leave the user guessing which to pick.
      int probeEntries = 0;
      for (int i = 0; i < box->count(); ++i) probeEntries += box->itemData(i).toLongLong() == cdma::AccessProbeInfo;
      EXPECT_EQ(probeEntries, net == 1 ? 1 : 0);
      for (int i = 1; i < box->count(); ++i)
        EXPECT_LE(box->itemText(i - 1).localeAwareCompare(box->itemText(i)), 0) << "sorted";
    }
  }
}

TEST(GateEditor, UnlistedMessageCodeShowsNoSelectionAndIsKept) {
  OneGate g(1);
  const auto types = GateMessageTypes(1);
  const uint32_t listedB = types.at(2).Code, otherB = types.at(3).Code;
  g.gate->SetEventName("No Answer");
  g.gate->SetGateType(2);
  g.gate->SetMessageCodeA(Unlisted);
  g.gate->SetMessageCodeB(listedB);
  g.gate->SetMsgDuringTime(2000);
  TfmGateEventModify dialog(nullptr, 0, 1);
  EXPECT_TRUE(executeWhile(dialog, g.gate, [&](QDialog* d) {
    auto* a = child<QComboBox>(d, "cboxLayerIIIItem1");
    auto* b = child<QComboBox>(d, "cboxLayerIIIItem2");
    EXPECT_EQ(a->currentIndex(), -1);
    EXPECT_EQ(b->currentIndex(), entryOf(b, listedB));
    b->setCurrentIndex(entryOf(b, otherB));
    click(d, "OK");
  }));
  EXPECT_EQ(g.gate->MessageCodeA, Unlisted);
  EXPECT_EQ(g.gate->MessageCodeB, otherB);
  EXPECT_EQ(g.gate->MsgDuringTime, 2000);
}

TEST(GateEditor, OkWithoutANameStaysOpenSilentlyAndANameThenCloses) {
  OneGate g(0);
  fillExpressionGate(*g.gate);
  TfmGateEventModify dialog(nullptr, 0, 0);
  EXPECT_TRUE(executeWhile(dialog, g.gate, [&](QDialog* d) {
    auto* report = child<QComboBox>(d, "cboxReport");
    report->lineEdit()->selectAll();
    QTest::keyClick(report->lineEdit(), Qt::Key_Delete);
    click(d, "OK");
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), d) << "no message box";
    EXPECT_TRUE(d->findChildren<QMessageBox*>().isEmpty());
    QTest::keyClicks(report->lineEdit(), "Weak Signal");
    click(d, "OK");
    EXPECT_FALSE(d->isVisible());
  }));
  EXPECT_EQ(g.gate->EventName, "Weak Signal");
  EXPECT_EQ(g.gate->Expression, "RxLevSub < -100");
}

TEST(GateEditor, CancelAndReadOnlyOkLeaveTheEventAsItWas) {
  for (uint8_t readOnly : {0, 1}) {
    SCOPED_TRACE(readOnly ? "read-only, OK" : "Cancel");
    OneGate g(0);
    fillExpressionGate(*g.gate);
    const Snapshot before = snapshot(*g.gate);
    TfmGateEventModify dialog(nullptr, readOnly, 0);
    const bool ok = executeWhile(dialog, g.gate, [&](QDialog* d) {
      for (const char* name : {"cboxReport", "grpFields", "grpMessages", "chkFields", "chkMessages"})
        EXPECT_EQ(child<QWidget>(d, name)->isEnabled(), !readOnly) << name;
      // What a person could not type when read-only is set directly.
      child<QComboBox>(d, "cboxReport")->setEditText("Renamed");
      child<QCheckBox>(d, "chkMessages")->setChecked(true);
      child<QSpinBox>(d, "seFieldTimes")->setValue(9);
      child<QLineEdit>(d, "edtExpression")->setText("RxQualSub > 5");
      click(d, readOnly ? "OK" : "Cancel");
    });
    EXPECT_EQ(ok, readOnly != 0);
    EXPECT_TRUE(snapshot(*g.gate) == before);
    EXPECT_FALSE(g.gate->Modified);
  }
}

TEST(GateEditor, SpinEditsTakeValuesBeyondAnyUsualRange) {
  OneGate g(0);
  fillExpressionGate(*g.gate);
  TfmGateEventModify dialog(nullptr, 0, 0);
  EXPECT_TRUE(executeWhile(dialog, g.gate, [&](QDialog* d) {
    for (auto [name, typed] : {std::pair{"seFieldDuringTime", "2000000000"}, std::pair{"seFieldTimes", "-250"},
                               std::pair{"seMsgDuringTime1", "123456789"}}) {
      auto* spin = child<QSpinBox>(d, name);
      spin->selectAll();
      QTest::keyClicks(spin, typed);
      QTest::keyClick(spin, Qt::Key_Tab);
    }
    click(d, "OK");
  }));
  EXPECT_EQ(g.gate->ExpDuringTime, 2000000000);
  EXPECT_EQ(g.gate->ExpTimes, -250);
  EXPECT_EQ(g.gate->MsgDuringTime, 123456789);
  EXPECT_DOUBLE_EQ(g.gate->ExpDuringDays, 2000000000 / 8.64e7);
}

TEST(GateEditor, ExpressionGateWithABadExpressionIsNotAcceptedUntilMended) {
  OneGate g(0);
  fillExpressionGate(*g.gate);
  TfmGateEventModify dialog(nullptr, 0, 0);
  EXPECT_TRUE(executeWhile(dialog, g.gate, [&](QDialog* d) {
    auto* expression = child<QLineEdit>(d, "edtExpression");
    auto* error = child<QLabel>(d, "lblExpressionError");
    EXPECT_TRUE(error->text().isEmpty());
    expression->selectAll();
    QTest::keyClicks(expression, "RxLevSub < -100 and");
    EXPECT_TRUE(error->text().contains("position 20")) << error->text().toStdString();
    click(d, "OK");
    EXPECT_TRUE(d->isVisible()) << "an expression gate that could never report";
    QTest::keyClicks(expression, " RxQualSub > 4");
    EXPECT_TRUE(error->text().isEmpty());
    click(d, "OK");
  }));
  EXPECT_EQ(g.gate->Expression, "RxLevSub < -100 and RxQualSub > 4");
  EXPECT_EQ(g.gate->FieldCount, 2);

  // A message gate keeps a stray text as it is: it is never evaluated.
  g.gate->SetGateType(2);
  EXPECT_TRUE(executeWhile(dialog, g.gate, [&](QDialog* d) {
    auto* expression = child<QLineEdit>(d, "edtExpression");
    expression->selectAll();
    QTest::keyClicks(expression, "RxLev <");
    click(d, "OK");
  }));
  EXPECT_EQ(g.gate->Expression, "RxLev <");
  EXPECT_EQ(g.gate->FieldCount, 0);
}

TEST(GateEditor, DotsOpenTheExpressionEditorAndTakeItsTextOnOk) {
  OneGate g(0);
  fillExpressionGate(*g.gate);
  TfmGateEventModify dialog(nullptr, 0, 0);
  EXPECT_TRUE(executeWhile(dialog, g.gate, [&](QDialog* d) {
    for (bool accept : {false, true}) {
      QTimer::singleShot(0, [&] {
        QWidget* editor = QApplication::activeModalWidget();
        ASSERT_NE(editor, nullptr);
        EXPECT_EQ(editor->objectName(), "TfmExpressionEdit");
        EXPECT_EQ(editor->parentWidget(), d) << "stacked on the gate editor";
        auto* edit = child<QLineEdit>(editor, "edtExpression");
        EXPECT_EQ(edit->text(), "RxLevSub < -100");
        edit->end(false);
        QTest::keyClicks(edit, " and ");
        auto* list = child<QListWidget>(editor, "lstFields");
        list->setCurrentItem(list->findItems("C_I", Qt::MatchExactly).value(0));
        click(editor, "Insert");
        QTest::keyClicks(edit, " < 9");
        click(editor, accept ? "OK" : "Cancel");
        if (editor->isVisible()) static_cast<QDialog*>(editor)->reject();
      });
      click(d, "btnShowExpress");
      EXPECT_EQ(child<QLineEdit>(d, "edtExpression")->text(),
                accept ? "RxLevSub < -100 and C_I < 9" : "RxLevSub < -100");
    }
    click(d, "OK");
  }));
  EXPECT_EQ(g.gate->Expression, "RxLevSub < -100 and C_I < 9");
}

TEST(GateEditor, Screenshots) {
  {
    OneGate g(0);
    fillExpressionGate(*g.gate);
    TfmGateEventModify dialog(nullptr, 0, 0);
    executeWhile(dialog, g.gate, [](QDialog* d) {
      // The window shows the gate it edits.
      EXPECT_EQ(child<QComboBox>(d, "cboxReport")->currentText(), "Low RxLev");
      EXPECT_EQ(child<QLineEdit>(d, "edtExpression")->text(), "RxLevSub < -100");
      EXPECT_TRUE(child<QCheckBox>(d, "chkFields")->isChecked());
      screenshot(d, "gate_editor_expression.png");
    });
  }
  OneGate g(1);
  g.gate->SetEventName("Probe Unanswered");
  g.gate->SetGateType(2);
  g.gate->SetMessageCodeA(cdma::AccessProbeInfo);
  g.gate->SetMessageCodeB(GateMessageTypes(1).at(0).Code);
  g.gate->SetMsgDuringTime(2000);
  TfmGateEventModify dialog(nullptr, 1, 1);
  executeWhile(dialog, g.gate, [](QDialog* d) {
    EXPECT_EQ(child<QComboBox>(d, "cboxLayerIIIItem1")->currentText(), "CDMA Access Probe Info");
    screenshot(d, "gate_editor_cdma_message_readonly.png");
  });
}
