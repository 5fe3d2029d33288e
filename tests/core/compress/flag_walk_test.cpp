// The flag-byte family's one token walk under each layout: where it ends, the output it
// counts, and the flag bits it reports after the last token.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "compress/bios/bios_schemes.h"
#include "compress/flag/ff_layout.h"
#include "compress/flag/lz10_layout.h"
#include "compress/flag/lz11_layout.h"

namespace tegulo {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Walks to `size` bytes of output.
struct TToSize {
  std::uint64_t size;
  bool Done(std::size_t /*in*/, std::uint64_t out) const { return out >= size; }
  static bool Literal(std::uint64_t /*out*/) { return true; }
  template <class R>
  static bool Reference(std::uint64_t /*out*/, R /*r*/) {
    return true;
  }
};

template <class L>
flag::TWalk Walk(const Bytes& s, std::size_t header, std::uint64_t size) {
  TToSize visit{size};
  return flag::WalkTokensFrom<L>(s, visit, header, 0);
}

TEST(FlagWalk, EndsCountsAndLeftoverFlagsUnderEachLayout) {
  enum { kLZ10, kLZ11, kFF5, kFF6 };
  const struct {
    const char* what;
    int layout;
    Bytes stream;  // the header's bytes included
    std::uint64_t size;
    flag::TWalkEnd end;
    std::size_t in;
    std::uint64_t out;
    bool rest;  // flag bits set after the last token
    bool midGroup;
  } cases[] = {
      {"lz10 literals",
       kLZ10,
       {0x10, 5, 0, 0, 0x00, 1, 2, 3, 4, 5},
       5,
       flag::TWalkEnd::kDone,
       10,
       5,
       false,
       true},
      {"lz10 bit after the end set",
       kLZ10,
       {0x10, 5, 0, 0, 0x04, 1, 2, 3, 4, 5},
       5,
       flag::TWalkEnd::kDone,
       10,
       5,
       true,
       true},
      {"lz10 reference",
       kLZ10,
       {0x10, 4, 0, 0, 0x40, 7, 0x00, 0x00},
       4,
       flag::TWalkEnd::kDone,
       8,
       4,
       false,
       true},
      {"lz10 whole group",
       kLZ10,
       {0x10, 8, 0, 0, 0x00, 1, 2, 3, 4, 5, 6, 7, 8},
       8,
       flag::TWalkEnd::kDone,
       13,
       8,
       false,
       false},
      {"lz10 cut literal",
       kLZ10,
       {0x10, 9, 0, 0, 0x00, 1, 2},
       9,
       flag::TWalkEnd::kCut,
       7,
       2,
       false,
       false},
      {"lz10 cut reference",
       kLZ10,
       {0x10, 9, 0, 0, 0x80, 0x00},
       9,
       flag::TWalkEnd::kCut,
       6,
       0,
       false,
       false},
      {"lz11 three-byte reference",
       kLZ11,
       {0x11, 19, 0, 0, 0x80, 0x00, 0x20, 0x00},
       19,
       flag::TWalkEnd::kDone,
       8,
       19,
       false,
       true},
      {"lz11 four-byte reference",
       kLZ11,
       {0x11, 0, 1, 0, 0x80, 0x10, 0x00, 0x00, 0x00},
       273,
       flag::TWalkEnd::kDone,
       9,
       273,
       false,
       true},
      {"lz11 two-byte reference, bit after set",
       kLZ11,
       {0x11, 16, 0, 0, 0xC0, 0xF0, 0x00},
       16,
       flag::TWalkEnd::kDone,
       7,
       16,
       true,
       true},
      {"lz11 cut three-byte reference",
       kLZ11,
       {0x11, 19, 0, 0, 0x80, 0x00, 0x20},
       19,
       flag::TWalkEnd::kCut,
       7,
       0,
       false,
       false},
      {"ff5 literals, bits after set",
       kFF5,
       {3, 0, 0xFF, 1, 2, 3},
       3,
       flag::TWalkEnd::kDone,
       6,
       3,
       true,
       true},
      {"ff5 literals, bits after clear",
       kFF5,
       {3, 0, 0x07, 1, 2, 3},
       3,
       flag::TWalkEnd::kDone,
       6,
       3,
       false,
       true},
      {"ff6 reference first",
       kFF6,
       {0, 0, 0xFE, 0x00, 0x00},
       3,
       flag::TWalkEnd::kDone,
       5,
       3,
       true,
       true},
  };
  for (const auto& c : cases) {
    flag::TWalk w{};
    switch (c.layout) {
      case kLZ10: w = Walk<lz10::TLayout>(c.stream, lz10::kHeaderSize, c.size); break;
      case kLZ11: w = Walk<lz11::TLayout>(c.stream, lz11::kHeaderSize, c.size); break;
      case kFF5: w = Walk<ff::TLayout<false>>(c.stream, ff::kHeaderSize, c.size); break;
      default: w = Walk<ff::TLayout<true>>(c.stream, ff::kHeaderSize, c.size); break;
    }
    EXPECT_EQ(w.end, c.end) << c.what;
    EXPECT_EQ(w.in, c.in) << c.what;
    EXPECT_EQ(w.out, c.out) << c.what;
    EXPECT_EQ(w.restFlags != 0, c.rest) << c.what;
    EXPECT_EQ(w.midGroup, c.midGroup) << c.what;
  }
}

// LZ77-11's checker, a visitor of the walk: the end exact, every reference inside the output
// and the size, the flags after the last token clear.
TEST(CheckLZ11Hit, RefusesWhatNoEncoderWrites) {
  // 32 bytes: a literal, then a reference of 31 bytes one back.
  const Bytes good = {0x11, 32, 0, 0, 0x40, 0x41, 0x00, 0xE0, 0x00};
  const struct {
    const char* what;
    Bytes stream;
    std::uint32_t comprSize;  // 0: refused
  } cases[] = {
      {"good", good, 9},
      {"flag bit after the end set", {0x11, 32, 0, 0, 0x60, 0x41, 0x00, 0xE0, 0x00}, 0},
      {"reference before the output", {0x11, 32, 0, 0, 0x80, 0x00, 0xF0, 0x00}, 0},
      {"reference past the size", {0x11, 31, 0, 0, 0x40, 0x41, 0x00, 0xE0, 0x00}, 0},
      {"cut", {0x11, 32, 0, 0, 0x40, 0x41, 0x00, 0xE0}, 0},
  };
  for (const auto& c : cases) {
    const auto hit = CheckLZ11Hit(c.stream, 0, 0, nullptr);
    EXPECT_EQ(hit ? hit->comprSize : 0U, c.comprSize) << c.what;
  }
}

}  // namespace
}  // namespace tegulo
