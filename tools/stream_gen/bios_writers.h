// Writers of the GBA BIOS family's other formats (LZ77-11, Huffman, RLE-30, Diff), written
// from the formats alone and apart from the project's compressors, each in the ways other
// encoders lay them out.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "lz_parse.h"
#include "stream_writers.h"

namespace tegulo::gen {

// LZ77-11 from tokens that cover the data (ParseTokens with lengths up to 65,808).
std::vector<std::uint8_t> WriteLZ11(std::span<const std::uint8_t> data,
                                    std::span<const TToken> tokens, TPad pad);

// How a Huffman encoder builds and lays out its tree.
enum class THuffmanTree {
  kBreadthFirst,  // ties to the lower symbol, lighter child first, pairs in level order
  kHeavyFirst,    // ties to the newest node, heavier child first, pairs in level order
  kNested,        // ties to the lower symbol, each node's pair next to its parent's subtree
};

// Huffman with 4- or 8-bit symbols; the data is padded with zeros to whole words. Empty when
// the tree's node offsets do not fit the format (an 8-bit tree of many symbols).
std::vector<std::uint8_t> WriteHuffman(std::span<const std::uint8_t> data, int bits,
                                       THuffmanTree tree);

// RLE-30: greedy (a run from 3 equal bytes on) or by an exact shortest split.
std::vector<std::uint8_t> WriteRLE30(std::span<const std::uint8_t> data, bool optimal, TPad pad);

// Diff-8 (unit 1) or Diff-16 (unit 2, an even data size).
std::vector<std::uint8_t> WriteDiff(std::span<const std::uint8_t> data, int unit, TPad pad);

}  // namespace tegulo::gen
