// TfmExpressionEdit, the expression editor behind IExpressionFilter's
// EditExpression: the text, checked as it is typed by the compile the gate
// pass uses, and the network's fields to insert. Modal, host thread only;
// built only with the windows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <QDialog>

#include "eventmanager/outside/data_access.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
struct TExpressionCheck;

// The catalogue's fields that logs of network `netType` carry, in catalogue
// order; every field for a network outside 0..4.
std::vector<FieldInfo> ExpressionFieldsOf(uint8_t netType);
// What the editor says about a checked text: the fault with its 1-based
// position, or what a valid text reads. For a level's expression, which is
// stored and never evaluated, it says so first.
std::string ExpressionCheckText(const TExpressionCheck& check, bool forLevel = false);

class TfmExpressionEdit : public QDialog {
 public:
  // forLevel: the text of a message-sequence level (stored, not evaluated).
  TfmExpressionEdit(QWidget* parent, uint8_t netType, const QString& expression, bool forLevel = false);

  QString Expression() const;

 private:
  void check();
  void insertField();

  QLineEdit* edtExpression_;
  QLabel* lblCheck_;
  QListWidget* lstFields_;
  QLabel* lblFieldInfo_;  // what the chosen field measures
  QPushButton* btnInsert_;
  QPushButton* btnOk_;
  bool forLevel_;
};

// EditExpression with the windows: false at once without a QApplication;
// otherwise runs the editor owned by `parentWindow` (a QWidget*, may be null)
// and changes `expression` only when it is closed with OK.
bool RunExpressionDialog(void* parentWindow, uint8_t netType, std::string& expression, bool forLevel = false);
