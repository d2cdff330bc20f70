// TfmEventModify, "Event Maintenance": edits one user message-sequence event
// (name, start condition, tree of levels) on a working copy that reaches the
// edited event only on OK and never when read-only. Opened modally by the
// maintenance window; host thread only. What the commands do to the copy is
// in event_modify_rules.h; this class wires the controls to it.
#pragma once

#include <cstdint>
#include <memory>

#include <QDialog>

class TMsgEvent;
class TLevelNode;
class TNodeItem;
class TLevelTree;
class IExpressionFilter;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTreeWidgetItem;

class TfmEventModify : public QDialog {
  Q_OBJECT
 public:
  // netType 0..4 names the messages through that network's decoder.
  TfmEventModify(QWidget* owner, uint8_t readOnly, uint8_t netType);
  ~TfmEventModify() override;

  // Runs the dialog modally on `event` (owned by a TMsgEventList); true when
  // it was closed with OK. False at once for no event.
  bool Execute(TMsgEvent* event);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildControls();
  void accept() override;

  void clearLevelFields();
  void storeFields();
  void showNode(QTreeWidgetItem* item);
  void applyEnabling();
  void rebuildSelectedList();
  void refreshLevelText();
  TLevelNode* selectedLevel() const;
  // Rebuilds the tree under `owner` (none: the whole event) and selects `select`.
  void rebuildTree(TNodeItem* owner, TNodeItem* select);

  void newItem();
  void newSubItem();
  void deleteItem();
  void selectMsg();
  void deleteMsg();
  void reportTextChanged(const QString& text);
  void offerReportNames();
  void showExpression();
  void rootEdited(QTreeWidgetItem* item);

  uint8_t readOnly_;
  uint8_t netType_;
  TMsgEvent* event_ = nullptr;
  std::unique_ptr<TMsgEvent> copy_;
  TNodeItem* current_ = nullptr;     // the object of the selected node
  TLevelNode* dragged_ = nullptr;
  bool updating_ = false;            // controls are being filled, not edited
  std::unique_ptr<IExpressionFilter> expressionServer_;

  TLevelTree* tvInnerEvent_;
  QListWidget* lbMessagesAvaliable_;
  QListWidget* lblMessages_;
  QComboBox* cboxReport_;
  QComboBox* cboxDetailFlag_;
  QComboBox* cboxStartedFlag_;
  QLineEdit* edtReasonNum_;
  QLineEdit* edtExpression_;
  QPushButton* btnShowExpress_;
  QPushButton* btnNewItem_;
  QPushButton* btnNewSubItem_;
  QPushButton* btnDeleteItem_;
  QPushButton* btnSelectMsg_;
  QPushButton* btnDeleteMsg_;
  QPushButton* btnOK_;
  QPushButton* btnCancel_;
};
