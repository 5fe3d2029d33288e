// RNC1's bit stream and its Huffman tables, shared by its decoder and compressor: bits from
// 16-bit little-endian words, bit 0 first, each word read at the read position when a bit is
// needed and none is left; literal bytes between the words.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tegulo::rnc1 {

// Symbols of a table: 0..kMaxSymbols-1 can be coded (v(s) = s below 2, else 2^(s-1) plus
// s - 1 further bits), code lengths 1..15.
inline constexpr int kMaxSymbols = 16;
inline constexpr int kMaxCodeLength = 15;

// The symbol of value v: its bit width (v = 2^(s-1) plus s - 1 further bits from s = 2 on).
inline int SymbolOf(std::uint32_t v) { return std::bit_width(v); }

// A canonical code: by length, then symbol; codes sent MSB first.
struct TTable {
  int count = 0;  // symbols 0..count-1 have a length (0: unused)
  std::array<std::uint8_t, 32> lengths{};
  std::array<std::uint16_t, 32> codes{};
};

// Assigns the codes of `t` from its lengths; false when the lengths over-fill the code space.
bool AssignCodes(TTable& t);

// Code lengths of least total for symbol counts (at most kMaxSymbols; one used symbol gets
// length 1), and the count of the table that holds them.
TTable BuildTable(std::span<const std::uint32_t> counts);

struct TBitWriter {
  std::vector<std::uint8_t>& out;
  std::size_t slot = 0;
  int used = 16;
  void Bit(unsigned b) {
    if (used == 16) {
      slot = out.size();
      out.push_back(0);
      out.push_back(0);
      used = 0;
    }
    if (b != 0)
      out[slot + static_cast<std::size_t>(used >> 3)] |=
          static_cast<std::uint8_t>(1U << (used & 7));
    ++used;
  }
  // n bits of v, bit 0 first.
  void Field(std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) Bit((v >> static_cast<unsigned>(i)) & 1U);
  }
  // A code, its top bit first.
  void Code(unsigned code, int n) {
    for (int i = n - 1; i >= 0; --i) Bit((code >> static_cast<unsigned>(i)) & 1U);
  }
  void Byte(std::uint8_t v) { out.push_back(v); }
  void Table(const TTable& t) {
    Field(static_cast<std::uint32_t>(t.count), 5);
    for (int s = 0; s < t.count; ++s) Field(t.lengths[static_cast<std::size_t>(s)], 4);
  }
  void Value(const TTable& t, std::uint32_t v) {
    const int s = SymbolOf(v);
    Code(t.codes[static_cast<std::size_t>(s)], t.lengths[static_cast<std::size_t>(s)]);
    if (s >= 2) Field(v, s - 1);  // the top bit is the symbol's
  }
};

}  // namespace tegulo::rnc1
