// AVL tree containers that own their nodes, and typed trees keyed by integer,
// text (case-insensitive under the user's locale, or ordinal) and floating
// point, with exact, floor and ceiling lookups.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "savkit/avltrees/balanced_tree.h"

namespace savkit {

class TAVLtree;

// A node held by a TAVLtree. It owns nothing: destroying it only takes it out
// of its tree. Subclasses that define Compare must call LeaveTree() in their
// destructor, while Compare still works, for removal in O(log n).
class TAVLtreeNode : public TBalancedTree {
 public:
  ~TAVLtreeNode() override;

  TAVLtree* Tree() const { return tree_; }
  // Moves the node into tree (out of its current one). If tree already holds an
  // equal key, the node stays outside any tree.
  void SetTree(TAVLtree* tree);

 protected:
  void LeaveTree();

 private:
  friend class TAVLtree;
  template <class, class>
  friend class TTypedAVLtree;
  TAVLtree* tree_ = nullptr;
};

class TAVLtree {
 public:
  TAVLtree() = default;
  TAVLtree(const TAVLtree&) = delete;
  TAVLtree& operator=(const TAVLtree&) = delete;
  // Destroys every node, without recursion or extra memory.
  virtual ~TAVLtree();

  virtual const char* ClassName() const { return "TAVLtree"; }
  TBalancedTree* Root() const { return root_; }

  // A null node is not added. Returns the node when it was added, else null.
  virtual TAVLtreeNode* AddNodeEx(TAVLtreeNode* node, bool& added);
  bool AddNode(TAVLtreeNode* node);
  // Takes a node of this tree out of it; false when the node is not held here.
  bool Unlink(TAVLtreeNode* node);
  // In-order walk by recursion; returns the node at which callback answered true.
  TAVLtreeNode* RecursiveBeat(const TAVLtreeTreateNodeEvent& callback, void* data);

 protected:
  friend class TAVLtreeNode;
  TBalancedTree* root_ = nullptr;
};

// A tree of one node class and key type. NodeClass creates the nodes that Add
// and Get insert, so subclasses can carry fields of their own.
template <class NodeT, class KeyT>
class TTypedAVLtree : public TAVLtree {
 public:
  using NodeClassType = NodeT* (*)(TAVLtree* tree, const KeyT& key);

  explicit TTypedAVLtree(NodeClassType nodeClass = &NewNode<NodeT>) : NodeClass(nodeClass) {}

  template <class N>
  static NodeT* NewNode(TAVLtree* tree, const KeyT& key) {
    return new N(tree, key);
  }

  NodeClassType NodeClass;

  // Adds a new node for key; null (and nothing added) when key is present.
  NodeT* Add(const KeyT& key) {
    std::unique_ptr<NodeT> node(NodeClass(nullptr, key));
    if (!AddNode(node.get())) return nullptr;
    return node.release();
  }

  // Find or create.
  NodeT* Get(const KeyT& key) {
    std::unique_ptr<NodeT> node(NodeClass(nullptr, key));
    node->tree_ = this;
    if (TBalancedTree* existing = gbt_insert(&root_, node.get())) {
      node->tree_ = nullptr;
      return static_cast<NodeT*>(existing);
    }
    return node.release();
  }

  NodeT* Find(const KeyT& key) const {
    for (TBalancedTree* p = root_; p;) {
      const int c = CompareKey(key, static_cast<NodeT*>(p)->Key);
      if (c == 0) return static_cast<NodeT*>(p);
      p = c < 0 ? p->Left : p->Right;
    }
    return nullptr;
  }

  // The node with key, else the one with the greatest smaller key, else null.
  NodeT* FindMaxKeyLessThan(const KeyT& key) const {
    NodeT* best = nullptr;
    for (TBalancedTree* p = root_; p;) {
      const int c = CompareKey(key, static_cast<NodeT*>(p)->Key);
      if (c == 0) return static_cast<NodeT*>(p);
      if (c > 0) {
        best = static_cast<NodeT*>(p);
        p = p->Right;
      } else {
        p = p->Left;
      }
    }
    return best;
  }

  // The node with key, else the one with the smallest greater key, else null.
  NodeT* FindMinKeyMoreThan(const KeyT& key) const {
    NodeT* best = nullptr;
    for (TBalancedTree* p = root_; p;) {
      const int c = CompareKey(key, static_cast<NodeT*>(p)->Key);
      if (c == 0) return static_cast<NodeT*>(p);
      if (c < 0) {
        best = static_cast<NodeT*>(p);
        p = p->Left;
      } else {
        p = p->Right;
      }
    }
    return best;
  }

 protected:
  // The order of the tree's keys: negative, 0 or positive.
  virtual int CompareKey(const KeyT& a, const KeyT& b) const { return (a > b) - (a < b); }
};

class TIntKeyAVLtreeNode : public TAVLtreeNode {
 public:
  // With a tree, the node adds itself; a duplicate key raises EAVLtreeException.
  TIntKeyAVLtreeNode(TAVLtree* tree, std::int32_t key);
  ~TIntKeyAVLtreeNode() override { LeaveTree(); }
  // -1, 0 or 1: the order of the keys, for any two keys.
  std::int32_t Compare(const TBalancedTree* other) const override;
  const std::int32_t Key;
};

class TStringKeyAVLtreeNode : public TAVLtreeNode {
 public:
  TStringKeyAVLtreeNode(TAVLtree* tree, const std::string& key);
  ~TStringKeyAVLtreeNode() override { LeaveTree(); }
  // The holding tree's CompareKeys decides the order.
  std::int32_t Compare(const TBalancedTree* other) const override;
  const std::string Key;
};

class TFloatKeyAVLtreeNode : public TAVLtreeNode {
 public:
  TFloatKeyAVLtreeNode(TAVLtree* tree, long double key);
  ~TFloatKeyAVLtreeNode() override { LeaveTree(); }
  std::int32_t Compare(const TBalancedTree* other) const override;
  const long double Key;
};

class TIntKeyAVLtree : public TTypedAVLtree<TIntKeyAVLtreeNode, std::int32_t> {
 public:
  using TTypedAVLtree::TTypedAVLtree;
  const char* ClassName() const override { return "TIntKeyAVLtree"; }
};

// Texts compared ignoring case under the user's locale.
class TStringKeyAVLtree : public TTypedAVLtree<TStringKeyAVLtreeNode, std::string> {
 public:
  using TTypedAVLtree::TTypedAVLtree;
  const char* ClassName() const override { return "TStringKeyAVLtree"; }
  virtual std::int32_t CompareKeys(const std::string& a, const std::string& b) const;

 protected:
  int CompareKey(const std::string& a, const std::string& b) const override { return CompareKeys(a, b); }
};

// Texts compared byte by byte, case-sensitive.
class TBinaryKeyAVLtree : public TStringKeyAVLtree {
 public:
  using TStringKeyAVLtree::TStringKeyAVLtree;
  const char* ClassName() const override { return "TBinaryKeyAVLtree"; }
  std::int32_t CompareKeys(const std::string& a, const std::string& b) const override;
};

class TFloatKeyAVLtree : public TTypedAVLtree<TFloatKeyAVLtreeNode, long double> {
 public:
  using TTypedAVLtree::TTypedAVLtree;
  const char* ClassName() const override { return "TFloatKeyAVLtree"; }
  static int CompareFloats(long double a, long double b);

 protected:
  int CompareKey(const long double& a, const long double& b) const override { return CompareFloats(a, b); }
};

}  // namespace savkit
