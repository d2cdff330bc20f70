#include "windows/internal_events_window.h"

#include <QApplication>
#include <QEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "properties/event_propertys.h"
#include "properties/icon_files.h"
#include "windows/events_tree.h"
#include "windows/select_color_dialog.h"

using namespace internal_events;

namespace {

constexpr int ListRole = Qt::UserRole;

}  // namespace

TFrmInternalEvents::TFrmInternalEvents(QWidget* owner, uint8_t networks, TEventPropertys& store,
                                       std::function<void()> save)
    : QWidget(owner, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                         Qt::WindowCloseButtonHint),
      networks_(networks),
      store_(store),
      save_(std::move(save)) {
  setObjectName("TFrmInternalEvents");
  setWindowTitle("Internal Event Manage");
  resize(442, 432);

  auto* top = new QWidget(this);
  top->setObjectName("PnlTop");
  top->setFixedHeight(30);
  auto* topRow = new QHBoxLayout(top);
  topRow->setContentsMargins(4, 2, 4, 2);
  auto* findLabel = new QLabel("Event To Find:  ", top);
  findLabel->setObjectName("lblEventName");
  edtEventName = new QLineEdit(top);
  edtEventName->setObjectName("edtEventName");
  btnFind = new QPushButton("Find", top);
  btnFind->setObjectName("btnFind");
  btnFind->setDefault(true);
  topRow->addWidget(findLabel);
  topRow->addWidget(edtEventName, 1);
  topRow->addWidget(btnFind);

  auto* splitter = new QSplitter(Qt::Horizontal, this);
  splitter->setObjectName("Splitter");
  VSTEventsRoot = new QTreeWidget(splitter);
  VSTEventsRoot->setObjectName("VSTEventsRoot");
  VSTEventsRoot->setHeaderLabel("Events Category");
  VSTEventsRoot->setRootIsDecorated(false);
  VSTEvents = new TEventsTree(splitter);
  VSTEvents->setObjectName("VSTEvents");
  VSTEvents->setHeaderLabel("Events Display Options");
  VSTEvents->setContextMenuPolicy(Qt::CustomContextMenu);
  VSTEvents->setMouseTracking(true);
  VSTEvents->viewport()->setMouseTracking(true);
  VSTEvents->viewport()->installEventFilter(this);
  splitter->addWidget(VSTEventsRoot);
  splitter->addWidget(VSTEvents);
  splitter->setStretchFactor(1, 1);
  splitter->setSizes({176, 442 - 176});

  SBarState = new QStatusBar(this);
  SBarState->setObjectName("SBarState");
  SBarState->setSizeGripEnabled(false);

  PMenu = new QMenu(this);
  PMenu->setObjectName("PMenu");
  auto addAction = [this](const char* text, int32_t action, const char* name) {
    QAction* item = PMenu->addAction(text);
    item->setObjectName(name);
    item->setData(action);
  };
  addAction("Setting Color...", ActSetColors, "MISetColor");
  addAction("Setting Icon...", ActSetIcon, "MISetIcon");
  PMenu->addSeparator();
  addAction("Clear Color", ActClearColors, "MIClearColor");
  addAction("Clear Icon", ActClearIcon, "MIClearIcon");
  connect(PMenu, &QMenu::triggered, this,
          [this](QAction* item) { RunAction(item->data().toInt(), VSTEvents->currentItem()); });

  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  column->addWidget(top);
  column->addWidget(splitter, 1);
  column->addWidget(SBarState);

  connect(btnFind, &QPushButton::clicked, this, &TFrmInternalEvents::Find);
  // A plain window has no default button; Enter in the edit box finds.
  connect(edtEventName, &QLineEdit::returnPressed, this, &TFrmInternalEvents::Find);
  connect(VSTEventsRoot, &QTreeWidget::currentItemChanged, this, &TFrmInternalEvents::categoryChanged);
  connect(VSTEvents, &QTreeWidget::itemChanged, this, &TFrmInternalEvents::rowChanged);
  connect(VSTEvents, &QTreeWidget::itemDoubleClicked, this, &TFrmInternalEvents::rowDoubleClicked);
  connect(VSTEvents, &QWidget::customContextMenuRequested, this, &TFrmInternalEvents::showMenu);

  if (QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());

  fillCategories();
  fillEvents(store_.MsgLists[0].get());
  if (VSTEventsRoot->topLevelItemCount() > 0) VSTEventsRoot->setCurrentItem(VSTEventsRoot->topLevelItem(0));
}

TFrmInternalEvents::~TFrmInternalEvents() {
  if (save_ && store_.IsModified()) save_();
}

void TFrmInternalEvents::fillCategories() {
  const QIcon other = style()->standardIcon(QStyle::SP_DirClosedIcon);
  for (TEventPropertyList* list : CategoryLists(store_, networks_)) {
    auto* item = new QTreeWidgetItem(VSTEventsRoot);
    item->setText(0, QString::fromStdString(list->Name));
    item->setData(0, ListRole, QVariant::fromValue(static_cast<void*>(list)));
    item->setIcon(0, other);
  }
}

void TFrmInternalEvents::categoryChanged(QTreeWidgetItem* current, QTreeWidgetItem* previous) {
  // Image 1 marks the selected category, image 0 the others.
  if (previous) previous->setIcon(0, style()->standardIcon(QStyle::SP_DirClosedIcon));
  if (current) current->setIcon(0, style()->standardIcon(QStyle::SP_DirOpenIcon));
  search_.Forget();
  if (!current) return;
  if (TEventPropertyList* list = ListForCategory(store_, networks_, current->text(0).toStdString())) fillEvents(list);
}

void TFrmInternalEvents::fillEvents(TEventPropertyList* list) {
  filling_ = true;
  VSTEvents->setUpdatesEnabled(false);
  VSTEvents->clear();
  search_.Forget();
  for (int i = 0; i < list->Count(); ++i) VSTEvents->AddEvent(list->Items(i));
  VSTEvents->setUpdatesEnabled(true);
  filling_ = false;
}

void TFrmInternalEvents::rowChanged(QTreeWidgetItem* row, int column) {
  if (filling_ || column != 0) return;
  const int32_t option = TEventsTree::OptionOf(row);
  TEventProperty* record = TEventsTree::RecordOf(row);
  if (!record || !OptionIsCheckable(option)) return;
  SetOptionSwitch(*record, option, row->checkState(0) == Qt::Checked);
}

bool TFrmInternalEvents::eventFilter(QObject* watched, QEvent* event) {
  if (watched == VSTEvents->viewport() && event->type() == QEvent::MouseMove) {
    lastMouse_ = static_cast<QMouseEvent*>(event)->position().toPoint();
    const QString text = QString::fromStdString(StatusTextFor(TEventsTree::OptionOf(VSTEvents->itemAt(lastMouse_))));
    if (text.isEmpty())
      SBarState->clearMessage();
    else
      SBarState->showMessage(text);
  }
  return QWidget::eventFilter(watched, event);
}

void TFrmInternalEvents::rowDoubleClicked(QTreeWidgetItem* row) {
  // Only the colour and icon rows act; an event row just opens or closes.
  if (!row) return;
  VSTEvents->setCurrentItem(row);
  const int32_t option = TEventsTree::OptionOf(row);
  if (option == ActSetColors || option == ActSetIcon) RunAction(option, row);
}

void TFrmInternalEvents::showMenu(const QPoint& at) {
  QTreeWidgetItem* row = VSTEvents->itemAt(at);
  if (!TEventsTree::RecordOf(row)) return;
  VSTEvents->setFocus();
  VSTEvents->setCurrentItem(row);
  PMenu->popup(VSTEvents->viewport()->mapToGlobal(at));
}

void TFrmInternalEvents::RunAction(int32_t action, QTreeWidgetItem* row) {
  TEventProperty* record = TEventsTree::RecordOf(row);
  if (!record) return;
  switch (action) {
    case ActSetColors: chooseColors(*record); break;
    case ActSetIcon: chooseIcon(*record); break;
    case ActClearColors: ClearColors(*record); break;
    case ActClearIcon: ClearIcon(*record); break;
    default: return;
  }
  refreshGroup(row->type() == TEventsTree::EventRowType ? row : row->parent());
}

void TFrmInternalEvents::refreshGroup(QTreeWidgetItem* eventRow) {
  filling_ = true;
  VSTEvents->Refresh(eventRow);
  filling_ = false;
}

void TFrmInternalEvents::chooseColors(TEventProperty& record) {
  TFrmSelectColor dialog(this);
  int32_t font = record.FontColor;
  int32_t back = record.BackColor;
  if (dialog.Execute(font, back)) SetColors(record, font, back);
}

void TFrmInternalEvents::chooseIcon(TEventProperty& record) {
  QFileDialog dialog(this, "Open", QString::fromStdString(IconDirectory()), "Bitmap Files(*.BMP)");
  dialog.setObjectName("OpenIconDialog");
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setDefaultSuffix("BMP");
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  // Only the file name is stored: an icon outside the folder is not found.
  record.SetBitmapFile(dialog.selectedFiles().first().toStdString());
}

void TFrmInternalEvents::Find() {
  std::vector<SearchRow> rows;
  std::vector<QTreeWidgetItem*> items;
  for (QTreeWidgetItemIterator it(VSTEvents); *it; ++it) {
    rows.push_back({(*it)->type() == TEventsTree::EventRowType, (*it)->text(0).toStdString()});
    items.push_back(*it);
  }
  int selected = -1;
  if (QTreeWidgetItem* current = VSTEvents->currentItem())
    for (size_t i = 0; i < items.size(); ++i)
      if (items[i] == current) selected = static_cast<int>(i);
  const int found = search_.Find(rows, edtEventName->text().toStdString(), selected);
  if (found == -2) return;
  if (found < 0) {
    QMessageBox box(QMessageBox::Information, windowTitle(),
                    QString("Search string '%1' not found!").arg(edtEventName->text().trimmed()), QMessageBox::Ok,
                    this);
    box.setObjectName("NotFoundBox");
    box.exec();
    return;
  }
  QTreeWidgetItem* row = items[static_cast<size_t>(found)];
  VSTEvents->scrollToItem(row, QAbstractItemView::PositionAtCenter);
  VSTEvents->setCurrentItem(row);
  VSTEvents->viewport()->update();
}
