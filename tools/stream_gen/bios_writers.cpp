// Writers of LZ77-11, Huffman, RLE-30 and Diff streams.
#include "bios_writers.h"

#include <algorithm>
#include <functional>
#include <queue>

namespace tegulo::gen {
namespace {

std::vector<std::uint8_t> Header(std::uint8_t type, std::size_t size) {
  return {type, static_cast<std::uint8_t>(size), static_cast<std::uint8_t>(size >> 8),
          static_cast<std::uint8_t>(size >> 16)};
}

void Pad(std::vector<std::uint8_t>& s, TPad pad) {
  if (pad == TPad::kNone) return;
  while (s.size() % 4 != 0) s.push_back(pad == TPad::kFF ? 0xFF : 0x00);
}

// ---- Huffman

struct TNode {
  std::uint64_t weight = 0;
  int symbol = -1;  // a leaf's; -1 for an internal node
  int child[2] = {-1, -1};
};

struct TTree {
  std::vector<TNode> nodes;
  int root = -1;
};

TTree BuildTree(const std::vector<std::uint64_t>& counts, THuffmanTree order) {
  TTree t;
  for (std::size_t s = 0; s < counts.size(); ++s) {
    if (counts[s] != 0) t.nodes.push_back({counts[s], static_cast<int>(s), {-1, -1}});
  }
  if (t.nodes.size() == 1) {  // the root must be internal: a second, unused leaf
    const int other = t.nodes[0].symbol == 0 ? 1 : 0;
    t.nodes.push_back({0, other, {-1, -1}});
  }
  const bool newestFirst = order == THuffmanTree::kHeavyFirst;
  // Ties go to the lower symbol (leaves before the nodes made of them), or to the newest node.
  const auto later = [&](int a, int b) {
    if (t.nodes[a].weight != t.nodes[b].weight) return t.nodes[a].weight > t.nodes[b].weight;
    return newestFirst ? a < b : a > b;
  };
  std::priority_queue<int, std::vector<int>, decltype(later)> queue(later);
  for (int i = 0; i < static_cast<int>(t.nodes.size()); ++i) queue.push(i);
  while (queue.size() > 1) {
    const int light = queue.top();
    queue.pop();
    const int heavy = queue.top();
    queue.pop();
    TNode parent{t.nodes[light].weight + t.nodes[heavy].weight, -1, {light, heavy}};
    if (newestFirst) std::swap(parent.child[0], parent.child[1]);
    t.nodes.push_back(parent);
    queue.push(static_cast<int>(t.nodes.size()) - 1);
  }
  t.root = queue.top();
  return t;
}

// The tree table from offset 4 on (T, the root, then the child pairs); empty when an offset
// does not fit in 6 bits.
std::vector<std::uint8_t> LayTree(const TTree& t, THuffmanTree order) {
  const auto leaf = [&](int n) { return t.nodes[n].symbol >= 0; };
  std::vector<std::uint8_t> table(2, 0);
  bool fits = true;
  // Node n sits at table offset `at`; its children get the next free pair.
  const auto place = [&](int n, std::size_t at) {
    const std::size_t pair = table.size() / 2;
    const std::size_t offset = pair - at / 2 - 1;
    fits = fits && offset <= 63;
    const int c0 = t.nodes[n].child[0];
    const int c1 = t.nodes[n].child[1];
    table[at] =
        static_cast<std::uint8_t>((offset & 63) | (leaf(c0) ? 0x80 : 0) | (leaf(c1) ? 0x40 : 0));
    table.push_back(static_cast<std::uint8_t>(leaf(c0) ? t.nodes[c0].symbol : 0));
    table.push_back(static_cast<std::uint8_t>(leaf(c1) ? t.nodes[c1].symbol : 0));
    return 2 * pair;
  };
  if (order == THuffmanTree::kNested) {
    std::function<void(int, std::size_t)> nest = [&](int n, std::size_t at) {
      const std::size_t first = place(n, at);
      for (int k = 0; k < 2; ++k) {
        if (!leaf(t.nodes[n].child[k])) nest(t.nodes[n].child[k], first + k);
      }
    };
    nest(t.root, 1);
  } else {
    std::queue<std::pair<int, std::size_t>> todo;
    todo.push({t.root, 1});
    while (!todo.empty()) {
      const auto [n, at] = todo.front();
      todo.pop();
      const std::size_t first = place(n, at);
      for (int k = 0; k < 2; ++k) {
        if (!leaf(t.nodes[n].child[k])) todo.push({t.nodes[n].child[k], first + k});
      }
    }
  }
  if (!fits) return {};
  while (table.size() % 4 != 0) table.push_back(0);
  table[0] = static_cast<std::uint8_t>(table.size() / 2 - 1);
  return table;
}

void Codes(const TTree& t, int n, std::vector<bool>& prefix,
           std::vector<std::vector<bool>>& codes) {
  if (t.nodes[n].symbol >= 0) {
    codes[static_cast<std::size_t>(t.nodes[n].symbol)] = prefix;
    return;
  }
  for (int k = 0; k < 2; ++k) {
    prefix.push_back(k == 1);
    Codes(t, t.nodes[n].child[k], prefix, codes);
    prefix.pop_back();
  }
}

}  // namespace

std::vector<std::uint8_t> WriteLZ11(std::span<const std::uint8_t> data,
                                    std::span<const TToken> tokens, TPad pad) {
  std::vector<std::uint8_t> s = Header(0x11, data.size());
  std::size_t out = 0;
  std::size_t flagAt = 0;
  for (std::size_t t = 0; t < tokens.size(); ++t) {
    if (t % 8 == 0) {
      flagAt = s.size();
      s.push_back(0);
    }
    const TToken& k = tokens[t];
    if (k.length == 0) {
      s.push_back(data[out++]);
      continue;
    }
    s[flagAt] |= static_cast<std::uint8_t>(0x80U >> (t % 8));
    const std::uint32_t d = k.distance - 1;
    if (k.length <= 16) {
      s.push_back(static_cast<std::uint8_t>((k.length - 1) << 4 | d >> 8));
    } else if (k.length <= 272) {
      const std::uint32_t n = k.length - 0x11;
      s.push_back(static_cast<std::uint8_t>(n >> 4));
      s.push_back(static_cast<std::uint8_t>((n & 15) << 4 | d >> 8));
    } else {
      const std::uint32_t n = k.length - 0x111;
      s.push_back(static_cast<std::uint8_t>(0x10 | n >> 12));
      s.push_back(static_cast<std::uint8_t>(n >> 4));
      s.push_back(static_cast<std::uint8_t>((n & 15) << 4 | d >> 8));
    }
    s.push_back(static_cast<std::uint8_t>(d));
    out += k.length;
  }
  Pad(s, pad);
  return s;
}

std::vector<std::uint8_t> WriteHuffman(std::span<const std::uint8_t> data, int bits,
                                       THuffmanTree tree) {
  std::vector<std::uint8_t> padded(data.begin(), data.end());
  while (padded.size() % 4 != 0) padded.push_back(0);
  std::vector<unsigned> symbols;
  for (std::uint8_t b : padded) {
    if (bits == 8) {
      symbols.push_back(b);
    } else {
      symbols.push_back(b & 15U);
      symbols.push_back(b >> 4U);
    }
  }
  std::vector<std::uint64_t> counts(std::size_t{1} << bits, 0);
  for (unsigned s : symbols) ++counts[s];
  const TTree t = BuildTree(counts, tree);
  std::vector<std::uint8_t> table = LayTree(t, tree);
  if (table.empty()) return {};
  std::vector<std::vector<bool>> codes(counts.size());
  std::vector<bool> prefix;
  Codes(t, t.root, prefix, codes);

  std::vector<std::uint8_t> s = Header(bits == 8 ? 0x28 : 0x24, data.size());
  s.insert(s.end(), table.begin(), table.end());
  std::uint32_t word = 0;
  int used = 0;
  const auto flush = [&] {
    for (int k = 0; k < 4; ++k) s.push_back(static_cast<std::uint8_t>(word >> (8 * k)));
    word = 0;
    used = 0;
  };
  for (unsigned sym : symbols) {
    for (bool bit : codes[sym]) {
      word |= static_cast<std::uint32_t>(bit) << (31 - used);
      if (++used == 32) flush();
    }
  }
  if (used != 0) flush();
  return s;
}

std::vector<std::uint8_t> WriteRLE30(std::span<const std::uint8_t> data, bool optimal, TPad pad) {
  const std::size_t n = data.size();
  std::vector<std::size_t> run(n + 1, 0);  // equal bytes from i on, at most 130
  for (std::size_t i = n; i-- > 0;) {
    run[i] = i + 1 < n && data[i + 1] == data[i] ? std::min<std::size_t>(run[i + 1] + 1, 130) : 1;
  }
  // Blocks as (length, is a run), from the start.
  std::vector<std::pair<std::size_t, bool>> blocks;
  if (optimal) {
    std::vector<std::size_t> cost(n + 1, 0);
    std::vector<std::pair<std::size_t, bool>> take(n);
    for (std::size_t i = n; i-- > 0;) {
      cost[i] = SIZE_MAX;
      for (std::size_t len = run[i]; len >= 3; --len) {  // the longest run first
        if (2 + cost[i + len] < cost[i]) {
          cost[i] = 2 + cost[i + len];
          take[i] = {len, true};
        }
      }
      for (std::size_t len = std::min<std::size_t>(128, n - i); len >= 1; --len) {
        if (1 + len + cost[i + len] < cost[i]) {
          cost[i] = 1 + len + cost[i + len];
          take[i] = {len, false};
        }
      }
    }
    for (std::size_t i = 0; i < n; i += take[i].first) blocks.push_back(take[i]);
  } else {
    std::size_t literal = 0;
    for (std::size_t i = 0; i < n;) {
      if (run[i] >= 3) {
        if (literal != 0) blocks.push_back({literal, false});
        literal = 0;
        blocks.push_back({run[i], true});
        i += run[i];
        continue;
      }
      ++i;
      if (++literal == 128) {
        blocks.push_back({literal, false});
        literal = 0;
      }
    }
    if (literal != 0) blocks.push_back({literal, false});
  }
  std::vector<std::uint8_t> s = Header(0x30, n);
  std::size_t at = 0;
  for (const auto& [len, isRun] : blocks) {
    if (isRun) {
      s.push_back(static_cast<std::uint8_t>(0x80 | (len - 3)));
      s.push_back(data[at]);
    } else {
      s.push_back(static_cast<std::uint8_t>(len - 1));
      s.insert(s.end(), data.begin() + static_cast<std::ptrdiff_t>(at),
               data.begin() + static_cast<std::ptrdiff_t>(at + len));
    }
    at += len;
  }
  Pad(s, pad);
  return s;
}

std::vector<std::uint8_t> WriteDiff(std::span<const std::uint8_t> data, int unit, TPad pad) {
  std::vector<std::uint8_t> s = Header(unit == 1 ? 0x81 : 0x82, data.size());
  if (unit == 1) {
    std::uint8_t last = 0;
    for (std::uint8_t b : data) {
      s.push_back(static_cast<std::uint8_t>(b - last));
      last = b;
    }
  } else {
    std::uint16_t last = 0;
    for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
      const auto v = static_cast<std::uint16_t>(data[i] | data[i + 1] << 8);
      const auto d = static_cast<std::uint16_t>(v - last);
      s.push_back(static_cast<std::uint8_t>(d));
      s.push_back(static_cast<std::uint8_t>(d >> 8));
      last = v;
    }
  }
  Pad(s, pad);
  return s;
}

}  // namespace tegulo::gen
