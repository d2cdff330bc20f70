// The level tree of the message event editor: a QTreeWidget whose items are
// the tree nodes definition objects bind to (TTreeNodes), and which drags
// levels and hands their drops to the editor. Host thread only.
#pragma once

#include <functional>

#include <QTreeWidget>

#include "eventmanager/tree_view.h"

// A tree item that is also the TTreeNode a definition object binds to; its
// data is the bound object.
class TQtTreeNode : public QTreeWidgetItem, public TTreeNode {
 public:
  TQtTreeNode(const std::string& text, void* data);
  std::string Text() const override;
  void SetText(const std::string& text) override;
  void* Data() const override { return data_; }
  void SetData(void* data) override { data_ = data; }
  void SetImageIndex(int) override {}
  void SetSelectedIndex(int) override {}
  void SetStateIndex(int) override {}
  void DeleteChildren() override;
  void Delete() override { delete this; }

 private:
  void* data_;
};

class TLevelTree : public QTreeWidget, public TTreeNodes {
  Q_OBJECT
 public:
  explicit TLevelTree(QWidget* parent);

  TTreeNode* AddChildObject(TTreeNode* parent, const std::string& text, void* data) override;
  void Clear() override { clear(); }

  static void* DataOf(QTreeWidgetItem* item) { return item ? static_cast<TQtTreeNode*>(item)->Data() : nullptr; }
  static QTreeWidgetItem* ItemOf(TTreeNode* node) { return static_cast<TQtTreeNode*>(node); }

  // Set by the editor. BeginDrag: may the item be dragged (remembering it)?
  // AcceptDrop: may the remembered item be dropped on the item? Drop: do it.
  // EndDrag: the drag is over, dropped or not.
  std::function<bool(QTreeWidgetItem*)> BeginDrag;
  std::function<bool(QTreeWidgetItem*)> AcceptDrop;
  std::function<void(QTreeWidgetItem*)> Drop;
  std::function<void()> EndDrag;

 signals:
  void editingStarted();
  void editingEnded();

 protected:
  bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
  void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
  void startDrag(Qt::DropActions supportedActions) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  bool acceptHere(QDropEvent* event);
};
