#include "windows/event_aliases_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include "definitions/alias.h"
#include "windows/event_maintain_rules.h"

using namespace event_maintain;

namespace {

constexpr int AliasRole = Qt::UserRole;

QPushButton* button(const char* caption, const char* name, QWidget* parent) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(name);
  b->setAutoDefault(false);
  return b;
}

TAlias* aliasOf(QListWidgetItem* entry) {
  return entry ? static_cast<TAlias*>(entry->data(AliasRole).value<void*>()) : nullptr;
}

}  // namespace

TfrmEventAliases::TfrmEventAliases(QWidget* owner, uint8_t readOnly, uint8_t)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      readOnly_(readOnly),
      working_(std::make_unique<TAliasesList>()) {
  setObjectName("TfrmEventAliases");
  setWindowTitle("Event Aliases Define");
  resize(454, 329);

  auto* panel = new QWidget(this);
  panel->setObjectName("Panel1");
  auto* label = new QLabel("  Aliases for Messages:    ", panel);
  label->setObjectName("Label1");
  lstAliases = new QListWidget(panel);
  lstAliases->setObjectName("lstAliases");
  edt = new QLineEdit(panel);
  edt->setObjectName("edt");
  btnAdd = button("&Add", "Add", panel);
  btnReplace = button("&Replace", "Replace", panel);
  btnDelete = button("&Delete", "Delete", panel);
  for (QPushButton* b : {btnAdd, btnReplace, btnDelete}) b->setEnabled(false);

  auto* panelColumn = new QVBoxLayout(panel);
  panelColumn->addWidget(label);
  panelColumn->addWidget(lstAliases, 1);
  panelColumn->addWidget(edt);
  auto* editRow = new QHBoxLayout;
  editRow->addStretch(1);
  editRow->addWidget(btnAdd);
  editRow->addWidget(btnReplace);
  editRow->addWidget(btnDelete);
  panelColumn->addLayout(editRow);

  auto* ok = new QPushButton("OK", this);
  ok->setObjectName("OK");
  ok->setDefault(true);
  auto* cancel = new QPushButton("Cancel", this);
  cancel->setObjectName("Cancel");
  auto* bottom = new QHBoxLayout;
  bottom->addStretch(1);
  bottom->addWidget(ok);
  bottom->addWidget(cancel);
  auto* column = new QVBoxLayout(this);
  column->addWidget(panel, 1);
  column->addLayout(bottom);

  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(btnAdd, &QPushButton::clicked, this, &TfrmEventAliases::add);
  connect(btnReplace, &QPushButton::clicked, this, &TfrmEventAliases::replace);
  connect(btnDelete, &QPushButton::clicked, this, &TfrmEventAliases::deleteEntry);
  // An entry is chosen by selecting it (a click, or the arrow keys once the
  // list has a selection). The list's current entry alone is no choice: the
  // list makes its first entry current when it gets the focus, and Delete
  // must never remove an alias the user did not pick.
  connect(lstAliases, &QListWidget::itemClicked, this, &TfrmEventAliases::entryChosen);
  connect(lstAliases, &QListWidget::itemSelectionChanged, this, [this] {
    if (!filling_) entryChosen(chosenEntry());
  });
  // Typing enables Add and Replace; an empty box (typed or set) disables them.
  connect(edt, &QLineEdit::textEdited, this, [this](const QString& text) {
    btnAdd->setEnabled(!text.isEmpty());
    btnReplace->setEnabled(!text.isEmpty());
  });
  connect(edt, &QLineEdit::textChanged, this, [this](const QString& text) {
    if (!text.isEmpty()) return;
    btnAdd->setEnabled(false);
    btnReplace->setEnabled(false);
  });
}

TfrmEventAliases::~TfrmEventAliases() = default;

bool TfrmEventAliases::Execute(TAliasesList* aliases) {
  if (!aliases) return false;
  working_ = TAliasesList::CloneAliases(*aliases);
  refill();
  QPointer<QDialog> alive(this);
  const bool ok = exec() == QDialog::Accepted;
  // Deleted while it ran (its owner went): the edited list may be gone too.
  if (!alive) return false;
  if (ok && !readOnly_) aliases->AssignAliases(*working_);
  return ok;
}

void TfrmEventAliases::refill() {
  filling_ = true;
  lstAliases->clear();
  for (int i = 0; i < working_->Count(); ++i) {
    TAlias* alias = working_->Alias(i);
    auto* entry = new QListWidgetItem(QString::fromStdString(alias->AliasText), lstAliases);
    entry->setData(AliasRole, QVariant::fromValue(static_cast<void*>(alias)));
  }
  lstAliases->setCurrentItem(nullptr);
  lstAliases->clearSelection();
  filling_ = false;
  btnReplace->setEnabled(false);
  btnDelete->setEnabled(false);
}

QListWidgetItem* TfrmEventAliases::chosenEntry() const { return lstAliases->selectedItems().value(0); }

void TfrmEventAliases::entryChosen(QListWidgetItem* entry) {
  if (!entry || !entry->isSelected()) return;
  edt->setText(entry->text());
  btnDelete->setEnabled(true);
}

std::string TfrmEventAliases::normaliseEdit() {
  const TAliasParts parts = SplitAlias(edt->text().toStdString());
  edt->setText(QString::fromStdString(parts.Text()));
  return parts.Left;
}

void TfrmEventAliases::add() {
  if (edt->text().isEmpty()) return;
  const std::string name = NewAliasName(lstAliases->count());
  const std::string left = normaliseEdit();
  if (AliasIsNew(*working_, left)) {
    auto* alias = new TAlias;
    alias->SetAliasName(name);
    alias->SetAliasText(edt->text().toStdString());
    working_->Add(alias);
    refill();
  }
  btnAdd->setEnabled(false);
}

void TfrmEventAliases::replace() {
  normaliseEdit();
  // Replace is enabled by typing alone; with no entry chosen there is
  // nothing to replace.
  TAlias* alias = aliasOf(chosenEntry());
  if (!alias) return;
  alias->SetAliasText(edt->text().toStdString());
  refill();
  edt->clear();
}

void TfrmEventAliases::deleteEntry() {
  TAlias* alias = aliasOf(chosenEntry());
  if (!alias) return;
  working_->Remove(alias);
  refill();
  edt->clear();
}
