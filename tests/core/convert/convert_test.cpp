// The picture converter: palette packing against minimums known by construction, round trips
// through the screen drawing for every template and map format, refusals.
#include "convert/convert.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "base/bitmap.h"
#include "convert/palette_pack.h"
#include "palette/console_words.h"
#include "palette/palette.h"
#include "screen/map_formats.h"
#include "screen/screen.h"
#include "tiles/uTiles.h"

using namespace tegulo;

namespace {

using namespace std::chrono_literals;

// An RGBA picture of tw x th tiles. Tile t (of the first `groups` x n tiles) draws from group
// t % groups of `capacity` colours, so that every colour of every group appears and each
// tile fits its group: exactly `groups` palettes are needed. Alpha 0 marks colour 0. Then
// `copies` tiles repeat tiles 0, 1, ... mirrored in turn (none, h, v, both).
struct TBuilt {
  TPngPicture picture;
  std::vector<std::uint16_t> words;  // per pixel; kTransparentWord for colour 0
};

std::uint16_t GroupWord(int group, int k, int capacity) {
  const int id = group * capacity + k + 1;
  return static_cast<std::uint16_t>((id * 73) & 0x7FFF);  // distinct for ids below 449
}

TBuilt Build(int tw, int th, int capacity, int groups, int copies) {
  TBuilt b;
  b.picture.width = 8 * tw;
  b.picture.height = 8 * th;
  b.words.assign(static_cast<std::size_t>(64 * tw * th), kTransparentWord);
  const int drawn = tw * th - copies;
  const auto put = [&](int t, int x, int y, std::uint16_t w) {
    const int px = 8 * (t % tw) + x;
    const int py = 8 * (t / tw) + y;
    b.words[static_cast<std::size_t>(py * 8 * tw + px)] = w;
  };
  for (int t = 0; t < drawn; ++t) {
    const int group = t % groups;
    const int m = t / groups;
    for (int j = 0; j < 64; ++j) {
      const int k = (m * 5 + j * 7) % (capacity + 1);
      put(t, j % 8, j / 8, k == capacity ? kTransparentWord : GroupWord(group, k, capacity));
    }
  }
  for (int c = 0; c < copies; ++c) {
    const int from = c % drawn;
    const bool h = (c & 1) != 0, v = (c & 2) != 0;
    for (int y = 0; y < 8; ++y) {
      for (int x = 0; x < 8; ++x) {
        const int sx = 8 * (from % tw) + (h ? 7 - x : x);
        const int sy = 8 * (from / tw) + (v ? 7 - y : y);
        put(drawn + c, x, y, b.words[static_cast<std::size_t>(sy * 8 * tw + sx)]);
      }
    }
  }
  for (const std::uint16_t w : b.words) {
    const std::uint32_t c = w == kTransparentWord ? 0 : ConsoleColour(w);
    b.picture.samples.insert(b.picture.samples.end(),
                             {static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(c >> 8),
                              static_cast<std::uint8_t>(c >> 16),
                              static_cast<std::uint8_t>(w == kTransparentWord ? 0 : 255)});
  }
  return b;
}

// Draws the three outputs as render does (tiles at 0, the map and the palettes after them)
// and compares every pixel's colour word with the picture's.
void ExpectDrawsBack(const TConversion& c, const TBuilt& b, const TConvertOptions& o,
                     const std::string& what) {
  std::vector<std::uint8_t> rom = c.tiles;
  TScreen s;
  s.format = o.mapFormat;
  s.width = c.width;
  s.height = c.height;
  s.tileBase = o.tileBase;
  s.paletteBase = o.paletteBase;
  s.mapAddress = static_cast<std::int32_t>(rom.size());
  rom.insert(rom.end(), c.map.begin(), c.map.end());
  TTileEntry e{};
  e.Template = static_cast<std::uint8_t>(o.templ);
  e.PalCount = 256;
  for (std::size_t i = 0; i < 256; ++i) {
    const std::size_t at = 2 * i;
    const auto w = static_cast<std::uint16_t>(
        at + 1 < c.palettes.size() ? c.palettes[at] | c.palettes[at + 1] << 8 : 0);
    e.Palette[i] = ConsoleColour(w);
  }
  TIndexedBitmap bmp;
  DrawScreen(bmp, e, s, rom, {}, e.Palette[0]);
  ASSERT_EQ(bmp.Width(), b.picture.width) << what;
  for (std::int32_t y = 0; y < bmp.Height(); ++y) {
    for (std::int32_t x = 0; x < bmp.Width(); ++x) {
      const std::uint16_t want = b.words[static_cast<std::size_t>(y * bmp.Width() + x)];
      const std::uint8_t index = bmp.Row(y)[x];
      if (want == kTransparentWord) {
        ASSERT_EQ(index, 0) << what << " at (" << x << ", " << y << ")";
      } else {
        ASSERT_EQ(ConsoleWord(SwapRedBlue(bmp.Colours[index])), want)
            << what << " at (" << x << ", " << y << ")";
      }
    }
  }
}

// A row of tiles, each filled with its colour words in turn after a first column of colour 0
// (word 1, fully transparent).
TBuilt Tiles(const std::vector<std::vector<std::uint16_t>>& tiles) {
  TBuilt b;
  const auto tw = static_cast<int>(tiles.size());
  b.picture.width = 8 * tw;
  b.picture.height = 8;
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8 * tw; ++x) {
      const std::vector<std::uint16_t>& t = tiles[static_cast<std::size_t>(x / 8)];
      const std::uint16_t w = x % 8 == 0 ? 1 : t[static_cast<std::size_t>(x % 8 + y) % t.size()];
      b.words.push_back(w == 1 ? kTransparentWord : w);
      const std::uint32_t c = ConsoleColour(w);
      b.picture.samples.insert(
          b.picture.samples.end(),
          {static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(c >> 8),
           static_cast<std::uint8_t>(c >> 16), static_cast<std::uint8_t>(w == 1 ? 0 : 255)});
    }
  }
  return b;
}

TColourBits Set(std::initializer_list<int> colours) {
  TColourBits s;
  for (const int c : colours) s.Add(c);
  return s;
}

}  // namespace

TEST(PackPalettes, FindsTheMinimumKnownByConstruction) {
  struct TCase {
    const char* what;
    int capacity;
    std::vector<TColourBits> sets;
    int fewest;
    int firstFit;  // the naive packing, for comparison
  };
  const TCase cases[] = {
      {"no colours", 3, {TColourBits{}}, 0, 0},
      {"one set", 3, {Set({0, 1, 2})}, 1, 1},
      {"subsets first mislead first fit",
       4,
       {Set({0, 1}), Set({2, 3}), Set({0, 1, 4, 5}), Set({2, 3, 6, 7})},
       2,
       3},
      {"each pair apart from the triple",
       3,
       {Set({0, 1}), Set({2, 3}), Set({4, 5}), Set({0, 2, 4})},
       4,
       4},
      {"two groups interleaved, small sets first",
       4,
       {Set({0, 1}), Set({4, 5}), Set({2, 3}), Set({6, 7}), Set({0, 2}), Set({4, 6})},
       2,
       3},
  };
  for (const TCase& c : cases) {
    const TPalettePacking p = PackPalettes(c.sets, c.capacity, 16, 1000ms);
    ASSERT_TRUE(p.found) << c.what;
    EXPECT_EQ(static_cast<int>(p.palettes.size()), c.fewest) << c.what;
    EXPECT_TRUE(p.proven) << c.what;
    for (const TColourBits& s : c.sets) {
      bool inOne = s.Count() == 0;
      for (const TColourBits& pal : p.palettes) {
        EXPECT_LE(pal.Count(), c.capacity) << c.what;
        inOne = inOne || s.SubsetOf(pal);
      }
      EXPECT_TRUE(inOne) << c.what;
    }
    EXPECT_EQ(static_cast<int>(FirstFitPalettes(c.sets, c.capacity).size()), c.firstFit) << c.what;
  }
}

TEST(PackPalettes, RandomSplitsOfFullPalettesComeBackWhole) {
  // Groups of `capacity` colours, each cut into random tile sets and the sets shuffled: the
  // colour count alone proves `groups` palettes the minimum.
  struct TCase {
    int capacity, groups, setsPerGroup;
    std::uint32_t seed;
  };
  const TCase cases[] = {{15, 8, 6, 1}, {15, 16, 5, 2}, {3, 8, 4, 3}, {7, 8, 5, 4}, {15, 6, 9, 5}};
  for (const TCase& c : cases) {
    std::mt19937 rng(c.seed);
    std::vector<TColourBits> sets;
    for (int g = 0; g < c.groups; ++g) {
      std::vector<TColourBits> parts(static_cast<std::size_t>(c.setsPerGroup));
      for (int k = 0; k < c.capacity; ++k) {
        const int colour = g * c.capacity + k;
        parts[rng() % parts.size()].Add(colour);
        parts[rng() % parts.size()].Add(colour);
      }
      sets.insert(sets.end(), parts.begin(), parts.end());
    }
    std::shuffle(sets.begin(), sets.end(), rng);
    const TPalettePacking p = PackPalettes(sets, c.capacity, 16, 1000ms);
    ASSERT_TRUE(p.found) << "seed " << c.seed;
    EXPECT_EQ(static_cast<int>(p.palettes.size()), c.groups) << "seed " << c.seed;
    EXPECT_TRUE(p.proven) << "seed " << c.seed;
  }
}

TEST(ConvertPicture, EveryTemplateAndMapFormatDrawsThePictureBack) {
  for (int templ = 1; templ < kTemplateCount; ++templ) {
    if (templ == kTemplateLinear8bpp) continue;
    for (int format = 0; format < kMapFormatCount; ++format) {
      TConvertOptions o;
      o.templ = templ;
      o.mapFormat = format;
      const int bpp = TileTemplates[templ].Value;
      const int groups = std::min(PaletteLimit(o), 4);
      const TBuilt b = Build(5, 4, (1 << bpp) - 1, groups, 4);
      const std::string what =
          std::string(TileTemplates[templ].name()) + " / " + std::string(MapFormats()[format].name);
      const TConversion c = ConvertPicture(b.picture, o);
      EXPECT_EQ(c.paletteCount, groups) << what;
      EXPECT_TRUE(c.proven) << what;
      EXPECT_EQ(c.palettes.size(), static_cast<std::size_t>(2 * groups << bpp)) << what;
      // The mirrored copies add nothing where the format flips; the plain copy never does.
      EXPECT_LE(c.tileCount, MapFormats()[format].HasFlips() ? 16 : 19) << what;
      ExpectDrawsBack(c, b, o, what);
    }
  }
}

TEST(ConvertPicture, BasesFlipsAndLimits) {
  struct TCase {
    const char* what;
    int maxPalettes;
    std::int32_t tileBase, paletteBase;
    bool flips;
    std::int64_t tiles;  // -1: refused
    std::string error;
  };
  const TCase cases[] = {
      // One pattern per row of groups, the same in every palette: four tiles, and the
      // mirrored copies.
      {"flips merge the mirrored copies", 0, 0, 0, true, 4, ""},
      {"no flips keeps three of them", 0, 0, 0, false, 7, ""},
      {"numbered from 256, palettes from 4", 0, -256, -4, true, 4, ""},
      {"palettes above the base run out", 0, 0, -6, true, -1,
       "more than 30 colours besides colour 0, the most 2 palettes of 4 bits per pixel hold; "
       "tile (2, 0) brings colour 31"},
      {"--max-palettes", 3, 0, 0, true, -1, "tile (3, 0) brings colour 46"},
      {"tile numbers run out", 0, -1021, 0, true, -1,
       "Tile (2, 2) would be tile number 1024; a snes map numbers tiles up to 1023"},
      {"a positive base", 0, 4, 0, true, -1, "0 or below"},
  };
  const TBuilt b = Build(5, 4, 15, 4, 4);
  for (const TCase& c : cases) {
    TConvertOptions o;
    o.templ = kTemplate4bppSNES;
    o.mapFormat = kMapSNES;
    o.maxPalettes = c.maxPalettes;
    o.tileBase = c.tileBase;
    o.paletteBase = c.paletteBase;
    o.flips = c.flips;
    try {
      const TConversion conv = ConvertPicture(b.picture, o);
      EXPECT_EQ(conv.tileCount, c.tiles) << c.what;
      ExpectDrawsBack(conv, b, o, c.what);
    } catch (const TError& e) {
      EXPECT_EQ(c.tiles, -1) << c.what << ": " << e.what();
      EXPECT_NE(std::string(e.what()).find(c.error), std::string::npos)
          << c.what << ": " << e.what();
    }
  }
}

TEST(ConvertPicture, RefusesWhatCannotBeMade) {
  struct TCase {
    const char* what;
    TBuilt built;
    int templ;
    std::string error;
    int maxPalettes = 0;
  };
  TBuilt crowded = Build(2, 1, 15, 1, 0);
  crowded.picture.samples[4 * 3] ^= 0x80;  // a 16th colour in tile (0, 0)
  TBuilt odd = Build(2, 1, 3, 1, 0);
  odd.picture.width = 12;
  odd.picture.height = 12;
  const TCase cases[] = {
      {"a tile of too many colours", crowded, kTemplate4bppSNES,
       "Tile (0, 0) has 16 colours besides colour 0; a palette of 4 bits per pixel holds 15"},
      {"more colours than every palette holds", Build(4, 4, 15, 9, 0), kTemplate2bppSNES,
       "Tile (0, 0) has 15 colours besides colour 0"},
      {"more colours than 8 palettes hold", Build(5, 4, 7, 9, 0), kTemplate3bppSNES,
       "more than 56 colours besides colour 0, the most 8 palettes of 3 bits per pixel hold; tile "
       "(3, 1) brings colour 57"},
      {"three palettes' worth in six colours", Tiles({{2, 3, 4}, {5, 6, 7}, {2, 5}}),
       kTemplate2bppSNES,
       "needs more than 2 palettes of 3 colours: tile (2, 0) fits none of those made for the "
       "tiles before it",
       2},
      {"not a multiple of 8", odd, kTemplate2bppSNES, "12 x 12 pixels; a screen needs a multiple"},
      {"rows of pixels are not tiles", Build(1, 1, 3, 1, 0), kTemplateLinear8bpp, ""},
  };
  for (const TCase& c : cases) {
    TConvertOptions o;
    o.templ = c.templ;
    o.mapFormat = kMapSNES;
    o.maxPalettes = c.maxPalettes;
    try {
      ConvertPicture(c.built.picture, o);
      ADD_FAILURE() << c.what;
    } catch (const TError& e) {
      EXPECT_NE(std::string(e.what()).find(c.error), std::string::npos)
          << c.what << ": " << e.what();
    }
  }
}

TEST(ConvertPicture, APictureOfColourZeroAloneIsOneTileAndOnePalette) {
  TBuilt b = Build(2, 2, 3, 1, 0);
  for (std::size_t i = 3; i < b.picture.samples.size(); i += 4) b.picture.samples[i] = 0;
  TConvertOptions o;
  o.templ = kTemplate2bppSNES;
  o.mapFormat = kMapSNES;
  const TConversion c = ConvertPicture(b.picture, o);
  EXPECT_EQ(c.Summary(), "1 tile, 1 palette");
  EXPECT_EQ(c.palettes.size(), 8U);
}

TEST(ConsolePicture, ColourZeroIsChosenByTheRule) {
  struct TCase {
    const char* what;
    std::vector<std::uint8_t> rgba;  // 3 x 1 pixels
    std::uint16_t transparent;
    std::vector<bool> clear;
  };
  const TCase cases[] = {
      {"the first fully transparent pixel's colour",
       {255, 0, 0, 255, 0, 0, 255, 0, 8, 8, 8, 255},
       0x7C00,
       {false, true, false}},
      {"most common on the border",
       {255, 0, 0, 255, 0, 255, 0, 255, 255, 0, 0, 255},
       0x001F,
       {true, false, true}},
      {"a tie goes to the first met",
       {0, 255, 0, 255, 255, 0, 0, 255, 0, 0, 255, 255},
       0x03E0,
       {true, false, false}},
  };
  for (const TCase& c : cases) {
    TPngPicture pic;
    pic.width = 3;
    pic.height = 1;
    pic.samples = c.rgba;
    const TWordPicture w = ConsolePicture(pic);
    EXPECT_EQ(w.transparent, c.transparent) << c.what;
    for (std::size_t i = 0; i < 3; ++i) {
      EXPECT_EQ(w.words[i] == kTransparentWord, c.clear[i]) << c.what << ", pixel " << i;
    }
  }
  TPngPicture indexed;
  indexed.width = 2;
  indexed.height = 1;
  indexed.indexed = true;
  indexed.colours = {0x00FF00, 0x0000FF};
  indexed.samples = {1, 0};
  const TWordPicture w = ConsolePicture(indexed);
  EXPECT_EQ(w.transparent, 0x03E0);
  EXPECT_EQ(w.words, (std::vector<std::uint16_t>{0x001F, kTransparentWord}));
  indexed.samples = {2, 0};
  EXPECT_THROW(ConsolePicture(indexed), TError);
}
