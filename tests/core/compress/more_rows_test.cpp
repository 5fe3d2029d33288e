// The scheme rows 5 and up: names, and a stream each compressor writes unpacks through the
// row with the sizes of its rule, and the scan checker and the extent walk agree with it.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "base/uCommon.h"
#include "compress/compressors.h"
#include "compress/refresh.h"
#include "compress/scan/stream_scan.h"
#include "compress/scheme_formats.h"
#include "compress/stream_extent.h"
#include "entries/tile_entry.h"
#include "sample_data.h"

using namespace tegulo;

TEST(MoreSchemeRows, NamesFindTheirRows) {
  const struct {
    const char* text;
    int row;
  } cases[] = {
      {"LZ77-11", kSchemeLZ11}, {"huffman-4", kSchemeHuffman4}, {"HUFFMAN-8", kSchemeHuffman8},
      {"rle-30", kSchemeRLE30}, {"Diff-8", kSchemeDiff8},       {"diff-16", kSchemeDiff16},
      {"lc_lz2", kSchemeLCLZ2}, {"LC_LZ5", kSchemeLCLZ5},       {"hal", kSchemeHAL},
  };
  for (const auto& c : cases) EXPECT_EQ(FindScheme(c.text), c.row) << c.text;
  // The later rows' names, each found in any case at the row of that name.
  const struct {
    const char* text;
    const char* name;
  } later[] = {{"LC_LZ1", "LC_LZ1"},     {"lc_lz14", "LC_LZ14"},     {"KONAMI-1", "Konami-1"},
               {"Konami-2", "Konami-2"}, {"konami-2r", "Konami-2R"}, {"LC_lz17", "LC_LZ17"}};
  for (const auto& c : later) {
    const auto row = FindScheme(c.text);
    ASSERT_TRUE(row.has_value()) << c.text;
    EXPECT_EQ(Compressions[*row].name(), c.name) << c.text;
  }
}

TEST(MoreSchemeRows, CompressedStreamsUnpackWithTheirSizes) {
  // Whole tiles, so the command formats' scan check (multiples of 16 bytes) takes them.
  // Blank tiles at the end, whose zeros Konami-1 writes with the command that tells it apart.
  std::vector<std::uint8_t> data = MakeTileLikeData(4096, 24);
  data.resize(data.size() + 64, 0);
  TDecodeBuffer buffer(kDecodeBufferSize);
  for (int row = kSchemeLZ11; row < kCompressionCount; ++row) {
    const char* name = SchemeFormats()[row].name;
    const std::vector<std::uint8_t> stream = CompressStream(row, data);
    // 4-aligned, with other bytes after it.
    std::vector<std::uint8_t> rom(16, 0xEE);
    rom.insert(rom.end(), stream.begin(), stream.end());
    rom.resize(rom.size() + 40, 0xEE);

    TTileEntry e{};
    e.Address = 16;
    e.Compression = static_cast<std::uint8_t>(row);
    UnpackEntry(e, rom, buffer);
    EXPECT_EQ(std::memcmp(buffer.data(), data.data(), data.size()), 0) << name;
    EXPECT_EQ(e.RawSize, static_cast<std::int32_t>(data.size())) << name;
    EXPECT_EQ(e.ComprSize, static_cast<std::int32_t>(stream.size())) << name;
    EXPECT_EQ(StreamBytesUsed(row, std::span(rom).subspan(16)), stream.size()) << name;

    const auto hit = CheckAndScore(rom, 16, row, 32);
    ASSERT_TRUE(hit.has_value()) << name;
    EXPECT_EQ(hit->scheme, row) << name;
    EXPECT_EQ(hit->rawSize, data.size()) << name;
    EXPECT_EQ(hit->comprSize, stream.size()) << name;
  }
}

// Chance bytes: the checkers' facts turn almost every position down.
TEST(MoreSchemeRows, NoiseGivesFewHits) {
  std::vector<std::uint8_t> rom = MakeTileLikeData(1 << 14, 5);
  std::uint32_t x = 1;
  for (std::size_t i = 0; i < rom.size(); i += 2) {
    x = x * 1103515245u + 12345u;
    rom[i] = static_cast<std::uint8_t>(x >> 16);
  }
  for (int row = kSchemeLZ11; row < kCompressionCount; ++row) {
    int hits = 0;
    for (std::size_t pos = 0; pos < rom.size(); ++pos) {
      if (!CheckStream(rom, pos, row, 32)) continue;  // the cheap test first
      const auto hit = CheckAndScore(rom, pos, row, 32);
      if (hit && hit->score >= kDefaultMinScore) ++hits;
    }
    EXPECT_LE(hits, 2) << SchemeFormats()[row].name;
  }
}

// What each compressor writes, the scan of its scheme finds, whatever the data, where it
// unpacks to the whole units the scheme's scan asks: a checker's rules must hold every choice
// an optimal parse may make (which of two blocks of a split is the full one).
TEST(MoreSchemeRows, TheScanFindsWhatEveryCompressorWrites) {
  std::vector<std::uint8_t> noise(1504);  // whole 2bpp tiles, as the command formats ask
  std::uint32_t x = 7;
  for (auto& b : noise) {
    x = x * 1103515245u + 12345u;
    b = static_cast<std::uint8_t>(x >> 16);
  }
  // Off the 16-byte units some schemes' scans ask.
  const std::vector<std::uint8_t> oddNoise(noise.begin(), noise.end() - 4);
  std::vector<std::uint8_t> noiseThenBlank = noise;
  noiseThenBlank.resize(noise.size() + 704, 0);
  const struct {
    const char* what;
    std::vector<std::uint8_t> data;
  } kContents[] = {
      {"tiles", MakeTileLikeData(2048, 9)},
      {"noise", noise},
      {"noise of 1500 bytes", oddNoise},
      {"noise then blank", noiseThenBlank},
      {"blank", std::vector<std::uint8_t>(2048, 0)},
  };
  for (const auto& c : kContents) {
    for (int row = 1; row < kCompressionCount; ++row) {
      std::vector<std::uint8_t> stream;
      try {
        stream = CompressStream(row, c.data);
      } catch (const TError&) {
        continue;  // a scheme that holds no such data (Konami-2R: whole 16-byte blocks)
      }
      std::vector<std::uint8_t> rom(16, 0xEE);
      rom.insert(rom.end(), stream.begin(), stream.end());
      rom.resize(rom.size() + 40, 0xEE);
      const bool whole = c.data.size() % SchemeFormats()[row].scanUnit == 0;
      const auto hit = CheckStream(rom, 16, row, 32);
      EXPECT_EQ(hit.has_value(), whole) << c.what << ", " << SchemeFormats()[row].name;
    }
  }
}
