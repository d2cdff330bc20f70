// TfrmEventAliases, "Event Aliases Define": edits the aliases of one network
// (lines "left=right" naming messages otherwise) on a working copy that
// reaches the edited list only on OK and never when read-only. Opened modally
// by the maintenance window; host thread only.
#pragma once

#include <cstdint>
#include <memory>

#include <QDialog>

class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class TAliasesList;

class TfrmEventAliases : public QDialog {
  Q_OBJECT
 public:
  // netType is the edited list's network; the aliases do not depend on it.
  TfrmEventAliases(QWidget* owner, uint8_t readOnly, uint8_t netType);
  ~TfrmEventAliases() override;

  // Runs the dialog modally on a copy of `aliases`; true when it was closed
  // with OK. False at once for no list.
  bool Execute(TAliasesList* aliases);

  QListWidget* lstAliases;
  QLineEdit* edt;
  QPushButton* btnAdd;
  QPushButton* btnReplace;
  QPushButton* btnDelete;

 private:
  void refill();
  void entryChosen(QListWidgetItem* entry);
  // The selected entry; none until the user picks one.
  QListWidgetItem* chosenEntry() const;
  void add();
  void replace();
  void deleteEntry();
  // Writes the normalised text into the edit box; returns its left part.
  std::string normaliseEdit();

  uint8_t readOnly_;
  std::unique_ptr<TAliasesList> working_;
  bool filling_ = false;
};
