// The expression editor as a person uses it through the server's
// EditExpression: typing is checked at once with the fault's position and OK
// held back, fields are inserted at the cursor, and only OK changes the text.
#include <functional>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "eventmanager/outside/expression_filter.h"

namespace {

std::unique_ptr<IExpressionFilter> newServer() {
  void* object = nullptr;
  EXPECT_EQ(EmExpressionFilterCreateInstance(&IID_IExpressionFilter, &object), 0);
  return std::unique_ptr<IExpressionFilter>(static_cast<IExpressionFilter*>(object));
}

template <class T>
T* child(QWidget* window, const char* name) {
  T* found = window ? window->findChild<T*>(name) : nullptr;
  EXPECT_NE(found, nullptr) << name;
  return found;
}

void screenshot(QWidget* widget, const char* name) {
  QDir().mkpath(EVENTMANAGER_SCREENSHOT_DIR);
  EXPECT_TRUE(widget->grab().save(QString(EVENTMANAGER_SCREENSHOT_DIR "/") + name)) << name;
}

// Runs EditExpression on `text` while `act` works on the editor; an editor
// that `act` left open is cancelled, so a failing check cannot hang the test.
bool editWhile(std::string& text, uint8_t netType, const std::function<void(QDialog*)>& act) {
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    EXPECT_NE(dialog, nullptr);
    if (!dialog) return;
    EXPECT_EQ(dialog->objectName(), "TfmExpressionEdit");
    act(dialog);
    if (dialog->isVisible()) dialog->reject();
  });
  return newServer()->EditExpression(nullptr, netType, text);
}

void retype(QDialog* dialog, const QString& text) {
  auto* edit = child<QLineEdit>(dialog, "edtExpression");
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Delete);
  QTest::keyClicks(edit, text);
}

}  // namespace

TEST(ExpressionEditor, TypedTextIsCheckedWithItsPositionAndOkWaitsForAValidOne) {
  struct Case {
    const char* typed;
    const char* shown;  // part of the check label
    bool okEnabled;
  };
  const Case cases[] = {
      {"RxLevSub < -100", "Reads RxLevSub.", true},
      {"RxLevSub < -100 and", "Error at position 20: Unexpected end of expression", false},
      {"RxLev < -100", "Error at position 1: unknown field 'RxLev'", false},
      {"RxLevSub < -90, RxQualSub > 3", "Error at position 15: unexpected ','", false},
      {"(RxLevSub < -100", "Error at position", false},
      {"rxqualsub >= 5 or RxLevSub < -100", "Reads RxQualSub, RxLevSub.", true},
      {"", "No expression", true},  // an empty text takes the expression away
  };
  std::string text = "RSCP < -100";
  const bool accepted = editWhile(text, 0, [&](QDialog* dialog) {
    auto* check = child<QLabel>(dialog, "lblCheck");
    auto* ok = child<QPushButton>(dialog, "OK");
    EXPECT_EQ(child<QLineEdit>(dialog, "edtExpression")->text(), "RSCP < -100") << "starts from the given text";
    for (const Case& c : cases) {
      SCOPED_TRACE(c.typed);
      retype(dialog, c.typed);
      EXPECT_TRUE(check->text().contains(c.shown)) << check->text().toStdString();
      EXPECT_EQ(ok->isEnabled(), c.okEnabled);
      if (std::string(c.typed) == "RxLevSub < -100 and") {
        screenshot(dialog, "expression_editor_error.png");
        QTest::mouseClick(ok, Qt::LeftButton);
        QTest::keyClick(child<QLineEdit>(dialog, "edtExpression"), Qt::Key_Return);
        EXPECT_TRUE(dialog->isVisible()) << "neither OK nor Enter takes an invalid text";
      }
    }
    retype(dialog, "RxLevSub < -100 and RxQualSub > 4");
    auto* list = child<QListWidget>(dialog, "lstFields");
    list->setCurrentItem(list->findItems("RxQualSub", Qt::MatchExactly).value(0));
    screenshot(dialog, "expression_editor_valid.png");
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_FALSE(dialog->isVisible());
  });
  EXPECT_TRUE(accepted);
  EXPECT_EQ(text, "RxLevSub < -100 and RxQualSub > 4");
}

TEST(ExpressionEditor, NetworkFieldsGoInAtTheCursorByButtonOrDoubleClick) {
  std::string text = "abs() > 5";
  const bool accepted = editWhile(text, 2, [](QDialog* dialog) {
    auto* list = child<QListWidget>(dialog, "lstFields");
    auto* edit = child<QLineEdit>(dialog, "edtExpression");
    auto* insert = child<QPushButton>(dialog, "Insert");
    EXPECT_FALSE(list->findItems("RSCP", Qt::MatchExactly).isEmpty()) << "a UMTS field";
    EXPECT_TRUE(list->findItems("RxLevSub", Qt::MatchExactly).isEmpty()) << "GSM only";
    EXPECT_FALSE(insert->isEnabled()) << "nothing chosen yet";

    edit->setCursorPosition(4);  // inside "abs()"
    list->setCurrentItem(list->findItems("RSCP", Qt::MatchExactly).value(0));
    QTest::mouseClick(insert, Qt::LeftButton);
    EXPECT_EQ(edit->text(), "abs(RSCP) > 5");
    EXPECT_TRUE(child<QPushButton>(dialog, "OK")->isEnabled());

    QTest::keyClicks(edit, " + ");  // the cursor stayed after the inserted name
    QListWidgetItem* ecio = list->findItems("EcIo", Qt::MatchExactly).value(0);
    ASSERT_NE(ecio, nullptr);
    list->scrollToItem(ecio);
    const QPoint at = list->visualItemRect(ecio).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(edit->text(), "abs(RSCP + EcIo) > 5");
    QTest::mouseClick(child<QPushButton>(dialog, "OK"), Qt::LeftButton);
  });
  EXPECT_TRUE(accepted);
  EXPECT_EQ(text, "abs(RSCP + EcIo) > 5");
}

TEST(ExpressionEditor, CancelAndEscapeLeaveTheTextAsItWas) {
  for (bool escape : {false, true}) {
    SCOPED_TRACE(escape ? "Esc" : "Cancel");
    std::string text = "RxLevSub < -100";
    const bool accepted = editWhile(text, 0, [escape](QDialog* dialog) {
      retype(dialog, "RxQualSub > 5");
      if (escape)
        QTest::keyClick(child<QLineEdit>(dialog, "edtExpression"), Qt::Key_Escape);
      else
        QTest::mouseClick(child<QPushButton>(dialog, "Cancel"), Qt::LeftButton);
      EXPECT_FALSE(dialog->isVisible());
    });
    EXPECT_FALSE(accepted);
    EXPECT_EQ(text, "RxLevSub < -100");
  }
}
