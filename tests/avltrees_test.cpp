#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "savkit/avltrees.h"

using namespace savkit;

namespace {

// Height of the subtree; fails the test when order or balance marks are wrong.
int CheckAVL(const TBalancedTree* node, const TBalancedTree* low = nullptr, const TBalancedTree* high = nullptr) {
  if (!node) return 0;
  if (low) {
    EXPECT_GT(node->Compare(low), 0);
  }
  if (high) {
    EXPECT_LT(node->Compare(high), 0);
  }
  const int l = CheckAVL(node->Left, low, node);
  const int r = CheckAVL(node->Right, node, high);
  EXPECT_LE(std::abs(l - r), 1);
  const std::uint8_t expected = l == r ? 0 : l > r ? kAVLLeft : kAVLRight;
  EXPECT_EQ(node->Balance, expected);
  return 1 + std::max(l, r);
}

std::vector<std::int32_t> Keys(const TBalancedTree* root) {
  std::vector<std::int32_t> keys;
  if (root)
    const_cast<TBalancedTree*>(root)->RecursiveBeat(
        [&](TBalancedTree* n, void*) {
          keys.push_back(static_cast<TIntKeyAVLtreeNode*>(n)->Key);
          return false;
        },
        nullptr);
  return keys;
}

// The exact shape of a tree: key, balance and children of every node, pre-order.
void Shape(const TBalancedTree* n, std::vector<std::int64_t>& out) {
  if (!n) {
    out.push_back(INT64_MIN);
    return;
  }
  out.push_back(static_cast<const TIntKeyAVLtreeNode*>(n)->Key);
  out.push_back(n->Balance);
  Shape(n->Left, out);
  Shape(n->Right, out);
}

// Counts live nodes, to see that each is destroyed exactly once.
struct CountedNode : TIntKeyAVLtreeNode {
  static inline int live = 0;
  CountedNode(TAVLtree* tree, std::int32_t key) : TIntKeyAVLtreeNode(tree, key) { ++live; }
  ~CountedNode() override { --live; }
};

// A raw node: owns its subtrees.
struct RawNode : TBalancedTree {
  static inline int live = 0;
  explicit RawNode(int k) : key(k) { ++live; }
  ~RawNode() override { --live; }
  std::int32_t Compare(const TBalancedTree* other) const override {
    const int o = static_cast<const RawNode*>(other)->key;
    return (key > o) - (key < o);
  }
  int key;
};

}  // namespace

TEST(IntKeyTree, AscendingInsertsGiveAPerfectTree) {
  TIntKeyAVLtree tree;
  for (int k = 1; k <= 7; ++k) ASSERT_NE(tree.Add(k), nullptr);
  EXPECT_EQ(static_cast<TIntKeyAVLtreeNode*>(tree.Root())->Key, 4);
  EXPECT_EQ(CheckAVL(tree.Root()), 3);
  EXPECT_EQ(Keys(tree.Root()), (std::vector<std::int32_t>{1, 2, 3, 4, 5, 6, 7}));
}

TEST(IntKeyTree, DuplicatesAreRefusedOrRaised) {
  TIntKeyAVLtree tree;
  for (int k : {3, 5, 8}) tree.Add(k);
  std::vector<std::int64_t> before, after;
  Shape(tree.Root(), before);
  EXPECT_EQ(tree.Add(5), nullptr);
  Shape(tree.Root(), after);
  EXPECT_EQ(before, after);
  try {
    new TIntKeyAVLtreeNode(&tree, 5);
    FAIL() << "no exception";
  } catch (const EAVLtreeException& e) {
    EXPECT_STREQ(e.what(), "Attempt to insert duplicate key 5 into TIntKeyAVLtree");
  }
  // A node made with a tree is held by it and destroyed with it.
  auto* n = new TIntKeyAVLtreeNode(&tree, 6);
  EXPECT_EQ(n->Tree(), &tree);
  EXPECT_EQ(tree.Find(6), n);
}

TEST(IntKeyTree, ExtremeKeysKeepTheirOrder) {
  // Subtracting these keys would overflow and invert the order.
  TIntKeyAVLtree tree;
  for (int k : {0, INT_MAX, INT_MIN, -1, 1, INT_MAX - 1, INT_MIN + 1}) ASSERT_NE(tree.Add(k), nullptr);
  CheckAVL(tree.Root());
  EXPECT_EQ(Keys(tree.Root()), (std::vector<std::int32_t>{INT_MIN, INT_MIN + 1, -1, 0, 1, INT_MAX - 1, INT_MAX}));
  EXPECT_EQ(tree.Find(INT_MIN)->Key, INT_MIN);
  EXPECT_EQ(tree.FindMinKeyMoreThan(2)->Key, INT_MAX - 1);
}

TEST(IntKeyTree, FloorCeilingAndFindOrCreate) {
  TIntKeyAVLtree tree;
  for (int k : {10, 20, 30}) tree.Add(k);
  EXPECT_EQ(tree.FindMaxKeyLessThan(25)->Key, 20);
  EXPECT_EQ(tree.FindMaxKeyLessThan(20)->Key, 20);
  EXPECT_EQ(tree.FindMaxKeyLessThan(5), nullptr);
  EXPECT_EQ(tree.FindMinKeyMoreThan(25)->Key, 30);
  EXPECT_EQ(tree.FindMinKeyMoreThan(30)->Key, 30);
  EXPECT_EQ(tree.FindMinKeyMoreThan(35), nullptr);
  EXPECT_EQ(tree.Find(25), nullptr);

  TIntKeyAVLtreeNode* a = tree.Get(15);
  EXPECT_EQ(tree.Get(15), a);
  EXPECT_EQ(a->Tree(), &tree);
  EXPECT_EQ(Keys(tree.Root()), (std::vector<std::int32_t>{10, 15, 20, 30}));
  EXPECT_EQ(tree.Get(20), tree.Find(20));
}

TEST(IntKeyTree, NodesOfASubclassCarryTheirFields) {
  struct IndexedNode : TIntKeyAVLtreeNode {
    using TIntKeyAVLtreeNode::TIntKeyAVLtreeNode;
    int Index = -1;
  };
  TIntKeyAVLtree tree(&TIntKeyAVLtree::NewNode<IndexedNode>);
  static_cast<IndexedNode*>(tree.Add(7))->Index = 3;
  EXPECT_EQ(static_cast<IndexedNode*>(tree.Find(7))->Index, 3);
}

TEST(AVLtree, DestroyingNodesAndTreesFreesEachNodeOnce) {
  {
    TIntKeyAVLtree tree(&TIntKeyAVLtree::NewNode<CountedNode>);
    for (int k = 0; k < 100; ++k) tree.Add(k * 7 % 100);
    EXPECT_EQ(CountedNode::live, 100);
    delete tree.Find(42);
    delete tree.Find(0);
    EXPECT_EQ(CountedNode::live, 98);
    EXPECT_EQ(tree.Find(42), nullptr);
    CheckAVL(tree.Root());
    EXPECT_EQ(Keys(tree.Root()).size(), 98u);
    // A node taken out of its tree is the caller's to destroy.
    TIntKeyAVLtreeNode* n = tree.Find(50);
    EXPECT_TRUE(tree.Unlink(n));
    EXPECT_EQ(n->Tree(), nullptr);
    EXPECT_FALSE(tree.Unlink(n));
    delete n;
  }
  EXPECT_EQ(CountedNode::live, 0);
}

TEST(AVLtree, SetTreeMovesANodeUnlessTheKeyIsTaken) {
  TIntKeyAVLtree a, b;
  a.Add(1);
  b.Add(2);
  TIntKeyAVLtreeNode* n = a.Find(1);
  n->SetTree(&b);
  EXPECT_EQ(n->Tree(), &b);
  EXPECT_EQ(a.Root(), nullptr);
  EXPECT_EQ(Keys(b.Root()), (std::vector<std::int32_t>{1, 2}));
  a.Add(1);
  n->SetTree(&a);  // a already holds 1: the node ends up in no tree
  EXPECT_EQ(n->Tree(), nullptr);
  EXPECT_EQ(Keys(b.Root()), (std::vector<std::int32_t>{2}));
  delete n;
  bool added = true;
  EXPECT_EQ(a.AddNodeEx(nullptr, added), nullptr);
  EXPECT_FALSE(added);
}

TEST(AVLtree, RemovingEveryNodeKeepsTheTreeBalanced) {
  std::mt19937 rng(7);
  TIntKeyAVLtree tree(&TIntKeyAVLtree::NewNode<CountedNode>);
  std::vector<int> keys(1000);
  for (int i = 0; i < 1000; ++i) keys[i] = i * 3;
  std::shuffle(keys.begin(), keys.end(), rng);
  for (int k : keys) tree.Add(k);
  CheckAVL(tree.Root());
  std::shuffle(keys.begin(), keys.end(), rng);
  std::set<int> left(keys.begin(), keys.end());
  for (int k : keys) {
    delete tree.Find(k);
    left.erase(k);
    ASSERT_FALSE(::testing::Test::HasFailure());
    CheckAVL(tree.Root());
    if (left.size() % 97 == 0) {
      ASSERT_EQ(Keys(tree.Root()), std::vector<std::int32_t>(left.begin(), left.end()));
    }
  }
  EXPECT_EQ(tree.Root(), nullptr);
  EXPECT_EQ(CountedNode::live, 0);
}

TEST(RawTree, InsertReplaceAndUnlinkAgreeWithASet) {
  std::mt19937 rng(11);
  TBalancedTree* root = nullptr;
  std::set<int> model;
  std::uniform_int_distribution<int> key(0, 499), op(0, 9);
  for (int i = 0; i < 20000; ++i) {
    const int k = key(rng);
    const int o = op(rng);
    if (o < 5) {
      auto* n = new RawNode(k);
      TBalancedTree* existing = gbt_insert(&root, n);
      EXPECT_EQ(existing != nullptr, model.count(k) == 1);
      if (existing) delete n;
      model.insert(k);
    } else if (o < 6) {
      auto* n = new RawNode(k);
      TBalancedTree* old = gbt_replace(&root, n);
      ASSERT_EQ(old != nullptr, model.count(k) == 1);
      if (old) {
        EXPECT_EQ(old->Left, nullptr);
        EXPECT_EQ(old->Right, nullptr);
        EXPECT_EQ(old->Balance, 0);
        delete old;
      }
      model.insert(k);
    } else {
      RawNode probe(k);
      TBalancedTree* found = root ? root->Find(&probe) : nullptr;
      EXPECT_EQ(gbt_unlink(&root, &probe), model.count(k) == 1);
      delete found;  // detached by the unlink
      model.erase(k);
    }
    if (i % 500 == 0) CheckAVL(root);
    ASSERT_FALSE(::testing::Test::HasFailure()) << "step " << i;
  }
  CheckAVL(root);
  EXPECT_EQ(gbt_insert(nullptr, &*std::make_unique<RawNode>(1)), nullptr);  // no root variable: nothing
  delete root;                                                              // a raw node destroys its subtrees
  EXPECT_EQ(RawNode::live, 0);
}

TEST(RawTree, ClassLevelAddDestroysTheDuplicate) {
  TBalancedTree* root = nullptr;
  bool existed = true;
  TBalancedTree* a = TBalancedTree::Add(&root, new RawNode(1), existed);
  EXPECT_FALSE(existed);
  EXPECT_EQ(TBalancedTree::Add(&root, new RawNode(1), existed), a);
  EXPECT_TRUE(existed);
  EXPECT_EQ(TBalancedTree::AddItem(&root, new RawNode(1), false), a);
  EXPECT_THROW(
      {
        try {
          TBalancedTree::AddItem(&root, new RawNode(1), true);
        } catch (const EAVLtreeException& e) {
          EXPECT_STREQ(e.what(), "Duplicated key");
          throw;
        }
      },
      EAVLtreeException);
  EXPECT_EQ(RawNode::live, 1);
  delete root;
}

TEST(Beat, StopsEarlyAndLeavesTheTreeAsItWas) {
  TIntKeyAVLtree tree;
  for (int k = 1; k <= 20; ++k) tree.Add(k * 5 % 21);
  std::vector<std::int64_t> before, after;
  Shape(tree.Root(), before);

  std::vector<std::int32_t> seen;
  TBalancedTree* stop = tree.Root()->Beat(
      [&](TBalancedTree* n, void* data) {
        EXPECT_EQ(data, &seen);
        seen.push_back(static_cast<TIntKeyAVLtreeNode*>(n)->Key);
        return seen.size() == 3;
      },
      &seen);
  EXPECT_EQ(seen, (std::vector<std::int32_t>{1, 2, 3}));
  EXPECT_EQ(static_cast<TIntKeyAVLtreeNode*>(stop)->Key, 3);
  Shape(tree.Root(), after);
  EXPECT_EQ(before, after);

  // A full walk visits every node in order and restores every link too.
  seen.clear();
  EXPECT_EQ(tree.Root()->Beat(
                [&](TBalancedTree* n, void*) {
                  seen.push_back(static_cast<TIntKeyAVLtreeNode*>(n)->Key);
                  return false;
                },
                nullptr),
            nullptr);
  EXPECT_EQ(seen, Keys(tree.Root()));
  EXPECT_EQ(seen.size(), 20u);
  after.clear();
  Shape(tree.Root(), after);
  EXPECT_EQ(before, after);

  // A callback that throws does not leave borrowed links behind.
  int calls = 0;
  EXPECT_THROW(tree.Root()->Beat(
                   [&](TBalancedTree*, void*) -> bool {
                     if (++calls == 7) throw std::runtime_error("stop");
                     return false;
                   },
                   nullptr),
               std::runtime_error);
  after.clear();
  Shape(tree.Root(), after);
  EXPECT_EQ(before, after);
  EXPECT_EQ(static_cast<TIntKeyAVLtreeNode*>(
                tree.RecursiveBeat(
                    [](TBalancedTree* n, void*) { return static_cast<TIntKeyAVLtreeNode*>(n)->Key == 9; }, nullptr))
                ->Key,
            9);
}

TEST(StringTrees, LocaleTreeIgnoresCaseBinaryTreeDoesNot) {
  TStringKeyAVLtree names;
  names.Add("AGE");
  names.Add("Über");
  EXPECT_NE(names.Find("age"), nullptr);
  EXPECT_NE(names.Find("über"), nullptr);
  EXPECT_EQ(names.Add("Age"), nullptr);
  try {
    new TStringKeyAVLtreeNode(&names, "age");
    FAIL() << "no exception";
  } catch (const EAVLtreeException& e) {
    EXPECT_STREQ(e.what(), "Attempt to insert duplicate key 'age' into TStringKeyAVLtree");
  }

  TBinaryKeyAVLtree exact;
  exact.Add("AGE");
  EXPECT_EQ(exact.Find("age"), nullptr);
  EXPECT_NE(exact.Add("age"), nullptr);
  EXPECT_EQ(exact.FindMinKeyMoreThan("B")->Key, "age");  // ordinal: lower case after upper

  TStringBTree* root = nullptr;
  TBalancedTree* raw = nullptr;
  for (const char* k : {"delta", "Alpha", "charlie", "Bravo"}) gbt_insert(&raw, new TStringBTree(k));
  root = static_cast<TStringBTree*>(raw);
  ASSERT_NE(root->FindKey("CHARLIE"), nullptr);
  EXPECT_EQ(root->FindKey("CHARLIE")->Key, "charlie");
  EXPECT_EQ(root->FindKey("echo"), nullptr);
  delete root;
}

TEST(FloatTree, OrdersKeysAndNamesDuplicates) {
  TFloatKeyAVLtree tree;
  for (long double k : {2.5L, -1.0L, 1e300L, 0.0L}) tree.Add(k);
  EXPECT_EQ(tree.FindMaxKeyLessThan(2.4L)->Key, 0.0L);
  EXPECT_EQ(tree.FindMinKeyMoreThan(2.4L)->Key, 2.5L);
  EXPECT_EQ(tree.Add(-0.0L), nullptr);
  ASSERT_NE(tree.Add(std::numeric_limits<long double>::quiet_NaN()), nullptr);
  EXPECT_NE(tree.Add(3.0L), nullptr);  // NaN is not equal to every key
  CheckAVL(tree.Root());
  try {
    new TFloatKeyAVLtreeNode(&tree, 2.5L);
    FAIL() << "no exception";
  } catch (const EAVLtreeException& e) {
    EXPECT_STREQ(e.what(), "Attempt to insert duplicate key 2.5 into TFloatKeyAVLtree");
  }
}
