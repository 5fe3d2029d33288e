#include "entries/tile_entry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "base/uCommon.h"
#include "tiles/uTiles.h"

using namespace tegulo;

namespace {
std::vector<std::uint8_t> Bytes(const TTileEntry& e) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(&e);
  return {p, p + sizeof e};
}
}  // namespace

TEST(NewEntry, ByteLayoutOfTheStartState) {
  TTileEntry e = NewEntry("$1C7D04", 1, 1, 0);
  e.RawSize = 8;  // what the refresh after adding stores
  auto b = Bytes(e);
  ASSERT_EQ(b.size(), 1096u);
  std::vector<std::uint8_t> want(1096, 0);
  want[0] = 7;
  std::memcpy(&want[1], "$1C7D04", 7);
  want[32] = 0x04;
  want[33] = 0x7D;
  want[34] = 0x1C;
  want[36] = 8;
  want[44] = 1;
  want[48] = 1;
  want[57] = 1;
  want[60] = 8;
  want[61] = 8;
  EXPECT_EQ(b, want);
}

TEST(NewEntry, LongAddressTextConvertsWholeButNameKeeps30) {
  const std::string text = "                           $1C7D04";  // 34 characters
  TTileEntry e = NewEntry(text, 3, 4, -5);
  EXPECT_EQ(e.Address, 0x1C7D04);
  EXPECT_EQ(GetName(e), text.substr(0, 30));
  EXPECT_EQ(e.Width, 3);
  EXPECT_EQ(e.Height, 4);
  EXPECT_EQ(e.Offset, -5);
}

TEST(NewEntry, BadAddressThrowsTheConversionError) {
  EXPECT_THROW(NewEntry("hello", 1, 1, 0), TError);
}

TEST(ApplyTemplate, SetsBppPalCountAndRampKeepingHigherColours) {
  TTileEntry e = NewEntry("0", 1, 1, 0);
  for (auto& c : e.Palette) c = 0x123456;
  ApplyTemplate(e, 2);  // 4bpp (SNES)
  EXPECT_EQ(e.Template, 2);
  EXPECT_EQ(e.Bpp, 4);
  EXPECT_EQ(e.PalCount, 16);
  EXPECT_EQ(e.Palette[0], 0u);
  EXPECT_EQ(e.Palette[1], 17u * 65793u);
  EXPECT_EQ(e.Palette[15], 0xFFFFFFu);
  EXPECT_EQ(e.Palette[16], 0x123456u);

  ApplyTemplate(e, 9);  // 8bpp (PC)
  EXPECT_EQ(e.PalCount, 256);
  for (int i = 0; i < 256; ++i) EXPECT_EQ(e.Palette[i], static_cast<std::uint32_t>(i) * 65793u);

  const TTileEntry before = e;
  ApplyTemplate(e, 0);
  ApplyTemplate(e, 10);
  EXPECT_EQ(std::memcmp(&before, &e, sizeof e), 0);
}

TEST(ApplyTemplate, EveryRowGivesItsBitsPerPixel) {
  const int bpp[] = {0, 4, 4, 3, 2, 1, 8, 8, 8, 8};
  for (int row = 1; row <= 9; ++row) {
    TTileEntry e = NewEntry("0", 1, 1, 0);
    ApplyTemplate(e, row);
    EXPECT_EQ(e.Bpp, bpp[row]) << "row " << row;
    EXPECT_EQ(e.PalCount, 1 << bpp[row]) << "row " << row;
  }
}

TEST(SafeReading, DamagedFieldsReadSafely) {
  TTileEntry e;
  std::memset(&e, 0xFF, sizeof e);
  EXPECT_EQ(GetName(e).size(), 30u);
  TSafeEntry s = SafeReading(e);
  EXPECT_EQ(s.palCount, 0);  // -1 clamps to 0
  EXPECT_TRUE(s.hasTiles);
  EXPECT_FALSE(s.decodable);
  EXPECT_FALSE(s.drawable);

  e.PalCount = 100000;
  e.Bpp = 0;
  e.Template = 2;
  e.Width = 2;
  e.Height = 0;
  s = SafeReading(e);
  EXPECT_EQ(s.palCount, 256);
  EXPECT_FALSE(s.hasTiles);
  EXPECT_FALSE(s.drawable);
  e.Height = 1;
  EXPECT_TRUE(SafeReading(e).drawable);
}

TEST(TChoiceTables, TemplateNamesAndValues) {
  EXPECT_EQ(TileTemplates[0].name(), "");
  EXPECT_EQ(TileTemplates[1].name(), "4bpp (GBA)");
  EXPECT_EQ(TileTemplates[9].name(), "8bpp (PC)");
  EXPECT_EQ(TileTemplates[6].Value, 8);
  EXPECT_EQ(sizeof(TileTemplates), 220u);
}
