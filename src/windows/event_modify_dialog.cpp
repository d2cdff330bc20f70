#include "windows/event_modify_dialog.h"

#include <functional>

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

#include "definitions/msg_event.h"
#include "definitions/msg_event_list.h"
#include "eventmanager/outside/combo_box.h"
#include "eventmanager/outside/expression_filter.h"
#include "windows/event_modify_rules.h"
#include "windows/level_tree.h"

namespace {

// A combo box that says when it is about to drop down, so the report box can
// add the names the other events use just in time.
class TDropDownCombo : public QComboBox {
 public:
  using QComboBox::QComboBox;
  std::function<void()> BeforePopup;
  void showPopup() override {
    if (BeforePopup) BeforePopup();
    QComboBox::showPopup();
  }
};

QPushButton* button(const QString& caption, const QString& name, QWidget* parent) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(name);
  b->setAutoDefault(false);  // the default button follows the focus rules below
  return b;
}

QLabel* label(const QString& caption, QWidget* buddy, QWidget* parent) {
  auto* l = new QLabel(caption, parent);
  l->setBuddy(buddy);
  return l;
}

// Inserts an entry where it keeps the box sorted (letter case aside).
void insertSorted(QComboBox* combo, const QString& text, int number) {
  int at = 0;
  while (at < combo->count() && QString::compare(combo->itemText(at), text, Qt::CaseInsensitive) <= 0) ++at;
  combo->insertItem(at, text, number);
}

void fillChoices(QComboBox* combo, const std::vector<TChoice>& choices, bool sorted) {
  for (const TChoice& c : choices) {
    if (sorted)
      insertSorted(combo, QString::fromStdString(c.Text), c.Number);
    else
      combo->addItem(QString::fromStdString(c.Text), c.Number);
  }
}

int numberOf(const QComboBox* combo) {
  const int index = combo->currentIndex();
  return index < 0 ? 0 : combo->itemData(index).toInt();
}

}  // namespace

TfmEventModify::TfmEventModify(QWidget* owner, uint8_t readOnly, uint8_t netType)
    : QDialog(owner), readOnly_(readOnly), netType_(netType) {
  setObjectName("TfmEventModify");
  setWindowTitle("Event Maintenance");
  buildControls();
  try {
    expressionServer_ = CoExpressionFilter::Create();
  } catch (const std::exception&) {
    // Without the server "..." does nothing; the expression stays editable.
  }
}

TfmEventModify::~TfmEventModify() = default;

void TfmEventModify::buildControls() {
  resize(673, 465);
  setMinimumSize(640, 445);

  auto* splitter = new QSplitter(Qt::Horizontal, this);
  splitter->setChildrenCollapsible(false);

  auto* left = new QWidget(splitter);
  tvInnerEvent_ = new TLevelTree(left);
  tvInnerEvent_->setObjectName("tvInnerEvent");
  auto* leftColumn = new QVBoxLayout(left);
  leftColumn->setContentsMargins(0, 0, 0, 0);
  leftColumn->addWidget(label("&User Event", tvInnerEvent_, left));
  leftColumn->addWidget(tvInnerEvent_);

  auto* right = new QWidget(splitter);
  right->setMinimumWidth(200);
  lbMessagesAvaliable_ = new QListWidget(right);
  lbMessagesAvaliable_->setObjectName("lbMessagesAvaliable");
  btnNewItem_ = button("New Item", "New Item", right);
  btnNewSubItem_ = button("New SubItem", "New SubItem", right);
  btnDeleteItem_ = button("Delete Item", "Delete Item", right);
  btnSelectMsg_ = button("Select Msg", "Select Msg", right);
  lblMessages_ = new QListWidget(right);
  lblMessages_->setObjectName("lblMessages");
  btnDeleteMsg_ = button("Delete Msg", "Delete Msg", right);
  auto* report = new TDropDownCombo(right);
  report->BeforePopup = [this] { offerReportNames(); };
  cboxReport_ = report;
  cboxReport_->setObjectName("cboxReport");
  cboxReport_->setEditable(true);
  cboxReport_->setInsertPolicy(QComboBox::NoInsert);
  cboxReport_->setCompleter(nullptr);  // no inline completion: the typed text is the name
  fillChoices(cboxReport_, ReportChoices(), true);
  cboxDetailFlag_ = new QComboBox(right);
  cboxDetailFlag_->setObjectName("cboxDetailFlag");
  fillChoices(cboxDetailFlag_, DetailFlagChoices(), false);
  cboxStartedFlag_ = new QComboBox(right);
  cboxStartedFlag_->setObjectName("cboxStartedFlag");
  fillChoices(cboxStartedFlag_, StartedFlagChoices(), false);
  edtReasonNum_ = new QLineEdit(right);
  edtReasonNum_->setObjectName("edtReasonNum");
  edtExpression_ = new QLineEdit(right);
  edtExpression_->setObjectName("edtExpression");
  btnShowExpress_ = button("...", "btnShowExpress", right);
  btnShowExpress_->setFixedWidth(28);

  auto* grid = new QGridLayout(right);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->addWidget(label("A&vailable Messages", lbMessagesAvaliable_, right), 0, 0, 1, 3);
  grid->addWidget(lbMessagesAvaliable_, 1, 0, 5, 3);
  grid->addWidget(btnNewItem_, 1, 3);
  grid->addWidget(btnNewSubItem_, 2, 3);
  grid->addWidget(btnDeleteItem_, 3, 3);
  grid->addWidget(btnSelectMsg_, 5, 3);
  grid->addWidget(label("&Selected Messages", lblMessages_, right), 6, 0, 1, 3);
  grid->addWidget(lblMessages_, 7, 0, 2, 3);
  grid->addWidget(btnDeleteMsg_, 8, 3);
  grid->addWidget(label("&Report", cboxReport_, right), 9, 0);
  grid->addWidget(cboxReport_, 9, 1, 1, 3);
  grid->addWidget(label("&Detail Flag", cboxDetailFlag_, right), 10, 0);
  grid->addWidget(cboxDetailFlag_, 10, 1, 1, 3);
  grid->addWidget(label("C&heck Start Flag", cboxStartedFlag_, right), 11, 0);
  grid->addWidget(cboxStartedFlag_, 11, 1, 1, 3);
  grid->addWidget(label("Reason Number", edtReasonNum_, right), 12, 0);
  grid->addWidget(edtReasonNum_, 12, 1, 1, 3);
  grid->addWidget(label("&Expression", edtExpression_, right), 13, 0);
  grid->addWidget(edtExpression_, 13, 1, 1, 2);
  grid->addWidget(btnShowExpress_, 13, 3);
  grid->setRowStretch(1, 2);
  grid->setRowStretch(7, 1);
  grid->setColumnStretch(1, 1);
  splitter->addWidget(left);
  splitter->addWidget(right);
  splitter->setStretchFactor(0, 1);
  splitter->setStretchFactor(1, 2);
  splitter->setSizes({240, 400});  // room for the node texts of a few levels

  btnOK_ = button("OK", "OK", this);
  btnOK_->setDefault(true);
  btnCancel_ = button("Cancel", "Cancel", this);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(btnOK_);
  buttons->addWidget(btnCancel_);
  buttons->addStretch();
  auto* main = new QHBoxLayout(this);
  main->addWidget(splitter, 1);
  main->addLayout(buttons);

  btnDeleteItem_->setEnabled(false);
  btnSelectMsg_->setEnabled(false);
  lblMessages_->setEnabled(false);
  btnDeleteMsg_->setEnabled(false);

  connect(btnOK_, &QPushButton::clicked, this, &TfmEventModify::accept);
  connect(btnCancel_, &QPushButton::clicked, this, &QDialog::reject);
  connect(btnNewItem_, &QPushButton::clicked, this, &TfmEventModify::newItem);
  connect(btnNewSubItem_, &QPushButton::clicked, this, &TfmEventModify::newSubItem);
  connect(btnDeleteItem_, &QPushButton::clicked, this, &TfmEventModify::deleteItem);
  connect(btnSelectMsg_, &QPushButton::clicked, this, &TfmEventModify::selectMsg);
  connect(lbMessagesAvaliable_, &QListWidget::itemDoubleClicked, this, &TfmEventModify::selectMsg);
  connect(btnDeleteMsg_, &QPushButton::clicked, this, &TfmEventModify::deleteMsg);
  connect(btnShowExpress_, &QPushButton::clicked, this, &TfmEventModify::showExpression);
  connect(lbMessagesAvaliable_, &QListWidget::currentRowChanged, this, &TfmEventModify::applyEnabling);
  connect(lblMessages_, &QListWidget::currentRowChanged, this, &TfmEventModify::applyEnabling);
  connect(cboxReport_, &QComboBox::editTextChanged, this, &TfmEventModify::reportTextChanged);
  connect(cboxDetailFlag_, &QComboBox::activated, this, [this] {
    if (TLevelNode* level = selectedLevel(); level && !readOnly_) level->SetDetailFlag(numberOf(cboxDetailFlag_));
  });
  // The start flag belongs to the event, whichever node is selected: a choice
  // is stored at once, so selecting the root afterwards does not undo it.
  connect(cboxStartedFlag_, &QComboBox::activated, this, [this] {
    if (copy_ && !readOnly_) copy_->SetStartedFlag(numberOf(cboxStartedFlag_));
  });
  connect(tvInnerEvent_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
    if (updating_) return;
    storeFields();
    showNode(item);
  });
  connect(tvInnerEvent_, &QTreeWidget::itemChanged, this, &TfmEventModify::rootEdited);
  // While the root is renamed Enter ends the edit, not the dialog.
  connect(tvInnerEvent_, &TLevelTree::editingStarted, this, [this] { btnOK_->setDefault(false); });
  connect(tvInnerEvent_, &TLevelTree::editingEnded, this, [this] { btnOK_->setDefault(true); });

  tvInnerEvent_->BeginDrag = [this](QTreeWidgetItem* item) {
    dragged_ = dynamic_cast<TLevelNode*>(static_cast<TNodeItem*>(TLevelTree::DataOf(item)));
    return dragged_ != nullptr;
  };
  tvInnerEvent_->AcceptDrop = [this](QTreeWidgetItem* target) {
    return dragged_ && !readOnly_ && TLevelTree::DataOf(target);
  };
  tvInnerEvent_->Drop = [this](QTreeWidgetItem* target) {
    if (!dragged_ || readOnly_ || !copy_) return;
    storeFields();
    auto* onto = static_cast<TNodeItem*>(TLevelTree::DataOf(target));
    DropLevel(*copy_, *dragged_, dynamic_cast<TLevelNode*>(onto));
    rebuildTree(onto, current_);
  };
  tvInnerEvent_->EndDrag = [this] { dragged_ = nullptr; };

  for (QObject* watched : {static_cast<QObject*>(cboxReport_), static_cast<QObject*>(cboxReport_->lineEdit()),
                           static_cast<QObject*>(cboxDetailFlag_), static_cast<QObject*>(cboxStartedFlag_),
                           static_cast<QObject*>(lbMessagesAvaliable_), static_cast<QObject*>(lblMessages_)})
    watched->installEventFilter(this);
}

bool TfmEventModify::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete &&
      static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier) {
    // Delete empties a choice box (no entry, no text).
    QComboBox* box = nullptr;
    if (watched == cboxReport_ || watched == cboxReport_->lineEdit()) box = cboxReport_;
    if (watched == cboxDetailFlag_) box = cboxDetailFlag_;
    if (watched == cboxStartedFlag_) box = cboxStartedFlag_;
    if (box) {
      if (!box->isEnabled()) return true;
      box->setCurrentIndex(-1);
      if (box->isEditable()) box->setEditText(QString());
      if (box == cboxStartedFlag_ && copy_ && !readOnly_) copy_->SetStartedFlag(0);
      return true;
    }
  }
  // The default button follows the focus: Enter in the available list selects
  // the message, in the selected list deletes it, elsewhere it is OK.
  if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
    const bool in = event->type() == QEvent::FocusIn;
    QPushButton* listButton = watched == lbMessagesAvaliable_ ? btnSelectMsg_
                              : watched == lblMessages_     ? btnDeleteMsg_
                                                            : nullptr;
    if (listButton) {
      btnOK_->setDefault(!in);
      listButton->setDefault(in);  // a disabled default button is not clicked by Enter
    }
  }
  return QDialog::eventFilter(watched, event);
}

bool TfmEventModify::Execute(TMsgEvent* event) {
  if (!event) return false;
  event_ = event;
  cboxReport_->setEnabled(!readOnly_);
  cboxDetailFlag_->setEnabled(!readOnly_);
  cboxStartedFlag_->setEnabled(!readOnly_);
  clearLevelFields();

  lbMessagesAvaliable_->clear();
  for (const TMessageType& type : AvailableMessages(netType_)) {
    auto* item = new QListWidgetItem(QString::fromStdString(type.Description), lbMessagesAvaliable_);
    item->setData(Qt::UserRole, QVariant::fromValue<qulonglong>(type.Code));
  }

  copy_.reset(TMsgEvent::CloneEvent(event, nullptr));
  rebuildTree(nullptr, copy_.get());
  SyncComboBox2ByObj(cboxStartedFlag_, copy_->StartedFlag);

  QPointer<QDialog> alive(this);
  const bool accepted = exec() == QDialog::Accepted;
  // Deleted while it ran (its owner went): nothing of it may be touched.
  if (!alive) return false;

  // The copy's tree nodes go with it; nothing may be stored into it meanwhile.
  const bool blocked = tvInnerEvent_->blockSignals(true);
  current_ = nullptr;
  dragged_ = nullptr;
  copy_.reset();
  tvInnerEvent_->clear();
  tvInnerEvent_->blockSignals(blocked);
  event_ = nullptr;
  return accepted;
}

void TfmEventModify::accept() {
  storeFields();
  if (!readOnly_ && copy_ && event_) {
    // A new event is not in its list yet; an edited one does not clash with itself.
    const std::string taken = NameTakenReason(event_->List(), event_, copy_->EventName);
    if (!taken.empty()) {
      QMessageBox::warning(this, windowTitle(), QString::fromStdString(taken));
      return;
    }
    copy_->SetStartedFlag(numberOf(cboxStartedFlag_));
    event_->Assign(copy_.get());
  }
  QDialog::accept();
}

void TfmEventModify::rebuildTree(TNodeItem* owner, TNodeItem* select) {
  updating_ = true;
  const bool blocked = tvInnerEvent_->blockSignals(true);
  tvInnerEvent_->setUpdatesEnabled(false);
  if (!owner) {
    copy_->ShowInTree(tvInnerEvent_);
    QTreeWidgetItem* root = TLevelTree::ItemOf(copy_->TreeNode);
    if (!readOnly_) root->setFlags(root->flags() | Qt::ItemIsEditable);
    tvInnerEvent_->expandAll();
  } else {
    owner->RefreshTreeNode();
    QTreeWidgetItem* top = TLevelTree::ItemOf(owner->TreeNode);
    top->setExpanded(true);
    QList<QTreeWidgetItem*> pending{top};
    while (!pending.isEmpty()) {
      QTreeWidgetItem* item = pending.takeLast();
      item->setExpanded(true);
      for (int i = 0; i < item->childCount(); ++i) pending.append(item->child(i));
    }
  }
  QTreeWidgetItem* selected = select && select->TreeNode ? TLevelTree::ItemOf(select->TreeNode) : nullptr;
  tvInnerEvent_->setCurrentItem(selected);
  tvInnerEvent_->setUpdatesEnabled(true);
  tvInnerEvent_->blockSignals(blocked);
  updating_ = false;
  showNode(selected);
}

TLevelNode* TfmEventModify::selectedLevel() const { return dynamic_cast<TLevelNode*>(current_); }

void TfmEventModify::clearLevelFields() {
  const bool was = updating_;
  updating_ = true;
  cboxReport_->setCurrentIndex(-1);
  cboxReport_->setEditText(QString());
  cboxDetailFlag_->setCurrentIndex(-1);
  edtExpression_->clear();
  edtReasonNum_->clear();
  lblMessages_->clear();
  updating_ = was;
}

void TfmEventModify::storeFields() {
  if (!current_ || !copy_ || readOnly_) return;
  if (current_ == copy_.get()) {
    copy_->SetStartedFlag(numberOf(cboxStartedFlag_));
  } else if (TLevelNode* level = selectedLevel()) {
    StoreLevelFields(*level, {cboxReport_->currentText().toStdString(), edtExpression_->text().toStdString(),
                              edtReasonNum_->text().toStdString(), numberOf(cboxDetailFlag_)});
    if (level->TreeNode) {
      updating_ = true;
      level->TreeNode->SetText(level->Caption());
      updating_ = false;
    }
  }
}

void TfmEventModify::showNode(QTreeWidgetItem* item) {
  current_ = static_cast<TNodeItem*>(TLevelTree::DataOf(item));
  updating_ = true;
  if (TLevelNode* level = selectedLevel()) {
    level->TreeNode->SetText(level->Caption());
    const QString report = QString::fromStdString(level->ReportName);
    cboxReport_->setCurrentIndex(cboxReport_->findText(report, Qt::MatchExactly | Qt::MatchCaseSensitive));
    cboxReport_->setEditText(report);
    edtExpression_->setText(QString::fromStdString(level->Expression));
    edtReasonNum_->setText(QString::fromStdString(ReasonText(level->ReasonNum)));
    SyncComboBox2ByObj(cboxDetailFlag_, level->DetailFlag);
    rebuildSelectedList();
  } else {
    clearLevelFields();
    if (current_ && current_ == copy_.get()) SyncComboBox2ByObj(cboxStartedFlag_, copy_->StartedFlag);
  }
  updating_ = false;
  applyEnabling();
}

void TfmEventModify::applyEnabling() {
  const TSelectedNode node = !current_                   ? TSelectedNode::None
                             : current_ == copy_.get() ? TSelectedNode::Root
                                                       : TSelectedNode::Level;
  const TEnabling e = Enabling(readOnly_, node);
  lblMessages_->setEnabled(e.SelectedList);
  btnNewItem_->setEnabled(e.NewItem);
  btnNewSubItem_->setEnabled(e.NewSubItem);
  btnDeleteItem_->setEnabled(e.DeleteItem);
  cboxReport_->setEnabled(e.LevelFields);
  cboxDetailFlag_->setEnabled(e.LevelFields);
  edtReasonNum_->setEnabled(e.LevelFields);
  edtExpression_->setEnabled(e.LevelFields);
  btnShowExpress_->setEnabled(e.LevelFields);
  btnSelectMsg_->setEnabled(e.SelectMsg && lbMessagesAvaliable_->currentRow() >= 0);
  btnDeleteMsg_->setEnabled(e.DeleteMsg && lblMessages_->currentRow() >= 0);
}

void TfmEventModify::rebuildSelectedList() {
  lblMessages_->clear();
  TLevelNode* level = selectedLevel();
  if (!level) return;
  for (int i = 0; i < level->MsgNodes->Count(); ++i) {
    TMsgNode* node = level->MsgNodes->Node(i);
    node->SetNetType(netType_);
    lblMessages_->addItem(QString::fromStdString(node->MessageName()));
  }
}

void TfmEventModify::refreshLevelText() {
  TLevelNode* level = selectedLevel();
  if (!level || !level->TreeNode) return;
  // A report name typed but not yet stored still names the node.
  const std::string typed = cboxReport_->currentText().toStdString();
  updating_ = true;
  level->TreeNode->SetText(typed.empty() ? level->Caption() : typed);
  updating_ = false;
}

void TfmEventModify::newItem() {
  TLevelNode* level = selectedLevel();
  if (readOnly_ || !level) return;
  storeFields();
  TLevelNode* added = NewItem(*copy_, *level);
  rebuildTree(added->ParentLevel ? static_cast<TNodeItem*>(added->ParentLevel) : copy_.get(), added);
}

void TfmEventModify::newSubItem() {
  if (readOnly_ || !current_) return;
  storeFields();
  TLevelNode* level = selectedLevel();
  TLevelNode* added = NewSubItem(*copy_, level);
  rebuildTree(level ? static_cast<TNodeItem*>(level) : copy_.get(), added);
}

void TfmEventModify::deleteItem() {
  TLevelNode* level = selectedLevel();
  if (readOnly_ || !level) return;
  TNodeItem* parent = level->ParentLevel ? static_cast<TNodeItem*>(level->ParentLevel) : copy_.get();
  current_ = nullptr;
  if (dragged_ == level) dragged_ = nullptr;
  const bool blocked = tvInnerEvent_->blockSignals(true);
  DeleteItem(*copy_, level);
  tvInnerEvent_->blockSignals(blocked);
  rebuildTree(parent, parent);
}

void TfmEventModify::selectMsg() {
  TLevelNode* level = selectedLevel();
  QListWidgetItem* chosen = lbMessagesAvaliable_->currentItem();
  if (readOnly_ || !level || !chosen) return;
  if (!SelectMsg(*level, netType_, static_cast<uint32_t>(chosen->data(Qt::UserRole).toULongLong()))) return;
  rebuildSelectedList();
  refreshLevelText();
  applyEnabling();
}

void TfmEventModify::deleteMsg() {
  TLevelNode* level = selectedLevel();
  const int row = lblMessages_->currentRow();
  if (readOnly_ || !level || row < 0) return;
  DeleteMsg(*level, row);
  delete lblMessages_->takeItem(row);
  refreshLevelText();
  applyEnabling();
}

void TfmEventModify::reportTextChanged(const QString& text) {
  TLevelNode* level = selectedLevel();
  if (updating_ || !level || !level->TreeNode) return;
  updating_ = true;
  if (text.isEmpty()) {
    level->SetReportName(std::string());
    level->TreeNode->SetText(level->Caption());
  } else {
    level->TreeNode->SetText(text.toStdString());
  }
  updating_ = false;
}

void TfmEventModify::offerReportNames() {
  std::vector<std::string> present;
  for (int i = 0; i < cboxReport_->count(); ++i) present.push_back(cboxReport_->itemText(i).toStdString());
  const QString typed = cboxReport_->currentText();
  const bool was = updating_;
  updating_ = true;
  for (const std::string& name : ReportNamesToOffer(event_ ? event_->List() : nullptr, copy_.get(), present))
    insertSorted(cboxReport_, QString::fromStdString(name), 0);
  // Inserting may move the current entry; the text the user sees stays.
  cboxReport_->setCurrentIndex(cboxReport_->findText(typed, Qt::MatchExactly | Qt::MatchCaseSensitive));
  cboxReport_->setEditText(typed);
  updating_ = was;
}

void TfmEventModify::showExpression() {
  if (!expressionServer_ || readOnly_ || !selectedLevel()) return;
  std::string text = edtExpression_->text().toStdString();
  try {
    if (expressionServer_->EditLevelExpression(static_cast<QWidget*>(this), netType_, text))
      edtExpression_->setText(QString::fromStdString(text));
  } catch (const std::exception&) {
    // A failing editor leaves the expression as it was.
  }
}

void TfmEventModify::rootEdited(QTreeWidgetItem* item) {
  if (updating_ || !copy_ || !copy_->TreeNode || item != TLevelTree::ItemOf(copy_->TreeNode)) return;
  updating_ = true;
  if (!RenameEvent(*copy_, item->text(0).toStdString()))
    item->setText(0, QString::fromStdString(copy_->EventName));  // a blank name is not taken
  updating_ = false;
}
