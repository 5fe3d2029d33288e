// Choosing an entry's template: its depth, colour count and the grey ramp it starts with.
#include "palette/entry_template.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace tegulo;

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
