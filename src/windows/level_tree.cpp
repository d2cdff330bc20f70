#include "windows/level_tree.h"

#include <QDrag>
#include <QDropEvent>
#include <QMimeData>

namespace {
// Drags carry no data of their own: the editor remembers the dragged level.
const char* const LevelMime = "application/x-eventmanager-level";
}  // namespace

TQtTreeNode::TQtTreeNode(const std::string& text, void* data) : data_(data) {
  QTreeWidgetItem::setText(0, QString::fromStdString(text));
}

std::string TQtTreeNode::Text() const { return text(0).toStdString(); }

void TQtTreeNode::SetText(const std::string& text) { setText(0, QString::fromStdString(text)); }

void TQtTreeNode::DeleteChildren() {
  const QList<QTreeWidgetItem*> children = takeChildren();
  qDeleteAll(children);
}

TLevelTree::TLevelTree(QWidget* parent) : QTreeWidget(parent) {
  setHeaderHidden(true);
  setColumnCount(1);
  setSelectionMode(QAbstractItemView::SingleSelection);
  // Only the root is editable (its flags say so); editing starts as in any
  // tree: a slow second click, F2 or a double click.
  setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed |
                  QAbstractItemView::DoubleClicked);
  setDragEnabled(true);
  setAcceptDrops(true);
  setDropIndicatorShown(true);
  // Drops copy the dragged level; the view must never move items itself.
  setDragDropMode(QAbstractItemView::DragDrop);
  setDefaultDropAction(Qt::CopyAction);
}

TTreeNode* TLevelTree::AddChildObject(TTreeNode* parent, const std::string& text, void* data) {
  auto* node = new TQtTreeNode(text, data);
  if (parent)
    static_cast<TQtTreeNode*>(parent)->addChild(node);
  else
    addTopLevelItem(node);
  return node;
}

bool TLevelTree::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
  const bool started = QTreeWidget::edit(index, trigger, event);
  if (started) emit editingStarted();
  return started;
}

void TLevelTree::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
  QTreeWidget::closeEditor(editor, hint);
  emit editingEnded();
}

void TLevelTree::startDrag(Qt::DropActions) {
  // Not the view's own drag: after a move it would delete the source rows.
  QTreeWidgetItem* item = currentItem();
  if (!item || !BeginDrag || !BeginDrag(item)) return;
  auto* drag = new QDrag(this);
  auto* mime = new QMimeData;
  mime->setData(LevelMime, QByteArray());
  drag->setMimeData(mime);
  drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::MoveAction);
  if (EndDrag) EndDrag();
}

bool TLevelTree::acceptHere(QDropEvent* event) {
  QTreeWidgetItem* target = itemAt(event->position().toPoint());
  if (!event->mimeData()->hasFormat(LevelMime) || !target || !AcceptDrop || !AcceptDrop(target)) {
    event->ignore();
    return false;
  }
  // Ctrl alone shows the copy (multiple) cursor, anything else the ordinary
  // one; either way the drop copies.
  event->setDropAction(event->modifiers() == Qt::ControlModifier ? Qt::CopyAction : Qt::MoveAction);
  event->accept();
  return true;
}

void TLevelTree::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasFormat(LevelMime))
    event->acceptProposedAction();
  else
    event->ignore();
}

void TLevelTree::dragMoveEvent(QDragMoveEvent* event) { acceptHere(event); }

void TLevelTree::dropEvent(QDropEvent* event) {
  if (!acceptHere(event)) return;
  if (Drop) Drop(itemAt(event->position().toPoint()));
}
