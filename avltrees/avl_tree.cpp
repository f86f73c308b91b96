#include "savkit/avltrees/avl_tree.h"

#include <cmath>

#include "savkit/host/format.h"
#include "savkit/host/sysutils.h"
#include "savkit/host/variant.h"
#include "unlink_path.h"

namespace savkit {

TAVLtreeNode::~TAVLtreeNode() {
  // Compare is gone by now: find the node by identity. Subclasses normally
  // left the tree already in their own destructor.
  if (tree_) {
    detail::AVLPath path;
    if (detail::PathByIdentity(tree_->root_, this, path)) detail::UnlinkAt(&tree_->root_, path, this);
    tree_ = nullptr;
  }
  Left = Right = nullptr;  // owns nothing
}

void TAVLtreeNode::LeaveTree() {
  if (tree_) tree_->Unlink(this);
}

void TAVLtreeNode::SetTree(TAVLtree* tree) {
  if (tree_ == tree) return;
  LeaveTree();
  if (!tree) return;
  tree_ = tree;
  if (gbt_insert(&tree->root_, this)) tree_ = nullptr;
}

TAVLtree::~TAVLtree() {
  // Post-order with borrowed links: each node is destroyed after its children.
  TBalancedTree* prev = nullptr;
  TBalancedTree* cur = root_;
  while (cur) {
    const std::uint8_t side = cur->Left ? kAVLLeft : cur->Right ? kAVLRight : 0;
    if (side) {
      TBalancedTree* const child = cur->Child(side);
      cur->Child(side) = prev;
      cur->Direction = side;
      prev = cur;
      cur = child;
      continue;
    }
    static_cast<TAVLtreeNode*>(cur)->tree_ = nullptr;
    delete cur;
    if (!prev) break;
    TBalancedTree* const parent = prev->Child(prev->Direction);
    prev->Child(prev->Direction) = nullptr;
    cur = prev;
    prev = parent;
  }
  root_ = nullptr;
}

TAVLtreeNode* TAVLtree::AddNodeEx(TAVLtreeNode* node, bool& added) {
  added = false;
  if (!node) return nullptr;
  node->SetTree(this);
  added = node->Tree() == this;
  return added ? node : nullptr;
}

bool TAVLtree::AddNode(TAVLtreeNode* node) {
  bool added;
  AddNodeEx(node, added);
  return added;
}

bool TAVLtree::Unlink(TAVLtreeNode* node) {
  // Only a node of this tree: removal by key would take out another node.
  if (!node || node->tree_ != this) return false;
  if (!gbt_unlink(&root_, node)) return false;
  node->tree_ = nullptr;
  return true;
}

TAVLtreeNode* TAVLtree::RecursiveBeat(const TAVLtreeTreateNodeEvent& callback, void* data) {
  return root_ ? static_cast<TAVLtreeNode*>(root_->RecursiveBeat(callback, data)) : nullptr;
}

namespace {

[[noreturn]] void Duplicate(const std::string& key, const TAVLtree* tree) {
  throw EAVLtreeException(Format("Attempt to insert duplicate key %s into %s", key, tree->ClassName()));
}

template <class T>
std::int32_t Order(T a, T b) {
  return (a > b) - (a < b);
}

}  // namespace

TIntKeyAVLtreeNode::TIntKeyAVLtreeNode(TAVLtree* tree, std::int32_t key) : Key(key) {
  if (tree && !tree->AddNode(this)) Duplicate(std::to_string(key), tree);
}

std::int32_t TIntKeyAVLtreeNode::Compare(const TBalancedTree* other) const {
  return Order(Key, static_cast<const TIntKeyAVLtreeNode*>(other)->Key);
}

TStringKeyAVLtreeNode::TStringKeyAVLtreeNode(TAVLtree* tree, const std::string& key) : Key(key) {
  if (tree && !tree->AddNode(this)) Duplicate("'" + key + "'", tree);
}

std::int32_t TStringKeyAVLtreeNode::Compare(const TBalancedTree* other) const {
  const std::string& otherKey = static_cast<const TStringKeyAVLtreeNode*>(other)->Key;
  if (const auto* tree = dynamic_cast<const TStringKeyAVLtree*>(Tree())) return tree->CompareKeys(Key, otherKey);
  return AnsiCompareText(Key, otherKey);
}

TFloatKeyAVLtreeNode::TFloatKeyAVLtreeNode(TAVLtree* tree, long double key) : Key(key) {
  if (tree && !tree->AddNode(this)) Duplicate(FloatToStr(static_cast<double>(key)), tree);
}

std::int32_t TFloatKeyAVLtreeNode::Compare(const TBalancedTree* other) const {
  return TFloatKeyAVLtree::CompareFloats(Key, static_cast<const TFloatKeyAVLtreeNode*>(other)->Key);
}

int TFloatKeyAVLtree::CompareFloats(long double a, long double b) {
  // NaN sorts after every number, so it cannot pass for an equal of them.
  const bool nanA = std::isnan(a), nanB = std::isnan(b);
  if (nanA || nanB) return nanA - nanB;
  return Order(a, b);
}

std::int32_t TStringKeyAVLtree::CompareKeys(const std::string& a, const std::string& b) const {
  return AnsiCompareText(a, b);
}

std::int32_t TBinaryKeyAVLtree::CompareKeys(const std::string& a, const std::string& b) const {
  return CompareStr(a, b);
}

}  // namespace savkit
