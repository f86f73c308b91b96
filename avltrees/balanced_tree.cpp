#include "savkit/avltrees/balanced_tree.h"

#include <exception>

#include "savkit/host/sysutils.h"
#include "unlink_path.h"

namespace savkit {

namespace {

constexpr std::uint8_t Opposite(std::uint8_t side) { return side ^ 12; }

std::uint8_t SideOf(std::int32_t c) { return c < 0 ? kAVLLeft : kAVLRight; }

}  // namespace

TBalancedTree::~TBalancedTree() {
  TBalancedTree* l = Left;
  TBalancedTree* r = Right;
  Left = Right = nullptr;
  delete l;
  delete r;
}

TBalancedTree* gbt_insert(TBalancedTree** root, TBalancedTree* node) {
  if (!root) return nullptr;
  if (!*root) {
    *root = node;
    return nullptr;
  }
  // The balance point is the last node on the way that is not balanced; only
  // it can need a rotation.
  TBalancedTree** balanceLink = root;
  TBalancedTree* p = *root;
  for (;;) {
    const std::int32_t c = node->Compare(p);
    if (c == 0) return p;
    p->Direction = SideOf(c);
    TBalancedTree*& next = p->Child(p->Direction);
    if (!next) {
      next = node;
      break;
    }
    if (next->Balance != 0) balanceLink = &next;
    p = next;
  }

  TBalancedTree* const b = *balanceLink;
  const std::uint8_t d = b->Direction;
  for (TBalancedTree* q = b->Child(d); q != node; q = q->Child(q->Direction)) q->Balance = q->Direction;

  if (b->Balance != d) {
    b->Balance = b->Balance == 0 ? d : 0;
    return nullptr;
  }

  const std::uint8_t o = Opposite(d);
  TBalancedTree* const q = b->Child(d);
  if (q->Balance == d) {
    b->Child(d) = q->Child(o);
    q->Child(o) = b;
    b->Balance = q->Balance = 0;
    *balanceLink = q;
  } else {
    TBalancedTree* const g = q->Child(o);
    q->Child(o) = g->Child(d);
    g->Child(d) = q;
    b->Child(d) = g->Child(o);
    g->Child(o) = b;
    if (g->Balance == 0) {
      b->Balance = q->Balance = 0;
    } else if (g->Balance == d) {
      b->Balance = o;
      q->Balance = 0;
    } else {
      b->Balance = 0;
      q->Balance = d;
    }
    g->Balance = 0;
    *balanceLink = g;
  }
  return nullptr;
}

TBalancedTree* gbt_replace(TBalancedTree** root, TBalancedTree* node) {
  if (!root) return nullptr;
  TBalancedTree** link = root;
  for (TBalancedTree* p = *root; p; p = *link) {
    const std::int32_t c = node->Compare(p);
    if (c == 0) {
      node->Left = p->Left;
      node->Right = p->Right;
      node->Balance = p->Balance;
      *link = node;
      p->Left = p->Right = nullptr;
      p->Balance = 0;
      return p;
    }
    link = &p->Child(SideOf(c));
  }
  return gbt_insert(root, node);
}

namespace detail {

void UnlinkAt(TBalancedTree** root, AVLPath& path, TBalancedTree* x) {
  auto linkOf = [&](int i) -> TBalancedTree*& { return i == 0 ? *root : path.node[i - 1]->Child(path.dir[i - 1]); };
  int k = path.depth;
  TBalancedTree*& xLink = linkOf(k);

  if (!x->Right) {
    if (x->Left) x->Left->Balance = 0;
    xLink = x->Left;
  } else if (!x->Right->Left) {
    TBalancedTree* r = x->Right;
    r->Left = x->Left;
    r->Balance = x->Balance;
    xLink = r;
    path.node[k] = r;
    path.dir[k] = kAVLRight;
    ++k;
  } else {
    // The leftmost node s of the right subtree takes x's place.
    const int xPos = k++;
    TBalancedTree* parent = x->Right;
    path.node[k] = parent;
    path.dir[k] = kAVLLeft;
    ++k;
    TBalancedTree* s = parent->Left;
    while (s->Left) {
      parent = s;
      path.node[k] = s;
      path.dir[k] = kAVLLeft;
      ++k;
      s = s->Left;
    }
    parent->Left = s->Right;
    s->Left = x->Left;
    s->Right = x->Right;
    s->Balance = x->Balance;
    xLink = s;
    path.node[xPos] = s;
    path.dir[xPos] = kAVLRight;
  }
  x->Left = x->Right = nullptr;
  x->Balance = 0;

  // Walk up while the subtree on the recorded side got shorter.
  while (k > 0) {
    --k;
    TBalancedTree* const p = path.node[k];
    const std::uint8_t d = path.dir[k];
    const std::uint8_t o = Opposite(d);
    TBalancedTree*& link = linkOf(k);
    if (p->Balance == 0) {
      p->Balance = o;
      return;
    }
    if (p->Balance == d) {
      p->Balance = 0;
      continue;
    }
    TBalancedTree* const s = p->Child(o);
    if (s->Balance != d) {
      const bool siblingBalanced = s->Balance == 0;
      p->Child(o) = s->Child(d);
      s->Child(d) = p;
      link = s;
      if (siblingBalanced) {
        p->Balance = o;
        s->Balance = d;
        return;  // the subtree kept its height
      }
      p->Balance = s->Balance = 0;
    } else {
      TBalancedTree* const g = s->Child(d);
      s->Child(d) = g->Child(o);
      g->Child(o) = s;
      p->Child(o) = g->Child(d);
      g->Child(d) = p;
      if (g->Balance == 0) {
        p->Balance = s->Balance = 0;
      } else if (g->Balance == o) {
        p->Balance = d;
        s->Balance = 0;
      } else {
        p->Balance = 0;
        s->Balance = o;
      }
      g->Balance = 0;
      link = g;
    }
  }
}

namespace {

bool Descend(TBalancedTree* at, const TBalancedTree* node, AVLPath& path) {
  if (at == node) return true;
  for (const std::uint8_t side : {kAVLLeft, kAVLRight}) {
    TBalancedTree* child = at->Child(side);
    if (!child) continue;
    path.node[path.depth] = at;
    path.dir[path.depth] = side;
    ++path.depth;
    if (Descend(child, node, path)) return true;
    --path.depth;
  }
  return false;
}

}  // namespace

bool PathByIdentity(TBalancedTree* root, const TBalancedTree* node, AVLPath& path) {
  path.depth = 0;
  return root && Descend(root, node, path);
}

}  // namespace detail

bool gbt_unlink(TBalancedTree** root, TBalancedTree* node) {
  if (!root || !*root || !node) return false;
  detail::AVLPath path;
  TBalancedTree* p = *root;
  while (p && p != node) {
    const std::int32_t c = node->Compare(p);
    if (c == 0) break;
    path.node[path.depth] = p;
    path.dir[path.depth] = SideOf(c);
    ++path.depth;
    p = p->Child(SideOf(c));
  }
  if (!p) return false;
  detail::UnlinkAt(root, path, p);
  return true;
}

TBalancedTree* TBalancedTree::Add(TBalancedTree** root, TBalancedTree* node, bool& existed) {
  TBalancedTree* found = gbt_insert(root, node);
  existed = found != nullptr;
  if (!existed) return node;
  delete node;
  return found;
}

TBalancedTree* TBalancedTree::AddItem(TBalancedTree** root, TBalancedTree* node, bool raiseOnDuplicate) {
  bool existed;
  TBalancedTree* result = Add(root, node, existed);
  if (existed && raiseOnDuplicate) throw EAVLtreeException("Duplicated key");
  return result;
}

TBalancedTree* TBalancedTree::Find(const TBalancedTree* probe) {
  for (TBalancedTree* p = this; p;) {
    const std::int32_t c = probe->Compare(p);
    if (c == 0) return p;
    p = p->Child(SideOf(c));
  }
  return nullptr;
}

TBalancedTree* TBalancedTree::Beat(const TAVLtreeTreateNodeEvent& callback, void* data) {
  TBalancedTree* prev = nullptr;  // the parent, kept in the borrowed child link
  TBalancedTree* cur = this;
  TBalancedTree* found = nullptr;
  std::exception_ptr failure;
  bool stopped = false;  // once set, the walk only climbs back, restoring links

  auto goDown = [&](std::uint8_t side) {
    TBalancedTree* const child = cur->Child(side);
    cur->Child(side) = prev;
    cur->Direction = side;
    prev = cur;
    cur = child;
  };

  enum class Step { Down, Visit, Up } step = Step::Down;
  for (;;) {
    switch (step) {
      case Step::Down:
        while (cur->Left) goDown(kAVLLeft);
        step = Step::Visit;
        break;
      case Step::Visit:
        try {
          if (callback(cur, data)) found = cur;
        } catch (...) {
          failure = std::current_exception();
        }
        stopped = found || failure;
        if (!stopped && cur->Right) {
          goDown(kAVLRight);
          step = Step::Down;
        } else {
          step = Step::Up;
        }
        break;
      case Step::Up: {
        if (!prev) {
          if (failure) std::rethrow_exception(failure);
          return found;
        }
        const std::uint8_t side = prev->Direction;
        TBalancedTree* const parent = prev->Child(side);
        prev->Child(side) = cur;
        cur = prev;
        prev = parent;
        // Back from a left subtree, the node itself is next in order.
        if (side == kAVLLeft && !stopped) step = Step::Visit;
        break;
      }
    }
  }
}

namespace {

bool Walk(TBalancedTree* node, const TAVLtreeTreateNodeEvent& callback, void* data, TBalancedTree*& found) {
  if (!node) return false;
  if (Walk(node->Left, callback, data, found)) return true;
  if (callback(node, data)) {
    found = node;
    return true;
  }
  return Walk(node->Right, callback, data, found);
}

}  // namespace

TBalancedTree* TBalancedTree::RecursiveBeat(const TAVLtreeTreateNodeEvent& callback, void* data) {
  TBalancedTree* found = nullptr;
  Walk(this, callback, data, found);
  return found;
}

std::int32_t TStringBTree::Compare(const TBalancedTree* other) const {
  return AnsiCompareText(Key, static_cast<const TStringBTree*>(other)->Key);
}

TStringBTree* TStringBTree::FindKey(const std::string& key) {
  for (TBalancedTree* p = this; p;) {
    const int c = AnsiCompareText(key, static_cast<TStringBTree*>(p)->Key);
    if (c == 0) return static_cast<TStringBTree*>(p);
    p = p->Child(SideOf(c));
  }
  return nullptr;
}

}  // namespace savkit
