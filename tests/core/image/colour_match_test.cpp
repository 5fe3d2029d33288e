// Colour matching: the console rule against every expansion of 5-bit levels, exact and
// nearest matching, the nearest match's report.
#include "image/colour_match.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/png_reader.h"
#include "palette/console_words.h"

using namespace tegulo;

namespace {

// A true-colour picture of one row from 0x00RRGGBB colours, all opaque.
TPngPicture Row(const std::vector<std::uint32_t>& rgb) {
  TPngPicture pic;
  pic.width = static_cast<std::int32_t>(rgb.size());
  pic.height = 1;
  for (const std::uint32_t c : rgb) {
    pic.samples.insert(pic.samples.end(),
                       {static_cast<std::uint8_t>(c >> 16), static_cast<std::uint8_t>(c >> 8),
                        static_cast<std::uint8_t>(c), 255});
  }
  return pic;
}

}  // namespace

TEST(ColourMatch, EveryExpansionOfEveryLevelGivesTheLevelBack) {
  struct TExpansion {
    const char* name;
    unsigned (*expand)(unsigned c);
  };
  const TExpansion expansions[] = {
      {"c * 255 div 31", [](unsigned c) { return c * 255 / 31; }},
      {"bit replication", [](unsigned c) { return (c << 3) | (c >> 2); }},
      {"c * 255 / 31 rounded", [](unsigned c) { return (c * 255 + 15) / 31; }},
  };
  for (const TExpansion& e : expansions) {
    for (unsigned c = 0; c < 32; ++c) {
      EXPECT_EQ(NearestConsoleChannel(static_cast<std::uint8_t>(e.expand(c))), c)
          << e.name << ", level " << c;
    }
  }
}

TEST(ColourMatch, PixelsFindTheirIndexByTheRule) {
  // Palette (0x00BBGGRR): 0 black, 1 red 255, 2 red 255 green 1, 3 grey 132 (bit replication
  // of level 16), 4 green 99.
  const std::vector<std::uint32_t> palette = {0x000000, 0x0000FF, 0x0001FF, 0x848484, 0x006300};
  struct TCase {
    const char* what;
    TColourMatch match;
    std::uint32_t rgb;  // the pixel, 0x00RRGGBB
    int expected;       // -1: refused
    double distance;    // how far a nearest match moved it
  };
  const TCase cases[] = {
      {"exact colour first, though an earlier one has its word", TColourMatch::kConsole, 0xFF0100,
       2, 0},
      {"same word as red", TColourMatch::kConsole, 0xFF0300, 1, 0},
      {"grey 131 (c*255 div 31 of 16) is grey 132", TColourMatch::kConsole, 0x838383, 3, 0},
      {"green 98 is level 12 as 99 is", TColourMatch::kConsole, 0x006200, 4, 0},
      {"another word", TColourMatch::kConsole, 0x00FF00, -1, 0},
      {"exact refuses the same word", TColourMatch::kExact, 0x838383, -1, 0},
      {"exact takes its own colour", TColourMatch::kExact, 0x848484, 3, 0},
      {"nearest keeps a console match in place", TColourMatch::kNearest, 0x838383, 3, 0},
      {"nearest moves green 140 to green 99", TColourMatch::kNearest, 0x008C00, 4, 41},
      {"nearest moves dark red to black", TColourMatch::kNearest, 0x300000, 0, 48},
  };
  for (const TCase& c : cases) {
    TColourMatchReport report;
    try {
      const TPixelImage img = PictureIndices(Row({c.rgb}), palette, std::nullopt, c.match, &report);
      EXPECT_EQ(int{img.pixels[0]}, c.expected) << c.what;
      EXPECT_EQ(report.moved, c.distance > 0 ? 1 : 0) << c.what;
      EXPECT_NEAR(report.largest, c.distance, 1e-9) << c.what;
    } catch (const TColoursNotInPalette&) {
      EXPECT_EQ(c.expected, -1) << c.what;
    }
  }
}

TEST(ColourMatch, NearestReportsMovedPixelsAndTheLargestDistance) {
  const std::vector<std::uint32_t> palette = {0x000000, 0xFFFFFF};
  TColourMatchReport report;
  const TPixelImage img = PictureIndices(Row({0x0A0000, 0xFFFFFF, 0x0A0000, 0xF0F0F0, 0x000000}),
                                         palette, std::nullopt, TColourMatch::kNearest, &report);
  EXPECT_EQ(img.pixels, (std::vector<std::uint8_t>{0, 1, 0, 1, 0}));
  EXPECT_EQ(report.moved, 3);
  EXPECT_EQ(report.Text(),
            "Matched 3 pixels to the nearest palette colour (largest distance 26.0)");
  EXPECT_EQ(TColourMatchReport{}.Text(), "");
  EXPECT_EQ(NearestMatchQuestion("Refused", report),
            "Refused\n\nMatch the picture to the nearest palette colours? " + report.Text() + ".");
}

TEST(ColourMatch, NamesAreFoundInAnyCase) {
  EXPECT_EQ(FindColourMatch("Console"), TColourMatch::kConsole);
  EXPECT_EQ(FindColourMatch("EXACT"), TColourMatch::kExact);
  EXPECT_EQ(FindColourMatch("nearest"), TColourMatch::kNearest);
  EXPECT_EQ(FindColourMatch("near"), std::nullopt);
}
