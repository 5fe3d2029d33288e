#include "palette/console_words.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "palette/palette.h"

using namespace tegulo;

namespace {

// The distance of the colour the console shows for a channel value from a wanted one.
int ShownDistance(int v, int channel) { return std::abs(v * 255 / 31 - channel); }

}  // namespace

TEST(ConsoleWords, EveryWordComesBackFromItsColour) {
  for (std::uint32_t w = 0; w < 0x10000u; ++w) {
    const auto word = static_cast<std::uint16_t>(w);
    ASSERT_EQ(ConsoleWord(ConsoleColour(word)), w & 0x7FFFu) << "word " << std::hex << w;
    ASSERT_EQ(SnapToConsole(ConsoleColour(word)), ConsoleColour(word)) << "word " << std::hex << w;
  }
}

TEST(ConsoleWords, EveryChannelTakesTheNearestValue) {
  // Brute force against the 32 values: no other value lies nearer, and of two at the same
  // distance the lower is taken.
  for (int c = 0; c < 256; ++c) {
    const int v = NearestConsoleChannel(static_cast<std::uint8_t>(c));
    ASSERT_LT(v, 32) << "channel " << c;
    for (int other = 0; other < 32; ++other) {
      const int d = ShownDistance(other, c);
      ASSERT_GE(d, ShownDistance(v, c)) << "channel " << c << " other " << other;
      if (d == ShownDistance(v, c)) ASSERT_GE(other, v) << "channel " << c;
    }
  }
}

TEST(ConsoleWords, ColoursSnapChannelByChannel) {
  struct TCase {
    std::uint32_t colour;
    std::uint16_t word;
    std::uint32_t shown;
  };
  const TCase cases[] = {
      {0x00000000, 0x0000, 0x00000000},  // black
      {0x00FFFFFF, 0x7FFF, 0x00FFFFFF},  // white
      {0xAB0000FF, 0x001F, 0x000000FF},  // the top byte plays no part
      {0x0000FF00, 0x03E0, 0x0000FF00},  // green alone
      {0x00FF0000, 0x7C00, 0x00FF0000},  // blue alone
      {0x00000004, 0x0000, 0x00000000},  // 4 lies nearer 0 than 8
      {0x00000005, 0x0001, 0x00000008},  // 5 nearer 8
      {0x00808080, 0x4210, 0x00838383},  // 128: 16 shows 131, nearer than 15's 123
      {0x0025292D, 0x14A5, 0x00292929},  // 45, 41, 37 all round to 41
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(ConsoleWord(c.colour), c.word) << std::hex << c.colour;
    EXPECT_EQ(SnapToConsole(c.colour), c.shown) << std::hex << c.colour;
  }
}

TEST(ConsoleWords, TextNamesTheWordAndTheColourShown) {
  EXPECT_EQ(ConsoleWordText(0x00FF00FF), "Console word $7C1F, shown as #FF00FF");
  EXPECT_EQ(ConsoleWordText(0x00808080), "Console word $4210, shown as #838383");
  EXPECT_EQ(ConsoleWordText(0x00000005), "Console word $0001, shown as #080000");
}

TEST(ConsoleWords, BytesAreLittleEndianWordsInOrder) {
  const std::uint32_t colours[] = {0x000000FF, 0x00FF0000, 0x00FFFFFF};
  const std::vector<std::uint8_t> expected = {0x1F, 0x00, 0x00, 0x7C, 0xFF, 0x7F};
  EXPECT_EQ(ConsoleWordBytes(colours), expected);
  EXPECT_TRUE(ConsoleWordBytes({}).empty());
}
