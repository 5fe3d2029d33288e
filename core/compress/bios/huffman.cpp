// "Huffman-4" and "Huffman-8": the BIOS tree table, then a bitstream of 32-bit little-endian
// words read from bit 31 down; symbols fill the output from the low bits up.
#include <algorithm>
#include <array>

#include "base/stream_view.h"
#include "compress/bios/bios_header.h"
#include "compress/bios/bios_schemes.h"
#include "compress/bios/huffman_tree.h"

namespace tegulo {
namespace {

constexpr std::size_t kRoot = 5;

// Packs symbols into bytes, low nibble first for 4-bit symbols; bytes past `size` are dropped.
struct TSymbolSink {
  TDecodeBuffer& output;
  std::size_t size;
  int bits;
  std::size_t symbols = 0;
  unsigned low = 0;
  void Put(unsigned symbol) {
    if (bits == 8) {
      if (symbols < size) output[symbols] = static_cast<std::uint8_t>(symbol);
    } else if ((symbols & 1u) == 0) {
      low = symbol & 0xFu;
    } else if (symbols / 2 < size) {
      output[symbols / 2] = static_cast<std::uint8_t>(low | (symbol & 0xFu) << 4);
    }
    ++symbols;
  }
};

}  // namespace

namespace {

// Counts symbols for the extent walk, which writes nothing.
struct TSymbolCount {
  std::size_t symbols = 0;
  void Put(unsigned /*symbol*/) { ++symbols; }
};

// The symbols of one word's bits, from tree node `node` on; false where a child lies outside
// the tree.
template <class TSink>
bool WalkWord(std::span<const std::uint8_t> stream, std::uint32_t word, std::size_t treeEnd,
              std::size_t symbolCount, std::size_t& node, TSink& sink) {
  for (int b = 31; b >= 0 && sink.symbols < symbolCount; --b) {
    const unsigned bit = (word >> b) & 1u;
    const unsigned v = stream[node];
    const std::size_t child = (node & ~std::size_t{1}) + 2 * (v & 63u) + 2 + bit;
    if (child >= treeEnd) return false;
    if ((v & (bit != 0 ? 0x40u : 0x80u)) != 0) {
      sink.Put(stream[child]);
      node = kRoot;
    } else {
      node = child;
    }
  }
  return true;
}

// The bitstream walk after the tree table until `symbolCount` symbols went to `sink`; returns
// the stream bytes consumed and sets *broken (when given) as DecompressHuffman does, and
// *badChild (when given) where a child lies outside the tree.
template <class TSink>
std::uint32_t WalkBits(std::span<const std::uint8_t> stream, std::size_t symbolCount, TSink& sink,
                       bool* broken, bool* badChild = nullptr) {
  const auto brokenAt = [broken](std::size_t at) {
    if (broken != nullptr) *broken = true;
    return static_cast<std::uint32_t>(at);
  };
  const std::size_t n = stream.size();
  if (n <= kRoot) return brokenAt(n);
  const std::size_t treeEnd = std::min<std::size_t>(4 + (stream[4] + 1u) * 2, n);
  std::size_t in = 4 + (stream[4] + 1u) * 2;
  std::size_t node = kRoot;
  while (sink.symbols < symbolCount) {
    if (in + 4 > n) return brokenAt(n);  // the words ran out before the size
    const std::uint32_t word = ReadLePadded(stream, in, 4);
    in += 4;
    if (!WalkWord(stream, word, treeEnd, symbolCount, node, sink)) {
      if (badChild != nullptr) *badChild = true;
      return brokenAt(in);
    }
  }
  return static_cast<std::uint32_t>(std::min(in, n));
}

// Whole words are decoded, as the BIOS writes them.
std::size_t SymbolCount(std::size_t size, int bits) {
  return ((size + 3) & ~std::size_t{3}) * 8 / static_cast<std::size_t>(bits);
}

}  // namespace

template <int SymbolBits>
std::uint32_t DecompressHuffman(std::span<const std::uint8_t> stream, TDecodeBuffer& output,
                                bool* notValid, bool* broken) {
  static_assert(SymbolBits == 4 || SymbolBits == 8);
  const std::uint32_t header = ReadLePadded(stream, 0, 4);
  constexpr int bits = SymbolBits;
  if (broken != nullptr) *broken = false;
  const std::size_t size = header >> 8;
  if (output.size() < size) output.resize(size);
  TSymbolSink sink{output, size, bits};
  bool badChild = false;
  const std::uint32_t used = WalkBits(stream, SymbolCount(size, bits), sink, broken, &badChild);
  if (notValid != nullptr) {
    *notValid = badChild || (header & 0xFFu) != (bios::kTypeHuffman | static_cast<unsigned>(bits));
  }
  return used;
}

template <int SymbolBits>
std::uint32_t DecompressHuffman(std::span<const std::uint8_t> stream, TDecodeBuffer& output,
                                bool* notValid) {
  return DecompressHuffman<SymbolBits>(stream, output, notValid, nullptr);
}

template <int SymbolBits>
std::size_t StreamExtentHuffman(std::span<const std::uint8_t> stream) {
  const std::size_t size = ReadLePadded(stream, 0, 4) >> 8;
  TSymbolCount sink;
  return WalkBits(stream, SymbolCount(size, SymbolBits), sink, nullptr);
}

template <int SymbolBits>
std::vector<std::uint8_t> CompressHuffman(std::span<const std::uint8_t> data,
                                          const TCompressOptions& /*options*/) {
  constexpr int bits = SymbolBits;
  CheckBiosSize(bits == 4 ? "Huffman-4" : "Huffman-8", data.size());
  std::vector<std::uint64_t> counts(std::size_t{1} << bits, 0);
  for (const std::uint8_t b : data) {
    if (bits == 8) {
      ++counts[b];
    } else {
      ++counts[b & 0xFu];
      ++counts[b >> 4];
    }
  }
  // The BIOS writes whole words: the last is filled with the commonest symbol.
  const std::size_t padBytes = (4 - data.size() % 4) % 4;
  const auto common =
      static_cast<std::size_t>(std::max_element(counts.begin(), counts.end()) - counts.begin());
  counts[common] += padBytes * (bits == 8 ? 1 : 2);
  const THuffmanTable table = BuildHuffmanTable(counts);

  std::vector<std::uint8_t> out =
      BiosHeader(static_cast<std::uint8_t>(bios::kTypeHuffman | bits), data.size());
  out.insert(out.end(), table.table.begin(), table.table.end());
  std::uint32_t word = 0;
  int used = 0;
  const auto put = [&](std::size_t symbol) {
    const std::uint64_t code = table.codes[symbol];
    for (int k = table.lengths[symbol]; k-- > 0;) {
      word |= static_cast<std::uint32_t>(code >> k & 1U) << (31 - used);
      if (++used == 32) {
        for (int b = 0; b < 4; ++b) out.push_back(static_cast<std::uint8_t>(word >> (8 * b)));
        word = 0;
        used = 0;
      }
    }
  };
  const auto putByte = [&](std::uint8_t b) {
    if (bits == 8) {
      put(b);
    } else {
      put(b & 0xFu);
      put(b >> 4);
    }
  };
  for (const std::uint8_t b : data) putByte(b);
  const auto padByte = static_cast<std::uint8_t>(bits == 8 ? common : common | common << 4);
  for (std::size_t k = 0; k < padBytes; ++k) putByte(padByte);
  if (used != 0) {
    for (int k = 0; k < 4; ++k) out.push_back(static_cast<std::uint8_t>(word >> (8 * k)));
  }
  return out;
}

}  // namespace tegulo

namespace tegulo {
namespace {

// Walks the tree from the root: every child inside the table, no byte both a node and a leaf
// or reached twice, 4-bit leaves below 16, and as many leaves as T says (T + 1 is the leaf
// count rounded up to even). Returns false where any fails.
bool TreeIsWhole(std::span<const std::uint8_t> s, int bits) {
  const std::size_t treeEnd = 4 + (s[4] + 1u) * 2;
  if ((s[4] & 1u) == 0 || treeEnd > s.size()) return false;
  std::array<std::uint8_t, 4 + 512> seen{};
  std::array<std::size_t, 512> nodes{};
  std::size_t count = 0;
  nodes[count++] = kRoot;
  std::size_t leaves = 0;
  while (count > 0) {
    const std::size_t at = nodes[--count];
    const unsigned v = s[at];
    for (unsigned bit = 0; bit < 2; ++bit) {
      const std::size_t child = (at & ~std::size_t{1}) + 2 * (v & 63u) + 2 + bit;
      if (child >= treeEnd || seen[child] != 0) return false;
      seen[child] = 1;
      if ((v & (bit != 0 ? 0x40u : 0x80u)) != 0) {
        if (bits == 4 && s[child] > 15) return false;
        ++leaves;
      } else {
        nodes[count++] = child;
      }
    }
  }
  return ((leaves + 1) & ~std::size_t{1}) == s[4] + 1u;
}

template <int kBits>
std::optional<TScanHit> CheckHuffman(std::span<const std::uint8_t> rom, std::size_t pos,
                                     std::uint32_t minSize, TStreamStats* stats) {
  TStreamStats local;
  TStreamStats& st = FreshStats(stats, local);
  const auto size = BiosHeaderAt(rom, pos, bios::kTypeHuffman | kBits, minSize);
  const auto s = rom.subspan(pos);
  if (!size || s.size() < 8 || !TreeIsWhole(s, kBits)) return std::nullopt;
  thread_local TDecodeBuffer out;
  out.assign(*size, 0);
  bool broken = false;
  const std::uint32_t used = DecompressHuffman<kBits>(s, out, nullptr, &broken);
  // A stream may end exactly at the end of the ROM; one whose words ran out is broken.
  if (broken) return std::nullopt;
  st.literals = *size;
  st.comprSize = used;
  // A whole tree, a whole bitstream with its unused bits 0: the facts decide.
  st.tableBytes = (s[4] + 1U) * 2;
  st.factsMinOutput = kStrictFactsMinOutput;
  return TScanHit{pos, kBits == 4 ? kSchemeHuffman4 : kSchemeHuffman8, *size, used, 0};
}

}  // namespace

std::optional<TScanHit> CheckHuffman4Hit(std::span<const std::uint8_t> rom, std::size_t pos,
                                         std::uint32_t minSize, TStreamStats* stats) {
  return CheckHuffman<4>(rom, pos, minSize, stats);
}
std::optional<TScanHit> CheckHuffman8Hit(std::span<const std::uint8_t> rom, std::size_t pos,
                                         std::uint32_t minSize, TStreamStats* stats) {
  return CheckHuffman<8>(rom, pos, minSize, stats);
}

// Huffman-4 and Huffman-8 are the only forms.
template std::uint32_t DecompressHuffman<4>(std::span<const std::uint8_t>, TDecodeBuffer&, bool*);
template std::uint32_t DecompressHuffman<8>(std::span<const std::uint8_t>, TDecodeBuffer&, bool*);
template std::uint32_t DecompressHuffman<4>(std::span<const std::uint8_t>, TDecodeBuffer&, bool*,
                                            bool*);
template std::uint32_t DecompressHuffman<8>(std::span<const std::uint8_t>, TDecodeBuffer&, bool*,
                                            bool*);
template std::size_t StreamExtentHuffman<4>(std::span<const std::uint8_t>);
template std::size_t StreamExtentHuffman<8>(std::span<const std::uint8_t>);
template std::vector<std::uint8_t> CompressHuffman<4>(std::span<const std::uint8_t>,
                                                      const TCompressOptions&);
template std::vector<std::uint8_t> CompressHuffman<8>(std::span<const std::uint8_t>,
                                                      const TCompressOptions&);

}  // namespace tegulo
