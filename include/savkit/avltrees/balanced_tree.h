// Raw AVL trees whose nodes are objects: a node is its own tree, the root node
// stands for the whole tree, and node subclasses carry the key and Compare.
// Insertion and removal are iterative; no node has a parent link.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "savkit/host/exceptions.h"

namespace savkit {

class EAVLtreeException : public Exception {
  using Exception::Exception;
};

// Balance and Direction values. They double as the side of a child: Balance
// names the heavier side, Direction the side the last descent took, and the
// opposite side of s is s ^ 12.
inline constexpr std::uint8_t kAVLLeft = 4;
inline constexpr std::uint8_t kAVLRight = 8;

class TBalancedTree;

// Called for each node of a walk, in key order; answering true stops the walk.
using TAVLtreeTreateNodeEvent = std::function<bool(TBalancedTree* node, void* data)>;

class TBalancedTree {
 public:
  TBalancedTree* Left = nullptr;
  TBalancedTree* Right = nullptr;
  std::uint8_t Balance = 0;    // 0 balanced, kAVLLeft or kAVLRight: the higher side
  std::uint8_t Direction = 0;  // scratch mark of the routines; no meaning between calls

  TBalancedTree() = default;
  TBalancedTree(const TBalancedTree&) = delete;
  TBalancedTree& operator=(const TBalancedTree&) = delete;
  // A raw node owns its subtrees and destroys them with itself.
  virtual ~TBalancedTree();

  // Below 0 when this node sorts before other, 0 for equal keys.
  virtual std::int32_t Compare(const TBalancedTree* other) const = 0;

  TBalancedTree*& Child(std::uint8_t side) { return side == kAVLLeft ? Left : Right; }

  // Inserts node; when an equal node exists, destroys node, sets existed and
  // returns the existing one. Otherwise returns node.
  static TBalancedTree* Add(TBalancedTree** root, TBalancedTree* node, bool& existed);
  // As Add; on a duplicate raises EAVLtreeException "Duplicated key" when
  // raiseOnDuplicate is set (node is destroyed either way).
  static TBalancedTree* AddItem(TBalancedTree** root, TBalancedTree* node, bool raiseOnDuplicate);

  // The node of the tree rooted here that compares equal to probe, or null.
  TBalancedTree* Find(const TBalancedTree* probe);

  // In-order walk without recursion or stack: child links are borrowed on the
  // way down and restored on the way up, also when the callback stops the walk
  // or throws. The tree must not be used otherwise during the walk. Returns the
  // node at which the callback answered true, or null.
  TBalancedTree* Beat(const TAVLtreeTreateNodeEvent& callback, void* data);
  // The same walk by recursion.
  TBalancedTree* RecursiveBeat(const TAVLtreeTreateNodeEvent& callback, void* data);
};

// Inserts node (which must have no children and Balance 0). Returns null after
// inserting, or the existing node with an equal key and leaves the tree as it
// was. A null root does nothing.
TBalancedTree* gbt_insert(TBalancedTree** root, TBalancedTree* node);
// As gbt_insert, but a node with an equal key is replaced by node, which takes
// its children, balance and link; the old node is returned detached.
TBalancedTree* gbt_replace(TBalancedTree** root, TBalancedTree* node);
// Removes node, or the node with a key equal to it, and rebalances. The removed
// node is left detached. False when there is no such node.
bool gbt_unlink(TBalancedTree** root, TBalancedTree* node);

// A raw tree keyed by text, compared ignoring case under the user's locale.
class TStringBTree : public TBalancedTree {
 public:
  explicit TStringBTree(std::string key) : Key(std::move(key)) {}
  std::string Key;

  std::int32_t Compare(const TBalancedTree* other) const override;
  TStringBTree* FindKey(const std::string& key);
};

}  // namespace savkit
