// Finding a scene's pieces in a ROM: plain copies, slices of streams of several schemes
// (ours and a greedy encoder's), pieces found twice, in part or nowhere.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <random>

#include "compress/compressors.h"
#include "compress/scan/stream_scan.h"
#include "compress/scheme_formats.h"
#include "compress/uCompress.h"
#include "greedy_encoders.h"
#include "locate/locate.h"
#include "locate/locate_doc.h"
#include "scene/scene_render.h"
#include "scene_fixtures.h"

namespace tegulo {
namespace {

using TBytes = std::vector<std::uint8_t>;

// Noise with some text and zero filler, as ROMs hold around their graphics.
TBytes Filler(std::size_t size, unsigned seed) {
  std::mt19937 rng(seed);
  TBytes rom(size);
  for (std::size_t i = 0; i < size; ++i) {
    const std::size_t block = i / 4096 % 3;
    rom[i] = block == 0   ? static_cast<std::uint8_t>(rng())
             : block == 1 ? static_cast<std::uint8_t>("THE QUICK BROWN FOX "[i % 20])
                          : 0;
  }
  return rom;
}

// How a piece is planted: plain, packed alone by a scheme (ours, or the greedy LZ77-10
// encoder), behind `before` bytes of other data in one stream, twice, or not at all.
enum class TWay { Plain, Twice, Packed, Greedy, Absent };
struct TPlant {
  int layer;
  TPartKind kind;
  TWay way;
  int scheme;
  std::size_t before;
};

using TPlaces = std::map<TBytes, std::vector<TPartPlace>>;

// Plants each piece of `parts` its table row names, at addresses 0x100-aligned plus `skew`
// (SNES streams need no alignment; the GBA BIOS's need 4), and returns where each piece's bytes
// should be found (pieces of two layers may hold the same bytes), plain places first, then packed,
// each by address.
TPlaces Plant(TBytes& rom, std::span<const TScenePart> parts, std::span<const TPlant> plants,
              std::size_t skew) {
  TPlaces places;
  std::size_t at = 0x8000 + skew;
  for (const TScenePart& p : parts) {
    if (p.runOf >= 0) continue;
    const auto row = std::find_if(plants.begin(), plants.end(), [&](const TPlant& t) {
      return t.layer == p.layer && t.kind == p.kind;
    });
    if (row == plants.end() || row->way == TWay::Absent) continue;
    const auto put = [&](const TBytes& bytes) {
      std::copy(bytes.begin(), bytes.end(), rom.begin() + static_cast<std::ptrdiff_t>(at));
      const std::size_t where = at;
      at = (at + bytes.size() + 0x1FF) / 0x100 * 0x100 + skew;
      return static_cast<std::int64_t>(where);
    };
    std::vector<TPartPlace>& e = places[p.bytes];
    const std::uint32_t len = p.length;
    if (row->way == TWay::Plain || row->way == TWay::Twice) {
      e.push_back({put(p.bytes), 0, 0, len});
      if (row->way == TWay::Twice) e.push_back({put(p.bytes), 0, 0, len});
    } else {
      // Other graphics before the piece: rows of a few colours, as tiles hold.
      TBytes data(row->before);
      for (std::size_t k = 0; k < data.size(); ++k) {
        data[k] = static_cast<std::uint8_t>((k / 8 % 5) * 0x11 + (k % 3 == 0 ? 0x40 : 0));
      }
      data.insert(data.end(), p.bytes.begin(), p.bytes.end());
      const TBytes stream =
          row->way == TWay::Greedy ? EncodeLZ10(data) : CompressStream(row->scheme, data);
      const int scheme = row->way == TWay::Greedy ? kSchemeLZ10 : row->scheme;
      e.push_back({put(stream), scheme, static_cast<std::uint32_t>(row->before), len});
    }
  }
  for (auto& [bytes, list] : places) {
    std::stable_sort(list.begin(), list.end(), [](const TPartPlace& x, const TPartPlace& y) {
      return (x.scheme != 0) != (y.scheme != 0) ? x.scheme == 0 : x.address < y.address;
    });
  }
  return places;
}

// Whether the place truly holds the bytes, unpacking a stream with its scheme's decoder.
bool Holds(std::span<const std::uint8_t> rom, const TPartPlace& at, const TBytes& bytes) {
  if (at.scheme == 0) {
    return std::equal(bytes.begin(), bytes.end(),
                      rom.begin() + static_cast<std::ptrdiff_t>(at.address));
  }
  TDecodeBuffer out(kDecodeBufferSize);
  bool notValid = false;
  FindSchemeFormat(at.scheme)->decode(rom.subspan(static_cast<std::size_t>(at.address)), out,
                                      &notValid);
  return at.offset + bytes.size() <= out.size() &&
         std::equal(bytes.begin(), bytes.end(), out.begin() + at.offset);
}

struct TSceneCase {
  const char* name;
  TScene scene;
  std::vector<TPlant> plants;
};

TEST(LocateScene, FindsEveryPlantedPieceWherePlantedAndNothingOfTheAbsentOnes) {
  const TSceneCase cases[] = {
      {"snes",
       fixtures::SampleSnesScene(),
       {{0, TPartKind::Tiles, TWay::Packed, kSchemeFF6, 0},
        {0, TPartKind::Map, TWay::Packed, kSchemeLCLZ2, 0},
        {0, TPartKind::Palette, TWay::Twice, 0, 0},
        {1, TPartKind::Tiles, TWay::Packed, kSchemeHAL, 0},
        {1, TPartKind::Map, TWay::Greedy, 0, 64},
        {1, TPartKind::Palette, TWay::Plain, 0, 0},
        {2, TPartKind::Tiles, TWay::Plain, 0, 0},
        {2, TPartKind::Map, TWay::Absent, 0, 0},
        {kSceneObj, TPartKind::Tiles, TWay::Packed, kSchemeLCLZ5, 0},
        {kSceneObj, TPartKind::Palette, TWay::Plain, 0, 0}}},
      {"gba",
       fixtures::SampleGbaScene(),
       {{0, TPartKind::Tiles, TWay::Packed, kSchemeLZ11, 0},
        {0, TPartKind::Map, TWay::Packed, kSchemeLZ10, 96},
        {0, TPartKind::Palette, TWay::Plain, 0, 0},
        {1, TPartKind::Tiles, TWay::Twice, 0, 0},
        {1, TPartKind::Map, TWay::Packed, kSchemeRLE30, 0},
        {kSceneObj, TPartKind::Tiles, TWay::Packed, kSchemeHuffman8, 0},
        {kSceneObj, TPartKind::Palette, TWay::Absent, 0, 0}}},
      // Pieces whose streams score below the scan's default: palettes a command format packs
      // as one long copy, and small tile sets of the schemes without a size field.
      {"snes, low scores",
       fixtures::SampleSnesScene(),
       {{0, TPartKind::Palette, TWay::Packed, kSchemeLCLZ2, 0},
        {0, TPartKind::Map, TWay::Packed, FindScheme("LC_LZ14").value_or(0), 0},
        {1, TPartKind::Palette, TWay::Packed, kSchemeHAL, 0},
        {1, TPartKind::Map, TWay::Packed, FindScheme("Koei").value_or(0), 0},
        {kSceneObj, TPartKind::Tiles, TWay::Packed, FindScheme("Konami-2").value_or(0), 0},
        {kSceneObj, TPartKind::Palette, TWay::Packed, FindScheme("LC_LZ17").value_or(0), 0}}},
  };
  for (const TSceneCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<TScenePart> parts = SceneParts(c.scene);
    TBytes rom = Filler(1 << 18, 7);
    TPlaces expect = Plant(rom, parts, c.plants, c.scene.console == TConsole::Snes ? 3 : 0);
    expect[{}];
    const std::vector<TPartFound> found = LocateScene(rom, c.scene);
    for (const TPartFound& f : found) {
      SCOPED_TRACE(std::string(LayerWord(f.part.layer)) + " " + PartKindName(f.part.kind) + " at " +
                   std::to_string(f.part.start));
      if (f.uniform) continue;
      auto e = expect.find(f.part.bytes);
      // Pieces not planted may still lie inside others (rows two layers share).
      if (e == expect.end()) e = expect.find({});
      for (const TPartPlace& x : e->second) {
        EXPECT_TRUE(std::any_of(f.places.begin(), f.places.end(),
                                [&](const TPartPlace& y) {
                                  return x.address == y.address && x.scheme == y.scheme &&
                                         x.offset == y.offset && x.matched == y.matched;
                                }))
            << "not reported: " << x.address << " scheme " << x.scheme;
      }
      for (std::size_t k = 0; k < f.places.size(); ++k) {
        if (f.places[k].matched == f.part.length) {
          EXPECT_TRUE(Holds(rom, f.places[k], f.part.bytes)) << "reported: " << f.places[k].address;
        }
        if (k > 0) {
          EXPECT_FALSE(f.places[k - 1].scheme != 0 && f.places[k].scheme == 0);
        }
      }
    }
  }
}

// A piece with a changed byte is reported in part, with the count of equal bytes; a run of
// palette rows not found whole stands as its rows.
TEST(LocateParts, PartialMatchesAndSplitRuns) {
  TBytes rom = Filler(1 << 18, 3);
  TScenePart tiles;
  tiles.kind = TPartKind::Tiles;
  tiles.bitsPerPixel = 4;
  for (int i = 0; i < 256; ++i) tiles.bytes.push_back(static_cast<std::uint8_t>(i * 13 + 5));
  tiles.length = 256;
  std::copy(tiles.bytes.begin(), tiles.bytes.end(), rom.begin() + 0x1001);
  rom[0x1001 + 200] ^= 0xFF;

  TScenePart run;
  run.kind = TPartKind::Palette;
  run.split = true;
  for (int i = 0; i < 64; ++i) run.bytes.push_back(static_cast<std::uint8_t>(i * 29 + 1));
  run.length = 64;
  TScenePart row0 = run, row1 = run;
  row0.split = row1.split = false;
  row0.runOf = row1.runOf = 1;
  row0.bytes.resize(32);
  row0.length = 32;
  row1.bytes.erase(row1.bytes.begin(), row1.bytes.begin() + 32);
  row1.start = 32;
  row1.length = 32;
  std::copy(row0.bytes.begin(), row0.bytes.end(), rom.begin() + 0x2000);
  std::copy(row1.bytes.begin(), row1.bytes.end(), rom.begin() + 0x3000);

  const TScenePart parts[] = {tiles, run, row0, row1};
  const std::vector<TPartFound> found = LocateParts(rom, parts, TConsole::Snes);
  ASSERT_EQ(found.size(), 3u);
  ASSERT_EQ(found[0].places.size(), 1u);
  EXPECT_EQ(found[0].places[0].address, 0x1001);
  EXPECT_EQ(found[0].places[0].matched, 255u);
  EXPECT_EQ(found[1].places.at(0).address, 0x2000);
  EXPECT_EQ(found[2].places.at(0).address, 0x3000);
  EXPECT_NE(LocateJson(found).find("\"matched\": 255"), std::string::npos);
}

// The document: an entry per tiles piece found whole (scheme and offset as found), a screen
// per map found at a stream's start or plain.
TEST(LocatedDocument, EntriesAndScreensFromWhatWasFound) {
  const TScene scene = fixtures::SampleSnesScene();
  std::vector<TScenePart> parts = SceneParts(scene);
  std::vector<TPartFound> found;
  for (const TScenePart& p : parts) {
    if (p.layer != 0 || p.kind == TPartKind::Palette) continue;
    TPartFound f;
    f.part = p;
    f.places.push_back(p.kind == TPartKind::Tiles ? TPartPlace{0x4000, kSchemeLZ10, 64, p.length}
                                                  : TPartPlace{0x9000, 0, 0, p.length});
    found.push_back(f);
  }
  const TLocatedDocument doc = LocatedDocument(found, scene);
  ASSERT_FALSE(doc.entries.empty());
  EXPECT_EQ(doc.entries[0].Address, 0x4000);
  EXPECT_EQ(doc.entries[0].Compression, kSchemeLZ10);
  EXPECT_EQ(doc.entries[0].Offset, 64);
  ASSERT_EQ(doc.screens.size(), 1u);
  EXPECT_EQ(doc.screens[0].screen.mapAddress, 0x9000);
  EXPECT_EQ(doc.screens[0].index, 0);
}

}  // namespace
}  // namespace tegulo
