// The aliases editor driven as a person would, on a list of its own: what
// Add, Replace and Delete leave in the edited list after OK, Cancel or a
// read-only run.
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "definitions/alias.h"
#include "windows/event_aliases_dialog.h"

namespace {

struct DialogRun {
  std::vector<std::string> Texts;  // the edited list afterwards
  std::vector<std::string> Names;
  std::string Edit;                // the edit box when the dialog closed
  bool Modified = false;
};

void type(TfrmEventAliases& d, const char* text) {
  d.edt->setFocus();
  d.edt->clear();
  QTest::keyClicks(d.edt, text);
}

void chooseEntry(TfrmEventAliases& d, int row) {
  QTest::mouseClick(d.lstAliases->viewport(), Qt::LeftButton, {}, d.lstAliases->visualItemRect(d.lstAliases->item(row)).center());
}

DialogRun runDialog(uint8_t readOnly, const std::function<void(TfrmEventAliases&)>& act, const char* close) {
  TAliasesList list;
  list.SetNetType(0);
  list.AddAlias("Alias-0", "CM Service Request=MO Call Attempt");
  list.AddAlias("Alias-1", "Paging Response=MT Call Attempt");
  for (int i = 0; i < list.Count(); ++i) list.Alias(i)->Modified = false;
  TfrmEventAliases dialog(nullptr, readOnly, 0);
  DialogRun run;
  QTimer::singleShot(0, [&] {
    act(dialog);
    run.Edit = dialog.edt->text().toStdString();
    QTest::mouseClick(dialog.findChild<QPushButton*>(close), Qt::LeftButton);
  });
  EXPECT_EQ(dialog.Execute(&list), std::string(close) == "OK");
  for (int i = 0; i < list.Count(); ++i) {
    run.Texts.push_back(list.Alias(i)->AliasText);
    run.Names.push_back(list.Alias(i)->AliasName);
  }
  run.Modified = list.IsModified();
  return run;
}

const std::vector<std::string> Original{"CM Service Request=MO Call Attempt", "Paging Response=MT Call Attempt"};

}  // namespace

TEST(EventAliasesDialog, AddReplaceAndDeleteReachTheListOnlyOnOk) {
  struct Case {
    const char* name;
    uint8_t readOnly;
    std::function<void(TfrmEventAliases&)> act;
    const char* close;
    std::vector<std::string> texts;
    std::string edit;
  };
  auto add = [](const char* text) {
    return [text](TfrmEventAliases& d) {
      type(d, text);
      QTest::mouseClick(d.btnAdd, Qt::LeftButton);
    };
  };
  auto with = [](std::vector<std::string> extra) {
    std::vector<std::string> texts = Original;
    texts.insert(texts.end(), extra.begin(), extra.end());
    return texts;
  };
  const Case cases[] = {
      {"blanks around both parts and =", 0, add("  Setup   =   Call Setup  "), "OK", with({"Setup=Call Setup"}),
       "Setup=Call Setup"},
      {"left part already listed", 0, add(" Paging Response = Something "), "OK", Original,
       "Paging Response=Something"},
      {"left part listed in other letter case", 0, add("paging response=x"), "OK", Original, "paging response=x"},
      {"left part only inside another alias", 0, add("Request=Attempt Seen"), "OK", with({"Request=Attempt Seen"}),
       "Request=Attempt Seen"},
      {"no = at all", 0, add("Plain Text"), "OK", with({"=Plain Text"}), "=Plain Text"},
      {"replace the chosen entry", 0,
       [](TfrmEventAliases& d) {
         chooseEntry(d, 1);
         EXPECT_EQ(d.edt->text(), "Paging Response=MT Call Attempt");
         type(d, "Paging Response = Terminated Call");
         QTest::mouseClick(d.btnReplace, Qt::LeftButton);
       },
       "OK", {"CM Service Request=MO Call Attempt", "Paging Response=Terminated Call"}, ""},
      {"replace with no entry chosen", 0,
       [](TfrmEventAliases& d) {
         type(d, "Nothing=Chosen");
         QTest::mouseClick(d.btnReplace, Qt::LeftButton);
       },
       "OK", Original, "Nothing=Chosen"},
      {"delete", 0,
       [](TfrmEventAliases& d) {
         chooseEntry(d, 0);
         QTest::mouseClick(d.btnDelete, Qt::LeftButton);
       },
       "OK", {"Paging Response=MT Call Attempt"}, ""},
      {"delete every alias", 0,
       [](TfrmEventAliases& d) {
         for (int i = 0; i < 2; ++i) {
           chooseEntry(d, 0);
           QTest::mouseClick(d.btnDelete, Qt::LeftButton);
         }
       },
       "OK", {}, ""},
      {"cancel after adding", 0, add("Setup=Call Setup"), "Cancel", Original, "Setup=Call Setup"},
      {"read-only OK after adding and deleting", 1,
       [&](TfrmEventAliases& d) {
         add("Setup=Call Setup")(d);
         chooseEntry(d, 0);
         QTest::mouseClick(d.btnDelete, Qt::LeftButton);
       },
       "OK", Original, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DialogRun run = runDialog(c.readOnly, c.act, c.close);
    EXPECT_EQ(run.Texts, c.texts);
    EXPECT_EQ(run.Edit, c.edit);
    EXPECT_EQ(run.Modified, run.Texts != Original) << "the list must report a change exactly when it changed";
  }
}

TEST(EventAliasesDialog, NewAliasIsNamedByTheEntryCountEvenWhenThatClashes) {
  DialogRun run = runDialog(0,
                      [](TfrmEventAliases& d) {
                        chooseEntry(d, 0);
                        QTest::mouseClick(d.btnDelete, Qt::LeftButton);
                        type(d, "Setup=Call Setup");
                        QTest::mouseClick(d.btnAdd, Qt::LeftButton);
                      },
                      "OK");
  EXPECT_EQ(run.Texts, (std::vector<std::string>{"Paging Response=MT Call Attempt", "Setup=Call Setup"}));
  EXPECT_EQ(run.Names, (std::vector<std::string>{"Alias-1", "Alias-1"}));
}

TEST(EventAliasesDialog, ButtonsFollowTheEditBoxAndTheChosenEntry) {
  runDialog(0,
            [](TfrmEventAliases& d) {
              EXPECT_FALSE(d.btnAdd->isEnabled());
              EXPECT_FALSE(d.btnReplace->isEnabled());
              EXPECT_FALSE(d.btnDelete->isEnabled());
              type(d, "A=B");
              EXPECT_TRUE(d.btnAdd->isEnabled());
              EXPECT_TRUE(d.btnReplace->isEnabled());
              QTest::keyClick(d.edt, Qt::Key_A, Qt::ControlModifier);
              QTest::keyClick(d.edt, Qt::Key_Backspace);
              EXPECT_FALSE(d.btnAdd->isEnabled());
              EXPECT_FALSE(d.btnReplace->isEnabled());
              chooseEntry(d, 1);
              EXPECT_TRUE(d.btnDelete->isEnabled());
              QTest::mouseClick(d.btnAdd, Qt::LeftButton);  // disabled: nothing happens
            },
            "Cancel");
}
