// Removal of a node once the path to it is known; shared by removal by key and
// by identity.
#pragma once

#include "savkit/avltrees/balanced_tree.h"

namespace savkit::detail {

// Deep enough for any AVL tree that fits in memory: the smallest tree of
// height 64 has more than 10^13 nodes.
inline constexpr int kMaxAVLPath = 64;

struct AVLPath {
  TBalancedTree* node[kMaxAVLPath];
  std::uint8_t dir[kMaxAVLPath];
  int depth = 0;
};

// path holds the ancestors of x from the root down, with the side taken from each.
void UnlinkAt(TBalancedTree** root, AVLPath& path, TBalancedTree* x);

// Finds the path to node by identity, without comparing keys. False if absent.
bool PathByIdentity(TBalancedTree* root, const TBalancedTree* node, AVLPath& path);

}  // namespace savkit::detail
