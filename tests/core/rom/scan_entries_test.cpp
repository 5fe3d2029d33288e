#include "rom/scan_entries.h"

#include <gtest/gtest.h>

#include "base/uCommon.h"
#include "compress/scheme_formats.h"
#include "compress/uCompress.h"
#include "entries/limits.h"
#include "tiles/browse_steps.h"
#include "tiles/uTiles.h"

using namespace tegulo;

TEST(EntryForHit, NamesSizesAndSchemeFollowTheHitAndTheTemplate) {
  const struct {
    TScanHit hit;
    int templ;
    std::int32_t width;
    const char* name;
    std::int32_t height;
  } cases[] = {
      {{0x1600, 1, 2560, 825, 100}, 2, 20, "$001600 LZ77-10", 4},     // 2560 / (20 * 32)
      {{0x1A00, 2, 768, 178, 99}, 3, 8, "$001A00 LZSS-FF5", 4},       // 768 / (8 * 24)
      {{0x1E00, 3, 1025, 240, 99}, 4, 8, "$001E00 LZSS-FF6", 9},      // a partial row counts
      {{0x9C00, 4, 12288, 2627, 90}, 9, 128, "$009C00 LZSS-CT", 96},  // PC: width in bytes
      {{0x10, 2, 0, 2, 0}, 1, 4, "$000010 LZSS-FF5", 1},              // at least one row
      {{0x20, 1, 16000000, 9000, 0}, 5, 1, "$000020 LZ77-10", kMaxTiles},
  };
  for (const auto& c : cases) {
    const TTileEntry e = EntryForHit(c.hit, c.templ, c.width);
    EXPECT_EQ(GetName(e), c.name);
    EXPECT_EQ(e.Address, static_cast<std::int32_t>(c.hit.address)) << c.name;
    EXPECT_EQ(e.Compression, c.hit.scheme) << c.name;
    EXPECT_EQ(e.Template, c.templ) << c.name;
    EXPECT_EQ(e.Width, c.width) << c.name;
    EXPECT_EQ(e.Height, c.height) << c.name;
    EXPECT_EQ(e.PalCount, 1 << TileTemplates[c.templ].Value) << c.name << ": the grey ramp";
  }
  const TScanHit hit{0, 1, 64, 20, 80};
  EXPECT_THROW(EntryForHit(hit, 0, 4), TError);
  EXPECT_THROW(EntryForHit(hit, 10, 4), TError);
  EXPECT_THROW(EntryForHit(hit, 2, 0), TError);
  EXPECT_THROW(EntryForHit({0, kCompressionCount, 64, 20, 80}, 2, 4), TError);
}

TEST(DocumentBytes, AreTheRecordsOneAfterAnother) {
  const TTileEntry a = EntryForHit({0x100, 1, 64, 20, 80}, 2, 2);
  const TTileEntry b = EntryForHit({0x200, 4, 64, 20, 80}, 4, 2);
  const TTileEntry both[] = {a, b};
  const auto bytes = DocumentBytes(both);
  ASSERT_EQ(bytes.size(), 2 * sizeof(TTileEntry));
  EXPECT_EQ(bytes[32], 0x00);
  EXPECT_EQ(bytes[33], 0x01);
  EXPECT_EQ(bytes[sizeof(TTileEntry) + 33], 0x02);
  EXPECT_EQ(bytes[sizeof(TTileEntry) + 59], 4) << "the Compression byte";
  EXPECT_TRUE(DocumentBytes({}).empty());
}

TEST(BrowseSteps, TileRowAndScreenByTemplate) {
  TTileEntry e{};
  e.Width = 3;
  e.Height = 2;
  EXPECT_FALSE(BrowseSteps(e).has_value()) << "no template";
  const struct {
    int templ;
    std::int64_t tile, row, screen;
  } cases[] = {
      {1, 32, 96, 192}, {3, 24, 72, 144}, {5, 8, 24, 48}, {8, 64, 192, 384}, {9, 64, 3, 6}};
  for (const auto& c : cases) {
    e.Template = static_cast<std::uint8_t>(c.templ);
    const auto s = BrowseSteps(e);
    ASSERT_TRUE(s.has_value());
    EXPECT_EQ(s->tile, c.tile) << c.templ;
    EXPECT_EQ(s->row, c.row) << c.templ;
    EXPECT_EQ(s->screen, c.screen) << c.templ;
  }
  e.Template = 10;
  EXPECT_FALSE(BrowseSteps(e).has_value()) << "a damaged template";
  e.Template = 2;
  e.Width = -5;
  e.Height = 0;
  EXPECT_EQ(BrowseSteps(e)->screen, 32) << "sizes below 1 count as 1";
}
