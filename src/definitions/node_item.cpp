#include "definitions/node_item.h"

#include <fmt/format.h>

#include "eventmanager/errors.h"

void TNodeItem::AssignError(TNodeItem* source) {
  throw EConvertError(fmt::format("Cannot assign a {} to a {}", source ? source->ClassName() : std::string(),
                                  ClassName()));
}

bool TNodeItem::RebuildTreeChildren() {
  if (!TreeNode) return false;
  DeleteTreeChildren();
  return true;
}

void TNodeItem::GetCaption(std::string& caption) { caption = TreeNode ? TreeNode->Text() : std::string(); }

void TNodeItem::SetCaption(const std::string& caption) {
  if (TreeNode) TreeNode->SetText(caption);
}

void TNodeItem::DeleteTreeChildren() {
  if (TreeNode) TreeNode->DeleteChildren();
}

void TNodeItem::Assign(TNodeItem* source) {
  // An item is already its own copy. Copying onto itself would either loop
  // (a level appends copies of the children it is walking) or lose the item
  // (an event resets itself before copying its levels).
  if (!source || source == this) return;
  if (source->InheritsFrom(ClassType()))
    source->AssignTo(this);
  else
    AssignError(source);
}

TTreeNode* TNodeItem::BindToTree(TTreeNodes* nodes, TTreeNode* parent) {
  if (!TreeNode && nodes) {
    treeNodes_ = nodes;
    TreeNode = nodes->AddChildObject(parent, Caption(), this);
    RefreshTreeNode();
  }
  return TreeNode;
}

void TNodeItem::RefreshTreeNode() {
  if (!TreeNode) return;
  DeleteTreeChildren();
  TreeNode->SetData(this);
  TreeNode->SetText(Caption());
  int image = 2 * (GetImageKind() % 128);
  TreeNode->SetImageIndex(image);
  TreeNode->SetSelectedIndex(image + 1);
  TreeNode->SetStateIndex(StateFlag ? 2 : 1);
  RebuildTreeChildren();
}

void TNodeItem::UnbindFromTree() {
  if (!TreeNode) return;
  DeleteTreeChildren();
  TTreeNode* node = TreeNode;
  TreeNode = nullptr;
  node->Delete();
  treeNodes_ = nullptr;
}
