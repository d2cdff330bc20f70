#include "expression_dialog.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <fmt/format.h>

#include "expression_check.h"

std::vector<FieldInfo> ExpressionFieldsOf(uint8_t netType) {
  std::vector<FieldInfo> fields;
  for (const FieldInfo& field : FieldCatalogue())
    if (netType > 4 || (field.Networks & (1u << netType))) fields.push_back(field);
  return fields;
}

std::string ExpressionCheckText(const TExpressionCheck& check, bool forLevel) {
  if (forLevel) {
    const std::string stored = "Stored with the level; a level's expression is not evaluated.";
    if (!check.Valid) return stored;  // any text is kept as it is typed
    if (check.FieldIds.empty()) return "No expression. " + stored;
    return stored + " " + ExpressionCheckText(check, false);
  }
  if (!check.Valid)
    return check.Position > 0 ? fmt::format("Error at position {}: {}", check.Position, check.Reason)
                              : fmt::format("Error: {}", check.Reason);
  if (check.FieldIds.empty()) return "No expression: the gate never reports.";
  std::string names;
  for (int32_t id : check.FieldIds) {
    const char* name = FieldNameById(id);
    names += names.empty() ? "" : ", ";
    names += name ? name : std::to_string(id);
  }
  return "Reads " + names + ".";
}

namespace {

const char* networkName(uint8_t netType) {
  static const char* const names[] = {"GSM", "CDMA", "UMTS", "TD-SCDMA", "LTE"};
  return netType < 5 ? names[netType] : "all networks";
}

}  // namespace

TfmExpressionEdit::TfmExpressionEdit(QWidget* parent, uint8_t netType, const QString& expression, bool forLevel)
    : QDialog(parent), forLevel_(forLevel) {
  setObjectName("TfmExpressionEdit");
  setWindowTitle(QString("Edit Expression (%1)").arg(networkName(netType)));

  auto* caption = new QLabel("&Expression", this);
  edtExpression_ = new QLineEdit(expression, this);
  edtExpression_->setObjectName("edtExpression");
  caption->setBuddy(edtExpression_);
  lblCheck_ = new QLabel(this);
  lblCheck_->setObjectName("lblCheck");
  lblCheck_->setWordWrap(true);
  lblCheck_->setTextInteractionFlags(Qt::TextSelectableByMouse);

  auto* fieldsCaption = new QLabel("&Fields", this);
  lstFields_ = new QListWidget(this);
  lstFields_->setObjectName("lstFields");
  fieldsCaption->setBuddy(lstFields_);
  for (const FieldInfo& field : ExpressionFieldsOf(netType)) {
    auto* item = new QListWidgetItem(QString::fromUtf8(field.Name), lstFields_);
    item->setToolTip(QString::fromUtf8(field.Description));
  }
  lblFieldInfo_ = new QLabel(this);
  lblFieldInfo_->setObjectName("lblFieldInfo");
  lblFieldInfo_->setWordWrap(true);
  btnInsert_ = new QPushButton("&Insert", this);
  btnInsert_->setObjectName("Insert");
  btnInsert_->setEnabled(false);

  btnOk_ = new QPushButton("OK", this);
  btnOk_->setObjectName("OK");
  btnOk_->setDefault(true);
  auto* cancel = new QPushButton("Cancel", this);
  cancel->setObjectName("Cancel");

  auto* fieldRow = new QHBoxLayout;
  fieldRow->addWidget(lstFields_, 1);
  lblFieldInfo_->setFixedWidth(170);
  auto* insertColumn = new QVBoxLayout;
  insertColumn->addWidget(btnInsert_);
  insertColumn->addWidget(lblFieldInfo_);
  insertColumn->addStretch(1);
  fieldRow->addLayout(insertColumn);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btnOk_);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(caption);
  layout->addWidget(edtExpression_);
  layout->addWidget(lblCheck_);
  layout->addWidget(fieldsCaption);
  layout->addLayout(fieldRow, 1);
  layout->addLayout(buttons);
  resize(480, 400);

  connect(edtExpression_, &QLineEdit::textChanged, this, [this] { check(); });
  connect(lstFields_, &QListWidget::currentItemChanged, this,
          [this](QListWidgetItem* current) {
            btnInsert_->setEnabled(current != nullptr);
            lblFieldInfo_->setText(current ? current->toolTip() : QString());
          });
  connect(lstFields_, &QListWidget::itemDoubleClicked, this, [this] { insertField(); });
  connect(btnInsert_, &QPushButton::clicked, this, [this] { insertField(); });
  connect(btnOk_, &QPushButton::clicked, this, [this] {
    if (btnOk_->isEnabled()) accept();
  });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  check();
}

QString TfmExpressionEdit::Expression() const { return edtExpression_->text(); }

void TfmExpressionEdit::check() {
  const TExpressionCheck result = CheckExpression(edtExpression_->text().toStdString());
  lblCheck_->setText(QString::fromStdString(ExpressionCheckText(result, forLevel_)));
  lblCheck_->setStyleSheet(result.Valid || forLevel_ ? QString() : QString("color: #b00000;"));
  // A level keeps whatever text it is given; only a gate needs one that compiles.
  btnOk_->setEnabled(result.Valid || forLevel_);
}

void TfmExpressionEdit::insertField() {
  QListWidgetItem* item = lstFields_->currentItem();
  if (!item) return;
  edtExpression_->insert(item->text());  // replaces a selection, like typing
  edtExpression_->setFocus();
}

bool RunExpressionDialog(void* parentWindow, uint8_t netType, std::string& expression, bool forLevel) {
  // Loaded by a host without widgets, there is nobody to ask.
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return false;
  TfmExpressionEdit dialog(static_cast<QWidget*>(parentWindow), netType, QString::fromStdString(expression),
                           forLevel);
  if (dialog.exec() != QDialog::Accepted) return false;
  expression = dialog.Expression().toStdString();
  return true;
}
