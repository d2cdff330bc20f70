// TNodeItem: base of every definition object (levels, message events, gate
// events). It carries the owner, the modified flag and the optional binding to
// a node of an editor's tree view, and fixes twelve virtual operations.
// Creation stores the owner and runs Initialize and Reset; derived classes do
// this through Construct() at the end of their own constructor, since virtual
// calls from a base constructor would not reach them.
#pragma once

#include <string>

#include "core/object.h"
#include "eventmanager/tree_view.h"

class TNodeItem : public TObject {
  EM_CLASS(TNodeItem, TObject)
 public:
  explicit TNodeItem(TObject* owner) : Owner(owner) {}
  ~TNodeItem() override = default;
  TNodeItem(const TNodeItem&) = delete;
  TNodeItem& operator=(const TNodeItem&) = delete;

  TTreeNode* TreeNode = nullptr;
  bool StateFlag = false;
  TObject* Owner;
  bool Modified = false;

  // Virtual operations, in declaration order.
  virtual uint8_t GetImageKind() { return 0; }
  virtual void AssignError(TNodeItem* source);
  virtual bool RebuildTreeChildren();
  virtual void Initialize() {}
  virtual void Finalize() {}
  virtual void AssignTo(TNodeItem* destination) { destination->Modified = Modified; }
  virtual bool IsModified() { return Modified; }
  virtual void GetCaption(std::string& caption);
  virtual void SetCaption(const std::string& caption);
  virtual void SetModified(bool flag) { Modified = flag; }
  virtual void Reset() { UnbindFromTree(); }
  virtual void DeleteTreeChildren();

  void Assign(TNodeItem* source);
  TTreeNode* BindToTree(TTreeNodes* nodes, TTreeNode* parent);
  void RefreshTreeNode();
  void UnbindFromTree();
  TTreeNodes* Tree() const { return treeNodes_; }
  std::string Caption() {
    std::string c;
    GetCaption(c);
    return c;
  }

 protected:
  // Runs Initialize and Reset; called by the most derived constructor.
  void Construct() {
    Initialize();
    Reset();
  }
  // Runs UnbindFromTree and Finalize; called by the most derived destructor.
  void Destruct() {
    UnbindFromTree();
    Finalize();
  }

 private:
  TTreeNodes* treeNodes_ = nullptr;
};
