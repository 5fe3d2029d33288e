// Building a Huffman tree and ordering its child pairs so that every node reaches its pair.
#include "compress/bios/huffman_tree.h"

#include <algorithm>
#include <cassert>
#include <optional>
#include <utility>

namespace tegulo {
namespace {

constexpr int kMaxOffset = 63;

struct TNode {
  std::uint64_t weight = 0;
  int child[2] = {-1, -1};  // -1 for a leaf
  int symbol = 0;
  int internals = 0;  // internal nodes in its subtree, itself included
};

// The standard two-queue construction over leaves sorted by weight (then symbol).
// The leaves come first in the nodes (sorted in place), the inner nodes after them.
std::vector<TNode> BuildTree(std::vector<TNode> nodes) {
  std::stable_sort(nodes.begin(), nodes.end(),
                   [](const TNode& a, const TNode& b) { return a.weight < b.weight; });
  const std::size_t leaves = nodes.size();
  nodes.reserve(2 * leaves - 1);
  std::size_t nextLeaf = 0;
  std::size_t nextInner = leaves;
  const auto take = [&]() {
    if (nextLeaf < leaves &&
        (nextInner >= nodes.size() || nodes[nextLeaf].weight <= nodes[nextInner].weight)) {
      return static_cast<int>(nextLeaf++);
    }
    return static_cast<int>(nextInner++);
  };
  for (std::size_t made = 1; made < leaves; ++made) {
    TNode inner;
    inner.child[0] = take();
    inner.child[1] = take();
    // A leaf before a node, two leaves by symbol: the order does not change the size.
    const TNode& a = nodes[inner.child[0]];
    const TNode& b = nodes[inner.child[1]];
    const bool aLeaf = a.child[0] < 0;
    const bool bLeaf = b.child[0] < 0;
    if ((!aLeaf && bLeaf) || (aLeaf && bLeaf && a.symbol > b.symbol)) {
      std::swap(inner.child[0], inner.child[1]);
    }
    inner.weight = nodes[inner.child[0]].weight + nodes[inner.child[1]].weight;
    inner.internals = 1 + nodes[inner.child[0]].internals + nodes[inner.child[1]].internals;
    nodes.push_back(inner);
  }
  return nodes;  // the root is last
}

struct TPending {
  int node;
  int deadline;  // the last slot its child pair may take
};

// Can every pending pair but the last released wait one slot? Their deadlines, sorted,
// must leave room in turn.
bool OthersCanWait(const std::vector<TPending>& pending, int slot) {
  std::vector<int> deadlines;
  for (std::size_t i = 0; i + 1 < pending.size(); ++i) deadlines.push_back(pending[i].deadline);
  std::sort(deadlines.begin(), deadlines.end());
  for (std::size_t i = 0; i < deadlines.size(); ++i) {
    if (deadlines[i] < slot + 1 + static_cast<int>(i)) return false;
  }
  return true;
}

// Slot of each internal node's child pair (the root's is 1): depth first, which keeps the
// offsets short, except where the pairs still waiting would otherwise miss their reach;
// then the earliest deadline goes first. Nothing when some pair cannot be placed in reach.
std::optional<std::vector<int>> OrderPairs(const std::vector<TNode>& nodes, bool smallerFirst) {
  const int root = static_cast<int>(nodes.size()) - 1;
  std::vector<int> slot(nodes.size(), 0);
  std::vector<TPending> pending;  // in release order; the last released is taken first
  const auto release = [&](int parent, int s) {
    int a = nodes[parent].child[0];
    int b = nodes[parent].child[1];
    if ((nodes[a].internals < nodes[b].internals) == smallerFirst) std::swap(a, b);
    for (const int c : {a, b}) {
      if (nodes[c].child[0] >= 0) pending.push_back({c, s + kMaxOffset + 1});
    }
  };
  slot[root] = 1;
  release(root, 1);
  for (int s = 2; !pending.empty(); ++s) {
    const bool canWait = OthersCanWait(pending, s);
    std::size_t pick = pending.size() - 1;
    if (!canWait) {
      for (std::size_t i = 0; i < pending.size(); ++i) {
        if (pending[i].deadline < pending[pick].deadline) pick = i;
      }
    }
    if (pending[pick].deadline < s) return std::nullopt;
    const int node = pending[pick].node;
    pending.erase(pending.begin() + static_cast<std::ptrdiff_t>(pick));
    slot[node] = s;
    release(node, s);
  }
  return slot;
}

// Writes the table: pair k + 2 holds the children of the node with slot k.
THuffmanTable Lay(const std::vector<TNode>& nodes, const std::vector<int>& slot, int symbols) {
  const int leaves = static_cast<int>(nodes.size() + 1) / 2;
  const int t = ((leaves + 1) & ~1) - 1;
  THuffmanTable out;
  out.table.assign(static_cast<std::size_t>(t + 1) * 2, 0);
  out.table[0] = static_cast<std::uint8_t>(t);
  out.codes.assign(static_cast<std::size_t>(symbols), 0);
  out.lengths.assign(static_cast<std::size_t>(symbols), 0);
  const int root = static_cast<int>(nodes.size()) - 1;
  // Depth first with the path so far: (node, its byte's index in the table, its parent's slot,
  // the path's bits, last bit lowest, and its length).
  struct TVisit {
    int node;
    std::size_t at;
    int parentSlot;
    std::uint64_t path;
    std::uint8_t depth;
  };
  std::vector<TVisit> stack{{root, 1, 0, 0, 0}};
  while (!stack.empty()) {
    const TVisit v = stack.back();
    stack.pop_back();
    const TNode& node = nodes[v.node];
    if (node.child[0] < 0) {
      out.table[v.at] = static_cast<std::uint8_t>(node.symbol);
      out.codes[static_cast<std::size_t>(node.symbol)] = v.path;
      out.lengths[static_cast<std::size_t>(node.symbol)] = v.depth;
      continue;
    }
    const int s = slot[v.node];
    unsigned byte = static_cast<unsigned>(s - v.parentSlot - 1);
    if (nodes[node.child[0]].child[0] < 0) byte |= 0x80u;
    if (nodes[node.child[1]].child[0] < 0) byte |= 0x40u;
    out.table[v.at] = static_cast<std::uint8_t>(byte);
    // Counts of at most 2^26 give trees far less deep than 64.
    assert(v.depth < THuffmanTable::kMaxLength);
    for (std::uint64_t bit = 0; bit < 2; ++bit) {
      stack.push_back({node.child[bit], static_cast<std::size_t>(2 * s + static_cast<int>(bit)), s,
                       v.path << 1 | bit, static_cast<std::uint8_t>(v.depth + 1)});
    }
  }
  return out;
}

}  // namespace

THuffmanTable BuildHuffmanTable(std::span<const std::uint64_t> counts) {
  const int symbols = static_cast<int>(counts.size());
  std::vector<TNode> leaves;
  for (int s = 0; s < symbols; ++s) {
    if (counts[static_cast<std::size_t>(s)] != 0) {
      leaves.push_back({counts[static_cast<std::size_t>(s)], {-1, -1}, s, 0});
    }
  }
  // The root must be an internal node: unused symbols fill in up to two leaves.
  for (int s = 0; leaves.size() < 2; ++s) {
    if (counts[static_cast<std::size_t>(s)] == 0) leaves.push_back({0, {-1, -1}, s, 0});
  }
  std::uint64_t total = 0;
  for (const TNode& l : leaves) total += l.weight;
  // Flatter and flatter trees, should the plain one have no order that fits: each leaf
  // weighs at least total >> shift.
  for (int shift = 64; shift >= 0; --shift) {
    std::vector<TNode> weighted = leaves;
    if (shift < 64) {
      for (TNode& l : weighted) l.weight = std::max(l.weight, total >> shift);
    }
    const std::vector<TNode> nodes = BuildTree(std::move(weighted));
    for (const bool smallerFirst : {true, false}) {
      if (auto slot = OrderPairs(nodes, smallerFirst)) return Lay(nodes, *slot, symbols);
    }
  }
  return {};  // not reached: equal weights give a balanced tree, whose depth-first order fits
}

}  // namespace tegulo
