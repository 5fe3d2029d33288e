// The status-bar texts: tile count and sizes.
#include "entries/status_texts.h"
#include "entries/view_hints.h"

#include <gtest/gtest.h>

#include <cstdint>

using namespace tegulo;

TEST(TileCount, UnsignedDivisionByTileBytes) {
  struct Case {
    std::int32_t raw;
    std::uint8_t bpp;
    std::uint32_t tiles;
  } cases[] = {
      {64, 4, 2},          {63, 4, 1},         {0, 1, 0},   {24, 3, 1},
      {-8, 1, 0x1FFFFFFF}, {-1, 8, 0x3FFFFFF}, {100, 0, 0}, {1000, 255, 0},
  };
  for (const Case& c : cases) {
    TTileEntry e{};
    e.RawSize = c.raw;
    e.Bpp = c.bpp;
    EXPECT_EQ(TileCount(e), c.tiles) << c.raw << " / " << int{c.bpp};
  }
}

TEST(StatusTexts, DecimalPaddedToThreeAndUpperCaseHex) {
  struct Case {
    std::int32_t raw, compr;
    std::uint8_t bpp;
    const char* tiles;
    const char* rawText;
    const char* comprText;
  } cases[] = {
      {64, 9, 4, "#Tiles:   2 ($02)", "RawSize:  64 ($40)", "Compr.Size:   9 ($09)"},
      {4096, 0, 4, "#Tiles: 128 ($80)", "RawSize: 4096 ($1000)", "Compr.Size:   0 ($00)"},
      {0xBEEF, 0xABC, 1, "#Tiles: 6109 ($17DD)", "RawSize: 48879 ($BEEF)",
       "Compr.Size: 2748 ($ABC)"},
      {-8, -1, 1, "#Tiles: 536870911 ($1FFFFFFF)", "RawSize:  -8 ($FFFFFFF8)",
       "Compr.Size:  -1 ($FFFFFFFF)"},
      {10, 4, 0, "#Tiles:   0 ($00)", "RawSize:  10 ($0A)", "Compr.Size:   4 ($04)"},
  };
  for (const Case& c : cases) {
    TTileEntry e{};
    e.RawSize = c.raw;
    e.ComprSize = c.compr;
    e.Bpp = c.bpp;
    const auto texts = StatusTexts(e);
    EXPECT_EQ(texts[0], c.tiles);
    EXPECT_EQ(texts[1], c.rawText);
    EXPECT_EQ(texts[2], c.comprText);
  }
}

TEST(EmptyViewHint, SaysWhatToDoFirstAndNamesTheKeys) {
  struct Case {
    bool rom, entry;
    const char* first;  // the step the hint starts with
  } cases[] = {
      {false, false, "Open a ROM first: Ctrl+O"},
      {true, false, "To see graphics, load a document"},
      {true, true, "Choose a tile template"},
  };
  for (const Case& c : cases) {
    const std::string hint = EmptyViewHint(c.rom, c.entry);
    EXPECT_EQ(hint.rfind(c.first, 0), 0u) << hint;
    for (const char* key : {"Page Up/Page Down", "Home", "Ctrl+wheel", "E edits pixels"}) {
      EXPECT_NE(hint.find(key), std::string::npos) << c.first << ": " << key;
    }
  }
  EXPECT_NE(EmptyViewHint(false, false).find("drop a ROM"), std::string::npos);
  EXPECT_NE(EmptyViewHint(true, false).find("drop a .tgl"), std::string::npos);
}
