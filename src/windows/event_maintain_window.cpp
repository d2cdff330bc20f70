#include "windows/event_maintain_window.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTabBar>
#include <QVBoxLayout>

#include "core/network.h"
#include "definitions/all_events.h"
#include "windows/event_aliases_dialog.h"
#include "windows/event_maintain_rules.h"
#include "windows/event_modify_dialog.h"
#include "windows/gate_event_modify_dialog.h"

using namespace event_maintain;

namespace {

constexpr int EventRole = Qt::UserRole;
constexpr int NetworkRole = Qt::UserRole;

class WaitCursor {
 public:
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

QPushButton* button(const char* caption, const char* name, QWidget* parent) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(name);
  return b;
}

QString captionOf(TNodeItem* event) {
  std::string caption;
  event->GetCaption(caption);
  return QString::fromStdString(caption);
}

}  // namespace

TfmEventMaintain::TfmEventMaintain(QWidget* owner, uint8_t readOnly, uint8_t networks, const std::string& path,
                                   std::function<void(TAllEvents&)> save)
    : QWidget(owner, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                         Qt::WindowCloseButtonHint),
      readOnly_(readOnly),
      save_(std::move(save)) {
  setObjectName("TfmEventMaintain");
  setWindowTitle("Configure User Events");
  setAttribute(Qt::WA_DeleteOnClose);
  resize(358, 473);

  lblFault = new QLabel(this);
  lblFault->setObjectName("lblFault");
  lblFault->setWordWrap(true);
  lblFault->setTextInteractionFlags(Qt::TextSelectableByMouse);
  lblFault->setStyleSheet("QLabel { color: #a00000; background: #fff0f0; padding: 4px; }");
  lblFault->hide();

  tbcEventType = new QTabBar(this);
  tbcEventType->setObjectName("tbcEventType");
  tbcEventType->setExpanding(false);
  tbcEventType->addTab("Msg Events");
  tbcEventType->addTab("Warning Events");

  auto* page = new QFrame(this);
  page->setObjectName("tbcEventTypePage");
  page->setFrameShape(QFrame::StyledPanel);
  TCtrlEvents = new QTabBar(page);
  TCtrlEvents->setObjectName("TCtrlEvents");
  TCtrlEvents->setExpanding(false);
  LBoxEvents = new QListWidget(page);
  LBoxEvents->setObjectName("LBoxEvents");
  auto* pageColumn = new QVBoxLayout(page);
  pageColumn->setContentsMargins(6, 6, 6, 6);
  pageColumn->setSpacing(0);
  pageColumn->addWidget(TCtrlEvents);
  pageColumn->addWidget(LBoxEvents, 1);

  BtnNew = button("&New", "BtnNew", this);
  BtnEdit = button("&Edit", "BtnEdit", this);
  BtnDelete = button("&Delete", "BtnDelete", this);
  BtnAliases = button("&Aliases", "BtnAliases", this);
  BtnEdit->setEnabled(false);
  BtnDelete->setEnabled(false);
  BtnAliases->setVisible(false);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  for (QPushButton* b : {BtnNew, BtnEdit, BtnDelete, BtnAliases}) buttons->addWidget(b);

  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(8, 8, 8, 8);
  column->addWidget(lblFault);
  column->addWidget(tbcEventType);
  column->addWidget(page, 1);
  column->addLayout(buttons);

  if (QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());

  // Esc anywhere in the window closes it (and so frees it).
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  escape->setContext(Qt::WindowShortcut);
  connect(escape, &QShortcut::activated, this, &QWidget::close);

  {
    WaitCursor wait;
    events_ = std::make_unique<TAllEvents>();
    loadFaults_ = LoadDefinitions(*events_, path);
    if (!loadFaults_.empty()) {
      // Read-only for the window and every editor: saving would replace
      // the user's file with whatever part of it could be read.
      readOnly_ = 1;
      QString text = "EventsDefine.cfg could not be read; it is kept as it is and nothing is saved:";
      for (const std::string& fault : loadFaults_) text += "\n" + QString::fromStdString(fault);
      lblFault->setText(text);
      lblFault->show();
    }
    for (uint8_t net : NetworksOfSet(networks)) {
      const int tab = TCtrlEvents->addTab(QString::fromStdString(NetworkName(net)));
      TCtrlEvents->setTabData(tab, int(net));
    }
    if (TCtrlEvents->count() > 0) TCtrlEvents->setCurrentIndex(0);
    fillList();
  }
  // New and Delete change the list itself, which read-only forbids; Edit
  // still opens the editors to look.
  if (readOnly_) BtnNew->setEnabled(false);

  connect(tbcEventType, &QTabBar::currentChanged, this, &TfmEventMaintain::fillList);
  connect(TCtrlEvents, &QTabBar::currentChanged, this, &TfmEventMaintain::fillList);
  connect(LBoxEvents, &QListWidget::itemSelectionChanged, this, &TfmEventMaintain::updateButtons);
  connect(LBoxEvents, &QListWidget::itemDoubleClicked, this, &TfmEventMaintain::EditEvent);
  connect(BtnNew, &QPushButton::clicked, this, &TfmEventMaintain::NewEvent);
  connect(BtnEdit, &QPushButton::clicked, this, &TfmEventMaintain::EditEvent);
  connect(BtnDelete, &QPushButton::clicked, this, &TfmEventMaintain::DeleteEvent);
  connect(BtnAliases, &QPushButton::clicked, this, &TfmEventMaintain::EditAliases);
}

TfmEventMaintain::~TfmEventMaintain() {
  // An owner may delete the window while an editor runs on one of its
  // events: the editor goes first, while the events it works on still exist,
  // and what it had not confirmed is dropped as on Cancel.
  delete editor_.data();
  WaitCursor wait;
  if (!readOnly_ && save_ && events_->IsModified()) save_(*events_);
  events_.reset();
}

bool TfmEventMaintain::onMessages() const { return tbcEventType->currentIndex() != 1; }

int TfmEventMaintain::currentNetwork() const {
  const int tab = TCtrlEvents->currentIndex();
  return tab < 0 ? -1 : TCtrlEvents->tabData(tab).toInt();
}

void TfmEventMaintain::fillList() {
  const int net = currentNetwork();
  if (net < 0) return;
  LBoxEvents->setUpdatesEnabled(false);
  LBoxEvents->clear();
  if (onMessages()) {
    TMsgEventList* list = events_->MsgEvents(uint8_t(net));
    for (int i = 0; i < list->Count(); ++i) addEntry(list->Event(i));
  } else {
    TGateEventList* list = events_->GateEvents(uint8_t(net));
    for (int i = 0; i < list->Count(); ++i) addEntry(list->Event(i));
  }
  LBoxEvents->setUpdatesEnabled(true);
  updateButtons();
}

// The list box keeps its names sorted, letter case ignored.
QListWidgetItem* TfmEventMaintain::addEntry(TNodeItem* event) {
  const QString name = captionOf(event);
  int row = 0;
  while (row < LBoxEvents->count() && QString::compare(LBoxEvents->item(row)->text(), name, Qt::CaseInsensitive) <= 0)
    ++row;
  auto* entry = new QListWidgetItem(name);
  entry->setData(EventRole, QVariant::fromValue(static_cast<void*>(event)));
  LBoxEvents->insertItem(row, entry);
  return entry;
}

TNodeItem* TfmEventMaintain::selectedEvent() const {
  const QList<QListWidgetItem*> selected = LBoxEvents->selectedItems();
  if (selected.isEmpty()) return nullptr;
  return static_cast<TNodeItem*>(selected.first()->data(EventRole).value<void*>());
}

void TfmEventMaintain::updateButtons() {
  const bool any = selectedEvent() != nullptr;
  BtnEdit->setEnabled(any);
  BtnDelete->setEnabled(any && !readOnly_);
}

bool TfmEventMaintain::runEditor(TNodeItem* event, bool message) {
  const int net = currentNetwork();
  if (!event || net < 0) return false;
  hide();
  // The editor lives on the heap and this window is watched: the owner may
  // delete the window (and so the editor) while the editor's loop runs.
  QPointer<TfmEventMaintain> self(this);
  bool ok;
  if (message) {
    auto* editor = new TfmEventModify(this, readOnly_, uint8_t(net));
    editor_ = editor;
    ok = editor->Execute(static_cast<TMsgEvent*>(event));
  } else {
    auto* editor = new TfmGateEventModify(this, readOnly_, uint8_t(net));
    editor_ = editor;
    ok = editor->Execute(static_cast<TGateEvent*>(event));
  }
  if (!self) return false;
  delete editor_.data();
  show();
  return ok;
}

void TfmEventMaintain::NewEvent() {
  const int net = currentNetwork();
  if (net < 0 || readOnly_) return;
  TNodeItem* created;
  if (onMessages()) {
    TMsgEventList* list = events_->MsgEvents(uint8_t(net));
    auto event = std::make_unique<TMsgEvent>(list);
    if (!runEditor(event.get(), true)) return;  // also when the window was deleted meanwhile
    list->Add(event.get());
    created = event.release();
  } else {
    TGateEventList* list = events_->GateEvents(uint8_t(net));
    std::unique_ptr<TGateEvent> event;
    try {
      event = std::make_unique<TGateEvent>(list);
    } catch (const std::exception& e) {
      // The expression filter could not be created: say so in the window
      // rather than let the error escape the event loop.
      lblFault->setText(QString::fromStdString(e.what()));
      lblFault->show();
      return;
    }
    if (!runEditor(event.get(), false)) return;
    list->Add(event.get());  // runEditor is true only while the window lives
    created = event.release();
  }
  addEntry(created);
  updateButtons();
}

void TfmEventMaintain::EditEvent() {
  TNodeItem* event = selectedEvent();
  if (!event) return;
  QPointer<TfmEventMaintain> self(this);
  runEditor(event, onMessages());
  if (!self) return;
  // The editor may have renamed it: the entry moves to its sorted place.
  QListWidgetItem* old = LBoxEvents->selectedItems().value(0);
  if (!old || captionOf(event) == old->text()) return;
  delete LBoxEvents->takeItem(LBoxEvents->row(old));
  QListWidgetItem* entry = addEntry(event);
  LBoxEvents->setCurrentItem(entry);
  entry->setSelected(true);
}

void TfmEventMaintain::DeleteEvent() {
  TNodeItem* event = selectedEvent();
  const int net = currentNetwork();
  if (!event || net < 0 || readOnly_) return;
  QListWidgetItem* entry = LBoxEvents->selectedItems().first();
  delete LBoxEvents->takeItem(LBoxEvents->row(entry));
  if (onMessages())
    events_->MsgEvents(uint8_t(net))->Remove(event);
  else
    events_->GateEvents(uint8_t(net))->Remove(event);
  LBoxEvents->clearSelection();
  updateButtons();
}

bool TfmEventMaintain::EditAliases() {
  const int net = currentNetwork();
  if (net < 0) return false;
  hide();
  QPointer<TfmEventMaintain> self(this);
  auto* editor = new TfrmEventAliases(this, readOnly_, uint8_t(net));
  editor_ = editor;
  const bool ok = editor->Execute(events_->Aliases(uint8_t(net)));
  if (!self) return false;
  delete editor_.data();
  show();
  return ok;
}
