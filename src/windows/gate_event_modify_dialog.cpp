#include "windows/gate_event_modify_dialog.h"

#include <climits>

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include "definitions/gate_event_list.h"

#include "definitions/gate_event.h"
#include "eventmanager/errors.h"
#include "eventmanager/outside/combo_box.h"
#include "eventmanager/outside/expression_filter.h"
#include "windows/gate_event_modify_rules.h"

namespace {

QSpinBox* unlimitedSpin(QWidget* parent, const char* name) {
  auto* spin = new QSpinBox(parent);
  spin->setObjectName(name);
  spin->setRange(INT_MIN, INT_MAX);
  return spin;
}

QComboBox* messageBox(QWidget* parent, const char* name, const std::vector<TGateMessageType>& types) {
  auto* combo = new QComboBox(parent);
  combo->setObjectName(name);
  for (const TGateMessageType& type : types)
    combo->addItem(QString::fromStdString(type.Description), QVariant::fromValue<qlonglong>(type.Code));
  combo->model()->sort(0);
  combo->setCurrentIndex(-1);
  return combo;
}

std::optional<uint32_t> selectedCode(const QComboBox* combo) {
  if (combo->currentIndex() < 0) return std::nullopt;
  return static_cast<uint32_t>(combo->currentData().toLongLong());
}

}  // namespace

TfmGateEventModify::TfmGateEventModify(QWidget* owner, uint8_t readOnly, uint8_t netType)
    : QDialog(owner), readOnly_(readOnly), netType_(netType) {
  setObjectName("TfmGateEventModify");
  setWindowTitle("Gate Event Maintenance");
  try {
    server_ = CoExpressionFilter::Create();
  } catch (const EEventManagerError&) {
    // Without a server "..." does nothing and expressions go unchecked.
  }

  auto* lblReport = new QLabel("&Report", this);
  cboxReport = new QComboBox(this);
  cboxReport->setObjectName("cboxReport");
  cboxReport->setEditable(true);
  cboxReport->setInsertPolicy(QComboBox::InsertAlphabetically);
  lblReport->setBuddy(cboxReport);

  chkFields_ = new QCheckBox("Fields", this);
  chkFields_->setObjectName("chkFields");
  grpFields_ = new QGroupBox(this);
  grpFields_->setObjectName("grpFields");
  auto* lblExpression = new QLabel("&Expression", grpFields_);
  edtExpression_ = new QLineEdit(grpFields_);
  edtExpression_->setObjectName("edtExpression");
  lblExpression->setBuddy(edtExpression_);
  auto* btnShowExpress = new QToolButton(grpFields_);
  btnShowExpress->setObjectName("btnShowExpress");
  btnShowExpress->setText("...");
  lblExpressionError_ = new QLabel(grpFields_);
  lblExpressionError_->setObjectName("lblExpressionError");
  lblExpressionError_->setWordWrap(true);
  lblExpressionError_->setStyleSheet("color: #b00000;");
  lblExpressionError_->setVisible(false);
  seFieldDuringTime_ = unlimitedSpin(grpFields_, "seFieldDuringTime");
  seFieldTimes_ = unlimitedSpin(grpFields_, "seFieldTimes");
  auto* fields = new QGridLayout(grpFields_);
  fields->addWidget(lblExpression, 0, 0);
  fields->addWidget(edtExpression_, 0, 1, 1, 2);
  fields->addWidget(btnShowExpress, 0, 3);
  fields->addWidget(lblExpressionError_, 1, 1, 1, 3);
  fields->addWidget(new QLabel("During Time(ms)", grpFields_), 2, 0);
  fields->addWidget(seFieldDuringTime_, 2, 1);
  fields->addWidget(new QLabel("Appear Times", grpFields_), 3, 0);
  fields->addWidget(seFieldTimes_, 3, 1);
  fields->setColumnStretch(2, 1);

  chkMessages_ = new QCheckBox("Messages", this);
  chkMessages_->setObjectName("chkMessages");
  grpMessages_ = new QGroupBox(this);
  grpMessages_->setObjectName("grpMessages");
  const std::vector<TGateMessageType> types = GateMessageTypes(netType);
  cboxLayerIIIItem1_ = messageBox(grpMessages_, "cboxLayerIIIItem1", types);
  cboxLayerIIIItem2_ = messageBox(grpMessages_, "cboxLayerIIIItem2", types);
  seMsgDuringTime1_ = unlimitedSpin(grpMessages_, "seMsgDuringTime1");
  auto* messages = new QGridLayout(grpMessages_);
  messages->addWidget(new QLabel("Message A", grpMessages_), 0, 0);
  messages->addWidget(cboxLayerIIIItem1_, 0, 1, 1, 2);
  messages->addWidget(new QLabel("Message B", grpMessages_), 1, 0);
  messages->addWidget(cboxLayerIIIItem2_, 1, 1, 1, 2);
  messages->addWidget(new QLabel("DuringTime(ms)", grpMessages_), 2, 0);
  messages->addWidget(seMsgDuringTime1_, 2, 1);
  messages->setColumnStretch(2, 1);

  auto* ok = new QPushButton("OK", this);
  ok->setObjectName("OK");
  ok->setDefault(true);
  auto* cancel = new QPushButton("Cancel", this);
  cancel->setObjectName("Cancel");

  auto* top = new QHBoxLayout;
  top->addWidget(lblReport);
  top->addWidget(cboxReport, 1);
  top->addWidget(ok);
  top->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(chkFields_);
  layout->addWidget(grpFields_);
  layout->addWidget(chkMessages_);
  layout->addWidget(grpMessages_);
  layout->addStretch(1);
  resize(520, 0);

  const bool editable = !readOnly_;
  for (QWidget* w : std::initializer_list<QWidget*>{cboxReport, grpFields_, grpMessages_, chkFields_, chkMessages_})
    w->setEnabled(editable);

  // The two kinds exclude each other, yet both may be unchecked.
  connect(chkFields_, &QCheckBox::toggled, this, [this](bool on) {
    if (on) chkMessages_->setChecked(false);
  });
  connect(chkMessages_, &QCheckBox::toggled, this, [this](bool on) {
    if (on) chkFields_->setChecked(false);
  });
  connect(edtExpression_, &QLineEdit::textChanged, this, [this] { checkExpression(); });
  connect(btnShowExpress, &QToolButton::clicked, this, [this] { editExpression(); });
  connect(ok, &QPushButton::clicked, this, [this] { tryAccept(); });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

TfmGateEventModify::~TfmGateEventModify() = default;

void TfmGateEventModify::showValues(const TGateEditValues& v) {
  cboxReport->setEditText(QString::fromStdString(v.Name));
  chkFields_->setChecked(v.Fields);
  chkMessages_->setChecked(v.Messages);
  edtExpression_->setText(QString::fromStdString(v.Expression));
  checkExpression();  // a text equal to the box's does not signal a change
  seFieldDuringTime_->setValue(v.ExpDuringTime);
  seFieldTimes_->setValue(v.ExpTimes);
  SyncComboBox2ByObj(cboxLayerIIIItem1_, static_cast<intptr_t>(v.MessageCodeA.value_or(0)));
  SyncComboBox2ByObj(cboxLayerIIIItem2_, static_cast<intptr_t>(v.MessageCodeB.value_or(0)));
  seMsgDuringTime1_->setValue(v.MsgDuringTime);
}

TGateEditValues TfmGateEventModify::values() const {
  TGateEditValues v;
  v.Name = cboxReport->currentText().toStdString();
  v.Fields = chkFields_->isChecked();
  v.Messages = chkMessages_->isChecked();
  v.Expression = edtExpression_->text().toStdString();
  v.ExpDuringTime = seFieldDuringTime_->value();
  v.ExpTimes = seFieldTimes_->value();
  v.MessageCodeA = selectedCode(cboxLayerIIIItem1_);
  v.MessageCodeB = selectedCode(cboxLayerIIIItem2_);
  v.MsgDuringTime = seMsgDuringTime1_->value();
  return v;
}

std::string TfmGateEventModify::expressionError() const {
  if (!server_) return {};
  const int32_t* ids = nullptr;
  uint8_t count = 0;
  int32_t reserved = 0;
  try {
    server_->ParseExpression(netType_, edtExpression_->text().toStdString(), reserved, ids, count);
  } catch (const std::exception& e) {
    return e.what();
  }
  return {};
}

void TfmGateEventModify::checkExpression() { showExpressionError(expressionError()); }

void TfmGateEventModify::showExpressionError(const std::string& error) {
  lblExpressionError_->setText(QString::fromStdString(error));
  lblExpressionError_->setVisible(!error.empty());
}

void TfmGateEventModify::editExpression() {
  if (!server_) return;
  std::string text = edtExpression_->text().toStdString();
  try {
    // Owned by this dialog rather than the host's main window, so the editor
    // stacks above this modal dialog.
    if (server_->EditExpression(this, netType_, text)) edtExpression_->setText(QString::fromStdString(text));
  } catch (const std::exception&) {
    // A failing editor leaves the text as it was.
  }
}

void TfmGateEventModify::tryAccept() {
  // Read-only stores nothing, so only the name can keep it open.
  const TGateOkCheck check = CheckGateOk(values(), readOnly_ ? std::string() : expressionError());
  if (check.Refused) {
    if (!check.Reason.empty()) {
      showExpressionError(check.Reason);
      edtExpression_->setFocus();
    }
    return;
  }
  if (!readOnly_ && edited_) {
    // A new event is not in its list yet; an edited one does not clash with itself.
    const std::string taken = NameTakenReason(edited_->List(), edited_, values().Name);
    if (!taken.empty()) {
      QMessageBox::warning(this, windowTitle(), QString::fromStdString(taken));
      return;
    }
  }
  accept();
}

bool TfmGateEventModify::Execute(TGateEvent* event) {
  if (!event) return false;
  edited_ = event;
  std::unique_ptr<TGateEvent> copy(event->Clone());
  showValues(GateEditValuesOf(*copy));
  QPointer<QDialog> alive(this);
  const bool ok = exec() == QDialog::Accepted;
  // Deleted while it ran (its owner went): the event may be gone too.
  if (!alive) return false;
  edited_ = nullptr;
  if (ok && !readOnly_) {
    StoreGateEditValues(*copy, values());
    event->Assign(copy.get());
  }
  return ok;
}
