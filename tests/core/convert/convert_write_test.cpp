// A picture put into a ROM as a screen whose packed map and tiles no longer fit their old
// bytes: each stream moves to free space, every pointer to it follows, the old bytes become
// the fill byte, and the screen draws the picture from the new places.
#include "convert/convert_write.h"

#include <gtest/gtest.h>

#include <random>

#include "../rom/layout_fixtures.h"
#include "compress/compressors.h"
#include "compress/stream_extent.h"
#include "compress/uCompress.h"
#include "palette/entry_template.h"
#include "rom/pointer_search.h"
#include "tiles/uTiles.h"

using namespace tegulo;
using tegulo::test::Bytes;

namespace {

constexpr std::int64_t kTiles = 0x2000;  // the tile set's stream, its pointer at $400
constexpr std::int64_t kMap = 0x3000;    // the map's stream, its pointer at $404
constexpr std::size_t kFree = 0x18000;   // 0xFF from here to the end

// A GBA ROM with a flat 4-tile set and an all-zero 8 x 8 map, both packed as LZ77-10.
Bytes ScreenRom() {
  Bytes rom = tegulo::test::GbaRom(0x20000);
  std::fill(rom.begin() + kFree, rom.end(), 0xFF);
  const Bytes tiles = CompressStream(kSchemeLZ10, Bytes(4 * 32, 0x11));
  const Bytes map = CompressStream(kSchemeLZ10, Bytes(7 * 64 + 8 * 2, 0));  // rows 32 apart
  std::copy(tiles.begin(), tiles.end(), rom.begin() + kTiles);
  std::copy(map.begin(), map.end(), rom.begin() + kMap);
  for (const auto& [at, to] : {std::pair{0x400, kTiles}, std::pair{0x404, kMap}}) {
    const auto value = static_cast<std::uint32_t>(0x08000000 + to);
    for (int i = 0; i < 4; ++i) rom[static_cast<std::size_t>(at + i)] = value >> (8 * i) & 0xFF;
  }
  return rom;
}

std::uint32_t Word(const Bytes& rom, std::size_t at) {
  return rom[at] | rom[at + 1] << 8 | rom[at + 2] << 16 |
         static_cast<std::uint32_t>(rom[at + 3]) << 24;
}

// 64 x 64 pixels of 15 colours and black: every tile its own, so both streams grow.
TPngPicture Noise(unsigned seed) {
  TPngPicture p{64, 64, true, Bytes(64 * 64), {}};
  for (std::uint32_t i = 0; i < 16; ++i) p.colours.push_back(i * 0x080808u);
  std::mt19937 rng(seed);
  for (auto& v : p.samples) v = static_cast<std::uint8_t>(rng() & 15);
  return p;
}

}  // namespace

TEST(RebuildWithPalettesRelocating, GrownStreamsMoveWithTheirPointers) {
  const Bytes rom = ScreenRom();
  TTileEntry e = NewEntry("$2000", 1, 4, 0);
  ApplyTemplate(e, kTemplate4bppGBA);
  e.Address = kTiles;
  e.Compression = kSchemeLZ10;
  TScreen s;
  s.mapAddress = kMap;
  s.mapCompression = kSchemeLZ10;
  s.format = kMapGBAText;
  s.width = 8;
  s.height = 8;
  TRelocateOptions relocate;
  relocate.layout = DetectLayout(rom);

  // Without a place for them the streams are refused as not fitting.
  EXPECT_THROW(RebuildWithPalettes(rom, e, s, Noise(1), 0x1000), TStreamDoesNotFit);

  std::vector<TRelocation> moves;
  const TScreenPaletteResult r =
      RebuildWithPalettesRelocating(rom, e, s, Noise(1), 0x1000, relocate, &moves);
  ASSERT_EQ(moves.size(), 2u);
  const struct {
    const char* what;
    std::int64_t from, to;
    std::size_t pointer;
  } cases[] = {
      {"map", kMap, r.screen.screen.mapAddress, 0x404},
      {"tiles", kTiles, r.screen.entry.Address, 0x400},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_GE(c.to, static_cast<std::int64_t>(kFree));
    EXPECT_EQ(Word(r.screen.rom, c.pointer), 0x08000000u + static_cast<std::uint32_t>(c.to));
    EXPECT_EQ(r.screen.rom[static_cast<std::size_t>(c.from)], 0xFF) << "old bytes filled";
  }
  EXPECT_NE(moves[0].to, moves[1].to);
  // The two new streams do not overlap, and the screen drawn from them was proved.
  const auto end = [&](const TRelocation& m) {
    return m.to +
           static_cast<std::int64_t>(StreamBytesUsed(
               kSchemeLZ10, std::span(r.screen.rom).subspan(static_cast<std::size_t>(m.to))));
  };
  EXPECT_TRUE(end(moves[0]) <= moves[1].to || end(moves[1]) <= moves[0].to);
}
