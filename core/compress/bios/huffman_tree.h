// Huffman trees in the BIOS table layout: node bytes with a 6-bit offset to the child pair,
// which must lie 1..64 pairs after the pair that holds the node.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace tegulo {

struct THuffmanTable {
  static constexpr int kMaxLength = 64;
  std::vector<std::uint8_t> table;    // from stream offset 4: T, root, nodes, padding
  std::vector<std::uint64_t> codes;   // per symbol: its bits, the last one lowest
  std::vector<std::uint8_t> lengths;  // per symbol: its bits' count (0: no leaf)
};

// The tree of least total code length for the symbol counts (16 or 256 of them) whose layout
// the offsets can express: a plain Huffman tree laid out so that every offset fits, reshaped
// towards a flatter tree only where no order of its pairs fits. Unused symbols get no leaf;
// with fewer than two used symbols, unused ones fill the tree up to two leaves.
THuffmanTable BuildHuffmanTable(std::span<const std::uint64_t> counts);

}  // namespace tegulo
