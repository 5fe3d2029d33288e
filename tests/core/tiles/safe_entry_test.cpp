// Reading damaged entry records safely.
#include "tiles/safe_entry.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace tegulo;

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
