// The decoders at the limits of their data: cut streams, streams at the end of the ROM,
// addresses outside it, and LZSS-CT records that are never met.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "compress/refresh.h"
#include "compress/uCompress.h"
#include "compress_examples.h"
#include "entries/tile_entry.h"

using namespace tegulo;
using tegulo::test::CompressExamples;
using tegulo::test::TCompressExample;

namespace {

std::uint32_t Le(const std::vector<std::uint8_t>& s, int bytes) {
  std::uint32_t v = 0;
  for (int i = 0; i < bytes && i < static_cast<int>(s.size()); ++i)
    v |= std::uint32_t{s[i]} << (8 * i);
  return v;
}

// Length of the longest common prefix of the buffer and `full`.
std::size_t Matching(const TDecodeBuffer& buf, const std::string& full) {
  std::size_t m = 0;
  while (m < full.size() && buf[m] == static_cast<std::uint8_t>(full[m])) ++m;
  return m;
}

bool ZeroFrom(const TDecodeBuffer& buf, std::size_t from, std::size_t to) {
  return std::all_of(buf.begin() + static_cast<std::ptrdiff_t>(from),
                     buf.begin() + static_cast<std::ptrdiff_t>(to),
                     [](std::uint8_t b) { return b == 0; });
}

}  // namespace

// Each example cut at every length, lying at the very end of the ROM behind other bytes.
// The decoder stops where a byte is missing: what it wrote is the start of the whole
// output; consumed counts stop at the cut; header-based sizes come from the bytes present.
TEST(DecompressBounds, ExamplesCutAtEveryLength) {
  TDecodeBuffer buf(kDecodeBufferSize);
  for (const TCompressExample& ex : CompressExamples()) {
    const std::uint32_t fullConsumed = static_cast<std::uint32_t>(ex.comprSize);
    for (std::size_t cut = 0; cut < ex.stream.size(); ++cut) {
      const std::vector<std::uint8_t> part(ex.stream.begin(),
                                           ex.stream.begin() + static_cast<std::ptrdiff_t>(cut));
      std::vector<std::uint8_t> rom(3 + cut, 0x99);
      std::copy(part.begin(), part.end(), rom.begin() + 3);
      TTileEntry e{};
      e.Compression = ex.compression;
      e.Address = 3;  // with cut 0, the ROM's length
      UnpackEntry(e, rom, buf);
      const std::string where = std::string(ex.name) + ", cut at " + std::to_string(cut);

      std::size_t written = Matching(buf, ex.output);
      switch (ex.compression) {
        case 1:
          EXPECT_EQ(e.RawSize, static_cast<std::int32_t>(Le(part, 4) >> 8)) << where;
          EXPECT_EQ(e.ComprSize,
                    static_cast<std::int32_t>(std::min<std::size_t>(fullConsumed, cut)))
              << where;
          break;
        case 2:
          EXPECT_EQ(e.RawSize, static_cast<std::int32_t>(Le(part, 2))) << where;
          EXPECT_EQ(e.ComprSize,
                    static_cast<std::int32_t>(std::min<std::size_t>(fullConsumed, cut)))
              << where;
          break;
        default:
          EXPECT_EQ(e.ComprSize, static_cast<std::int32_t>(Le(part, 2))) << where;
          ASSERT_LE(e.RawSize, static_cast<std::int32_t>(ex.output.size())) << where;
          ASSERT_GE(e.RawSize, 0) << where;
          written = static_cast<std::size_t>(e.RawSize);
          EXPECT_EQ(std::string(buf.begin(), buf.begin() + e.RawSize), ex.output.substr(0, written))
              << where;
          break;
      }
      EXPECT_TRUE(ZeroFrom(buf, written, ex.output.size() + 64)) << where;
      EXPECT_LT(written, ex.output.size() + 1) << where;
    }
  }
}

TEST(DecompressBounds, SomeCutsByHand) {
  struct Case {
    const char* name;
    std::uint8_t compression;
    std::vector<std::uint8_t> stream;
    std::string output;
    std::int32_t rawSize, comprSize;
  };
  const Case cases[] = {
      {"LZ10 reference missing its second byte",
       1,
       {0x10, 0x0A, 0, 0, 0x20, 0x41, 0x42, 0x50},
       "AB",
       10,
       8},
      {"LZ10 header only partly there", 1, {0x10, 0x0A}, "", 10, 2},
      {"FF5 reference missing its second byte", 2, {0x06, 0x00, 0x01, 0x41, 0xDE}, "A", 6, 5},
      {"FF6 first token missing its last byte", 3, {0x03, 0x00, 0x00, 0x00}, "", 0, 3},
      {"FF6 one header byte", 3, {0x03}, "", 0, 3},
      {"CT ninth-token literal missing",
       4,
       {0x00, 0x00, 0xC9, 0x10, 0x00, 0x80, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x07, 0x00},
       "ABCDEFGABC",
       10,
       0},
      {"CT first record missing", 4, {0x0A, 0x00, 0x04, 0x41, 0x42, 0x02, 0x18, 0x43}, "", 0, 10},
      {"CT zero control byte cut short",
       4,
       {0x00, 0x00, 0xC8, 0x0B, 0x00, 0x00, 0x41, 0x42, 0x43},
       "ABC",
       3,
       0},
  };
  TDecodeBuffer buf(kDecodeBufferSize);
  for (const Case& c : cases) {
    TTileEntry e{};
    e.Compression = c.compression;
    UnpackEntry(e, c.stream, buf);
    EXPECT_EQ(e.RawSize, c.rawSize) << c.name;
    EXPECT_EQ(e.ComprSize, c.comprSize) << c.name;
    EXPECT_EQ(std::string(buf.begin(), buf.begin() + static_cast<std::ptrdiff_t>(c.output.size())),
              c.output)
        << c.name;
    EXPECT_TRUE(ZeroFrom(buf, c.output.size(), c.output.size() + 64)) << c.name;
  }
}

// Outside the ROM the stream has no bytes: every header field reads as 0 and nothing is
// written; LZ77-10 sees type byte 0 and LZSS-FF6 a length shorter than its header, and say so.
TEST(DecompressBounds, AddressesOutsideTheRom) {
  const std::vector<std::uint8_t> rom(64, 0x10);
  const std::int32_t addresses[] = {-1, -4, INT_MIN, 64, 65, INT_MAX};
  TDecodeBuffer buf(kDecodeBufferSize, 0x33);
  for (std::uint8_t scheme = 1; scheme <= 4; ++scheme) {
    for (std::int32_t address : addresses) {
      TTileEntry e{};
      e.Compression = scheme;
      e.Address = address;
      e.RawSize = e.ComprSize = 12345;
      const TUnpackReport r = UnpackEntry(e, rom, buf);
      const std::string where =
          "scheme " + std::to_string(scheme) + " at " + std::to_string(address);
      EXPECT_EQ(e.RawSize, 0) << where;
      EXPECT_EQ(e.ComprSize, 0) << where;
      EXPECT_EQ(r.notValid.empty(), scheme != kSchemeLZ10 && scheme != kSchemeFF6) << where;
      EXPECT_TRUE(ZeroFrom(buf, 0, kDecodeBufferSize)) << where;
    }
  }
  // An empty ROM is no different.
  TTileEntry e{};
  e.Compression = 3;
  UnpackEntry(e, {}, buf);
  EXPECT_EQ(e.RawSize, 0);
}

TEST(DecompressBounds, CtRecordInsideARawRunIsNeverMet) {
  // The record at 3 + 2 lies inside the eight raw bytes at 3..10; decoding runs on to the
  // end of the stream, reading 0x81 as a control byte of one reference (distance 1).
  const std::vector<std::uint8_t> rom{0x03, 0x00, 0x00, 0x41, 0x42, 0xC0, 0x43, 0x44,
                                      0x45, 0x46, 0x47, 0x81, 0x01, 0x00, 0x48};
  TDecodeBuffer buf(kDecodeBufferSize);
  TTileEntry e{};
  e.Compression = 4;
  UnpackEntry(e, rom, buf);
  EXPECT_EQ(e.ComprSize, 3);
  EXPECT_EQ(e.RawSize, 12);  // 8 raw, a 3-byte copy of G, then H before the stream ends
  EXPECT_EQ(std::string(buf.begin(), buf.begin() + 12),
            "AB\xC0"
            "CDEFGGGGH");
}

TEST(DecompressBounds, CtRecordBehindTheReadPositionRunsToTheOutputEnd) {
  // All bytes 0xFF: 11-bit mode, references of 34 bytes; the record at 65537 is met once
  // and names position 65535, which lies behind: the output fills up and decoding stops.
  const std::vector<std::uint8_t> rom(200000, 0xFF);
  TDecodeBuffer buf(kDecodeBufferSize, 0);
  TTileEntry e{};
  e.Compression = 4;
  UnpackEntry(e, rom, buf);
  EXPECT_EQ(e.RawSize, static_cast<std::int32_t>(kDecodeBufferSize));
  EXPECT_EQ(e.ComprSize, 0xFFFF);
  EXPECT_EQ(buf.size(), kDecodeBufferSize);

  // A first record naming a position behind it: a short stream runs to its own end.
  std::vector<std::uint8_t> shortRom{0x00, 0x00, 0xC1, 0x02, 0x00};
  shortRom.resize(1000, 0xFF);
  UnpackEntry(e, shortRom, buf);
  EXPECT_EQ(e.ComprSize, 0);
  // One 34-byte reference under count 1 (bytes 5..7), 58 groups of eight references in
  // bytes 8..993, then a control byte with two whole references and one half one.
  EXPECT_EQ(e.RawSize, 34 + 58 * 272 + 2 * 34);
}

TEST(DecompressBounds, SmallOutputArraysAreNeverOverrun) {
  // Decoders called directly with arrays shorter than their streams' output.
  for (const TCompressExample& ex : CompressExamples()) {
    for (std::size_t size = 0; size <= ex.output.size(); ++size) {
      TDecodeBuffer out(size, 0);
      switch (ex.compression) {
        case 1: DecompressLZ10(ex.stream, out); break;
        case 2: DecompressFF5(ex.stream, out); break;
        case 3: EXPECT_LE(DecompressFF6(ex.stream, out), size) << ex.name; break;
        case 4: EXPECT_LE(DecompressCT(ex.stream, out), size) << ex.name; break;
      }
      // LZ77-10 lengthens to the announced size only.
      const std::size_t want =
          ex.compression == 1 ? std::max<std::size_t>(size, Le(ex.stream, 4) >> 8) : size;
      ASSERT_EQ(out.size(), want) << ex.name << ", output of " << size;
      const std::size_t n = std::min(out.size(), ex.output.size());
      EXPECT_EQ(std::string(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(n)),
                ex.output.substr(0, n))
          << ex.name << ", output of " << size;
    }
  }
}
