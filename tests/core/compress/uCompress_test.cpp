#include "compress/uCompress.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "compress/refresh.h"
#include "compress/scheme_formats.h"
#include "compress_examples.h"
#include "entries/tile_entry.h"

using namespace tegulo;
using tegulo::test::CompressExamples;
using tegulo::test::TCompressExample;

namespace {

TTileEntry EntryFor(std::uint8_t compression, std::int32_t address) {
  TTileEntry e{};
  e.Address = address;
  e.Compression = compression;
  e.Bpp = 4;
  e.RawSize = -7;  // values the refresh must overwrite
  e.ComprSize = -7;
  return e;
}

// The written bytes, then zeros for a stretch past them.
void ExpectOutput(const TDecodeBuffer& buf, const std::string& want, const char* name) {
  ASSERT_GE(buf.size(), want.size() + 64) << name;
  EXPECT_EQ(std::string(buf.begin(), buf.begin() + static_cast<std::ptrdiff_t>(want.size())), want)
      << name;
  const auto tail = buf.begin() + static_cast<std::ptrdiff_t>(want.size());
  EXPECT_TRUE(std::all_of(tail, tail + 64, [](std::uint8_t b) { return b == 0; })) << name;
}

}  // namespace

// Documents hold these numbers: a scheme keeps its row for good, new schemes come after.
TEST(Compressions, StoredNumbersNeverMove) {
  const char* names[] = {"(none)",    "LZ77-10",   "LZSS-FF5", "LZSS-FF6", "LZSS-CT",  "LZ77-11",
                         "Huffman-4", "Huffman-8", "RLE-30",   "Diff-8",   "Diff-16",  "LC_LZ2",
                         "LC_LZ5",    "HAL",       "LC_LZ1",   "LC_LZ14",  "Konami-1", "Konami-2",
                         "Konami-2R", "LC_LZ17",   "Koei",     "RNC1",     "RNC2"};
  ASSERT_LE(std::size(names), std::size_t{kCompressionCount});
  for (int i = 0; i < static_cast<int>(std::size(names)); ++i) {
    EXPECT_EQ(Compressions[i].name(), names[i]) << "row " << i;
    EXPECT_EQ(Compressions[i].Value, i) << "row " << i;
  }
}

// Every example alone in the ROM, and again placed after other bytes with more bytes
// behind it: the decoders read nothing past the stream's own end.
TEST(Decompress, ExamplesGiveTheirOutputAndSizes) {
  TDecodeBuffer buf(kDecodeBufferSize, 0xAA);
  for (const TCompressExample& ex : CompressExamples()) {
    std::vector<std::uint8_t> padded(5 + ex.stream.size() + 40, 0xEE);
    std::copy(ex.stream.begin(), ex.stream.end(), padded.begin() + 5);
    for (int placed = 0; placed < 2; ++placed) {
      const auto& rom = placed ? padded : ex.stream;
      TTileEntry e = EntryFor(ex.compression, placed ? 5 : 0);
      const TUnpackReport report = UnpackEntry(e, rom, buf);
      EXPECT_EQ(e.RawSize, ex.rawSize) << ex.name;
      EXPECT_EQ(e.ComprSize, ex.comprSize) << ex.name;
      EXPECT_EQ(report.notValid, ex.notValid ? NotValidStreamText(ex.compression) : "") << ex.name;
      ExpectOutput(buf, ex.output, ex.name);
      EXPECT_EQ(buf.size(), kDecodeBufferSize) << ex.name;
    }
  }
}

TEST(DecompressLZ10, NotValidIsReportedAtEveryRefresh) {
  const std::vector<std::uint8_t> rom{0x11, 0x0A, 0, 0, 0x20, 0x41, 0x42, 0x50, 0x01};
  TDecodeBuffer buf(kDecodeBufferSize);
  TTileEntry e = EntryFor(1, 0);
  EXPECT_EQ(UnpackEntry(e, rom, buf).notValid, "Not valid LZ10 stream");
  EXPECT_EQ(UnpackEntry(e, rom, buf).notValid, "Not valid LZ10 stream");
  bool flag = true;
  DecompressLZ10(std::vector<std::uint8_t>{0x10, 0, 0, 0}, buf, &flag);
  EXPECT_FALSE(flag);
  DecompressLZ10(std::vector<std::uint8_t>{0x00, 0, 0, 0}, buf);  // no flag wanted
}

TEST(DecompressLZ10, LargestAnnouncedSizeLengthensTheBuffer) {
  // A flag byte of back-references of distance 1 after one literal: every token writes 18.
  std::vector<std::uint8_t> rom{0x10, 0xFF, 0xFF, 0xFF, 0x7F, 0x41};
  for (int i = 0; i < 7; ++i) rom.insert(rom.end(), {0xF0, 0x00});
  TDecodeBuffer buf(kDecodeBufferSize, 0);
  TTileEntry e = EntryFor(1, 0);
  UnpackEntry(e, rom, buf);
  EXPECT_EQ(buf.size(), 16777215u);
  EXPECT_EQ(e.RawSize, 16777215);
  EXPECT_EQ(e.ComprSize, static_cast<std::int32_t>(rom.size()));  // ran out of stream
  ExpectOutput(buf, std::string(1 + 7 * 18, 'A'), "16 MiB");

  // The next refresh leaves nothing of it: the buffer is a new one's 1 MiB of zeros.
  buf.back() = 0x5A;
  TTileEntry plain = EntryFor(0, 0);
  UnpackEntry(plain, rom, buf);
  EXPECT_EQ(buf.size(), kDecodeBufferSize);
  EXPECT_EQ(buf[kDecodeBufferSize - 1], 0);
}

TEST(DecompressLZ10, WritesPastTheOutputEndAreDropped) {
  const std::vector<std::uint8_t> stream{0x10, 0x05, 0, 0, 0x40, 0x41, 0xF0, 0x00};
  TDecodeBuffer out(5, 0);  // exactly the announced size: the 14 bytes past it are dropped
  EXPECT_EQ(DecompressLZ10(stream, out), 8u);
  EXPECT_EQ(out, TDecodeBuffer(5, 0x41));
}

TEST(DecompressLZ10, ReferenceBeforeTheStartWritesZeros) {
  TDecodeBuffer buf(kDecodeBufferSize);
  // A, B, then length 4 at distance 4: two bytes before index 0, then A, B.
  const std::vector<std::uint8_t> mixed{0x10, 0x06, 0, 0, 0x20, 0x41, 0x42, 0x10, 0x03};
  TTileEntry e = EntryFor(1, 0);
  UnpackEntry(e, mixed, buf);
  ExpectOutput(buf, test::Str({0x41, 0x42, 0, 0, 0x41, 0x42}), "mixed");
  EXPECT_EQ(e.RawSize, 6);
  EXPECT_EQ(e.ComprSize, 9);
  // A first token reaching back 4096 bytes, decoding goes on with the literal after it.
  const std::vector<std::uint8_t> first{0x10, 0x13, 0, 0, 0x80, 0xFF, 0xFF, 0x43};
  UnpackEntry(e, first, buf);
  ExpectOutput(buf, std::string(18, '\0') + "C", "first");
  EXPECT_EQ(e.ComprSize, 8);
}

TEST(DecompressCT, ReferenceBeforeTheStartWritesZeros) {
  // Count 3: A, B, then length 4 at distance 5 from position 2.
  const std::vector<std::uint8_t> rom{0x00, 0x00, 0xC3, 0x0A, 0x00, 0x04,
                                      0x41, 0x42, 0x05, 0x08, 0x00};
  TDecodeBuffer buf(kDecodeBufferSize);
  TTileEntry e = EntryFor(4, 0);
  UnpackEntry(e, rom, buf);
  ExpectOutput(buf, test::Str({0x41, 0x42, 0, 0, 0, 0x41}), "ct");
  EXPECT_EQ(e.RawSize, 6);
}

TEST(DecompressFF, OutputEndStopsDecodingAndKeepsTheLength) {
  // Eight literals, then references of length 34 to ring index 2014 (the first output byte);
  // DE FF has that meaning in both layouts.
  std::vector<std::uint8_t> stream{0x00, 0x01, 0xFF, 1, 2, 3, 4, 5, 6, 7, 8, 0x00};
  for (int i = 0; i < 8; ++i) stream.insert(stream.end(), {0xDE, 0xFF});
  const std::vector<std::uint8_t> want{1, 2, 3, 4, 5, 6, 7, 8, 1, 2, 3, 4, 5, 6, 7, 8, 1, 2, 3, 4};

  TDecodeBuffer out(20, 0);
  EXPECT_EQ(DecompressFF5(stream, out), 14u);  // the first reference is counted whole
  EXPECT_EQ(out, want);

  stream[0] = static_cast<std::uint8_t>(stream.size());
  stream[1] = 0;
  TDecodeBuffer out6(20, 0);
  EXPECT_EQ(DecompressFF6(stream, out6), 20u);
  EXPECT_EQ(out6, want);
}

TEST(DecompressCT, OutputEndStopsDecodingAndKeepsTheLength) {
  const std::vector<std::uint8_t> stream{0x0A, 0x00, 0x04, 0x41, 0x42, 0x02, 0x18,
                                         0x43, 0x44, 0x45, 0x46, 0x47, 0xC0};
  for (std::size_t size : {0u, 1u, 3u, 5u, 8u, 12u}) {
    TDecodeBuffer out(size, 0);
    EXPECT_EQ(DecompressCT(stream, out), size) << "output of " << size;
    EXPECT_EQ(std::string(out.begin(), out.end()), std::string("ABABABABCDEFG").substr(0, size));
  }
}

TEST(Decompress, EmptyOutputKeepsTheBufferLength) {
  TDecodeBuffer buf(kDecodeBufferSize + 100, 0);
  const std::vector<std::uint8_t> lz{0x10, 0, 0, 0};
  EXPECT_EQ(DecompressLZ10(lz, buf), 4u);
  EXPECT_EQ(DecompressFF5(std::vector<std::uint8_t>{0, 0}, buf), 2u);
  EXPECT_EQ(DecompressFF6(std::vector<std::uint8_t>{0, 0, 0xFF, 0xFF}, buf), 0u);
  EXPECT_EQ(DecompressCT(std::vector<std::uint8_t>{0, 0, 0x80}, buf), 0u);
  EXPECT_EQ(buf.size(), kDecodeBufferSize + 100);
}
