// Toolkit-neutral tree views. Definition editors bind their objects to the
// nodes of a TTreeNodes tree; the results container draws its rows in a
// TVirtualTree. The windows give Qt adapters; tests use in-memory trees.
#pragma once

#include <cstdint>
#include <string>

class TTreeNode {
 public:
  virtual ~TTreeNode() = default;
  virtual std::string Text() const = 0;
  virtual void SetText(const std::string& text) = 0;
  virtual void* Data() const = 0;
  virtual void SetData(void* data) = 0;
  virtual void SetImageIndex(int index) = 0;
  virtual void SetSelectedIndex(int index) = 0;
  virtual void SetStateIndex(int index) = 0;
  virtual void DeleteChildren() = 0;
  // Removes the node (and its children) from its tree; the node is gone afterwards.
  virtual void Delete() = 0;
};

class TTreeNodes {
 public:
  virtual ~TTreeNodes() = default;
  // A new node as the last child of parent, or at the top when parent is null.
  virtual TTreeNode* AddChildObject(TTreeNode* parent, const std::string& text, void* data) = 0;
  virtual void Clear() = 0;
};
