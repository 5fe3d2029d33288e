// Save-state palettes: every signature and version branch from fixtures built in code, and
// damaged variants that must be refused with their reason.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

#include "base/uCommon.h"
#include "io/zlib_inflate.h"
#include "palette/palette_import.h"
#include "state_fixtures.h"

using namespace tegulo;
using namespace tegulo::fixtures;

namespace {

using K = TPaletteSourceKind;
using H = TPaletteHalf;

struct TGoodCase {
  std::string name;
  std::function<TBytes()> make;
  K kind;
  bool gba;  // a GBA source: the sprite half is there too
};

std::vector<TGoodCase> GoodCases() {
  std::vector<TGoodCase> cases = {
      {"zsnes", Zsnes, K::Zsnes, false},
      {"mgba 0.10 raw", [] { return MgbaRaw(7, false); }, K::MgbaRaw, true},
      {"mgba 0.10 raw with extdata", [] { return MgbaRaw(7, true); }, K::MgbaRaw, true},
      {"mgba 0.5 raw", [] { return MgbaRaw(1, false); }, K::MgbaRaw, true},
      {"mgba master raw", [] { return MgbaRaw(0x0B, false); }, K::MgbaRaw, true},
      {"mgba png", [] { return MgbaPng(MgbaRaw(7, false)); }, K::MgbaPng, true},
      {"snes9x v12 plain", [] { return Snes9xStream(12); }, K::Snes9x, false},
      {"snes9x v12 gzip", [] { return Gzip(Snes9xStream(12)); }, K::Gzip, false},
      {"snes9x v12 gzip of 3 members", [] { return Gzip(Snes9xStream(12), 3); }, K::Gzip, false},
      {"snes9x v11 long name block", [] { return Gzip(Snes9xStream(11, true)); }, K::Gzip, false},
      {"snes9x v10", [] { return Gzip(Snes9xStream(10)); }, K::Gzip, false},
      {"snes9x v6", [] { return Snes9xStream(6); }, K::Snes9x, false},
      {"mesen2 snes compressed", [] { return Mesen2(0, 4, true); }, K::Mesen, false},
      {"mesen2 snes plain format 3", [] { return Mesen2(0, 3, false); }, K::Mesen, false},
      {"mesen2 gba compressed", [] { return Mesen2(5, 4, true); }, K::Mesen, true},
      {"mesen-s 8 standalone", [] { return MesenS(8, true); }, K::Mesen, false},
      {"mesen-s 8 libretro", [] { return MesenS(8, false); }, K::Mesen, false},
      {"mesen-s 7 standalone", [] { return MesenS(7, true); }, K::Mesen, false},
      {"mesen-s 7 libretro", [] { return MesenS(7, false); }, K::Mesen, false},
      {"mesen-s 6", [] { return MesenS(6, false); }, K::Mesen, false},
      {"mesen2 game file", [] { return Zip("Savestate.mss", Mesen2(5, 4, true), true); }, K::Zip,
       true},
      {"mesen2 game file stored", [] { return Zip("Savestate.mss", Mesen2(0, 4, false), false); },
       K::Zip, false},
      {"cgram dump", CgramDump, K::CgramDump, false},
      {"gba palette dump", GbaPaletteRam, K::GbaPaletteDump, true},
  };
  for (int v = 1; v <= 11; ++v) {
    cases.push_back(
        {"vba v" + std::to_string(v), [v] { return Gzip(VbaStream(v)); }, K::Gzip, true});
  }
  return cases;
}

TEST(StatePalettes, EverySourceGivesItsColours) {
  for (const TGoodCase& c : GoodCases()) {
    SCOPED_TRACE(c.name);
    const TBytes bytes = c.make();
    EXPECT_EQ(DetectPaletteSource(bytes), c.kind);
    EXPECT_EQ(ReadPaletteSource(bytes, H::Background), BgColours());
    if (c.gba) {
      EXPECT_EQ(ReadPaletteSource(bytes, H::Sprites), ObjColours());
    } else {
      EXPECT_THROW(ReadPaletteSource(bytes, H::Sprites), TError) << "no sprite palette";
    }
  }
}

// The reason a read is refused, or "" when it is read.
std::string Refusal(const TBytes& bytes, H half = H::Background) {
  try {
    ReadPaletteSource(bytes, half);
    return "";
  } catch (const TError& e) {
    return e.what();
  }
}

TBytes Cut(TBytes b, std::size_t size) {
  b.resize(size);
  return b;
}

TBytes Poke(TBytes b, std::size_t at, std::uint8_t v) {
  b.at(at) = v;
  return b;
}

std::size_t Find(const TBytes& b, std::string_view s) {
  return static_cast<std::size_t>(std::search(b.begin(), b.end(), s.begin(), s.end()) - b.begin());
}

TEST(StatePalettes, DamagedStatesAreRefusedWithTheirReason) {
  const TBytes mgba = MgbaRaw(7, false);
  const TBytes snes9x = Snes9xStream(12);
  const TBytes vbaGz = Gzip(VbaStream(9));
  const TBytes png = MgbaPng(mgba);
  const TBytes game = Zip("Savestate.mss", Mesen2(5, 4, true), true);
  const struct {
    const char* name;
    TBytes bytes;
    std::string reason;
  } cases[] = {
      {"mgba cut short", Cut(mgba, 0x60FFF), "the mGBA state is cut short"},
      {"mgba game boy", MgbaGameBoy(), "it is an mGBA Game Boy state, not a GBA state"},
      {"mgba png without state", MgbaPngWithoutState(),
       "it is a PNG image without an mGBA state in it"},
      {"mgba png of a game boy state", MgbaPng(Cut(MgbaGameBoy(), 0x61000)),
       "it is an mGBA Game Boy state, not a GBA state"},
      {"mgba png state cut short", MgbaPng(Cut(mgba, 0x5000)), "the mGBA state is cut short"},
      {"mgba png state too long", MgbaPng(MgbaRaw(7, true)),
       "it inflates to more than 397312 bytes"},
      {"mgba png cut inside a chunk", Cut(png, png.size() - 100), "the PNG image is cut short"},
      {"mgba png chunk damaged", Poke(png, Find(png, "gbAs") + 20, 0x00),
       "the PNG chunk holding the state is damaged"},
      {"snes9x cut inside the ppu block", Cut(snes9x, 0x200), "the Snes9x snapshot is cut short"},
      {"snes9x cut before the ppu block", Cut(snes9x, 129), "the Snes9x snapshot has no PPU block"},
      {"snes9x version 5", Snes9xStream(5),
       "Snes9x snapshot version 5 is not supported (6 to 12 are)"},
      {"snes9x version 13", Snes9xStream(13),
       "Snes9x snapshot version 13 is not supported (6 to 12 are)"},
      {"snes9x bad block header", Poke(snes9x, 14 + 3, '-'),
       "a Snes9x snapshot block header is damaged"},
      {"gzip cut short", Cut(vbaGz, vbaGz.size() / 2), "the compressed data is cut short"},
      {"gzip damaged", Poke(Poke(vbaGz, 20, 0xFF), 21, 0xFF), "the compressed data is damaged"},
      {"gzip check damaged", Poke(vbaGz, vbaGz.size() - 6, vbaGz[vbaGz.size() - 6] ^ 1),
       "the compressed data is damaged"},
      {"vba version 12", Gzip(VbaStream(12)),
       "VisualBoyAdvance state version 12 is not supported (1 to 11 are)"},
      {"vba version 0", Gzip(Poke(VbaStream(1), 0, 0)),
       "VisualBoyAdvance state version 0 is not supported (1 to 11 are)"},
      {"vba game boy", Gzip(VbaGameBoyStream()),
       "it is not a GBA state of VisualBoyAdvance (a Game Boy state?)"},
      {"vba cut short", Gzip(Cut(VbaStream(10), 0x30000)),
       "the VisualBoyAdvance state is cut short"},
      {"mesen2 nes", Mesen2(2, 4, true),
       "it is a Mesen2 state of a NES game, not of a SNES or GBA game"},
      {"mesen2 game boy", Mesen2(1, 4, true),
       "it is a Mesen2 state of a Game Boy game, not of a SNES or GBA game"},
      {"mesen format 5", Poke(MesenS(6, false), 7, 5),
       "Mesen state format 5 is not supported (Mesen2 writes 3 and 4, Mesen-S 6 to 8)"},
      {"mesen2 cut short", Cut(Mesen2(0, 4, false), 200), "the Mesen state is cut short"},
      {"mesen2 without cgram", Cut(Mesen2(0, 4, false), Mesen2(0, 4, false).size() - 0x10000 - 600),
       "the Mesen state's data is damaged"},
      {"mesen-s game boy mode", MesenS(8, true, true), "it is a Mesen-S state of a Game Boy game"},
      {"mesen-s cut short", Cut(MesenS(8, true), 200), "the Mesen state is cut short"},
      {"bsnes", Poke(Poke(Poke(Poke(TBytes(5000, 0), 0, 0x00), 1, 0x00), 2, 0x22), 3, 0x5A),
       "bsnes save states are not read: the place of their palette depends on the game and the "
       "bsnes version"},
      {"zip cut short", TBytes{'P', 'K', 3, 4, 0, 0}, "the ZIP archive is cut short"},
      {"bsnes slots", Zip("Quick/Slot 1.bst", TBytes(100, 0x22), true),
       "it is a ZIP archive but no Mesen game file (bsnes .bsz slots are not read)"},
      {"zip entry damaged", Poke(game, 300, game[300] ^ 0x10), "the ZIP archive is damaged"},
      {"zip directory outside", Poke(game, game.size() - 3, 0x7F), "the ZIP archive is damaged"},
      {"zip entry cut short", Cut(game, game.size() / 2), "the ZIP archive is cut short"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Refusal(c.bytes), c.reason) << c.name;
  }
}

TEST(StatePalettes, EveryCutOfAStateIsRefusedOrReadWithoutGarbage) {
  // Cuts at many places: never a crash, never colours other than the state's own (the
  // libretro Mesen-S layout ends in padding, which may go).
  const TBytes sources[] = {Snes9xStream(12), Mesen2(5, 4, true), MesenS(8, true), MesenS(7, false),
                            MgbaPng(MgbaRaw(7, false))};
  for (const TBytes& full : sources) {
    for (std::size_t size = 0; size < full.size(); size += 1 + size / 7) {
      const TBytes cut = Cut(full, size);
      try {
        const TPalette p = ReadPaletteSource(cut, H::Background);
        // Short files fall back to the ZSNES rule or a dump size; no other reading succeeds.
        const K kind = DetectPaletteSource(cut);
        if (kind != K::Unknown && !IsPaletteFile(kind)) EXPECT_EQ(p, BgColours()) << size;
      } catch (const TError&) {
      }
    }
  }
}

TEST(StatePalettes, UnknownContentFollowsTheZsnesRule) {
  TBytes b(1560, 0);
  for (int i = 0; i < 3; ++i) {
    b.push_back(static_cast<std::uint8_t>(BgWord(i)));
    b.push_back(static_cast<std::uint8_t>(BgWord(i) >> 8));
  }
  b.push_back(0x7F);  // half a word: not a colour
  EXPECT_EQ(DetectPaletteSource(b), K::Unknown);
  const TPalette p = ReadPaletteSource(b, H::Background);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(p[i], BgColours()[i]);
  for (int i = 3; i < 256; ++i) ASSERT_EQ(p[i], 0u) << i;
  // An mGBA-like magic in a file too short for the block is a cut state, not the ZSNES rule.
  EXPECT_EQ(Refusal(Cut(MgbaRaw(7, false), 4000)), "the mGBA state is cut short");
}

TEST(Inflate, StopsAtTheLimitWhateverTheDataSays) {
  const TBytes data(100000, 0xAB);
  EXPECT_EQ(InflateZlib(Zlib(data), data.size()), data);
  EXPECT_EQ(InflateGzip(Gzip(data, 2), data.size()), data);
  try {
    InflateZlib(Zlib(data), data.size() - 1);
    ADD_FAILURE();
  } catch (const TError& e) {
    EXPECT_STREQ(e.what(), "it inflates to more than 99999 bytes");
  }
  EXPECT_THROW(InflateGzip(Gzip(data, 3), 50000), TError);
  EXPECT_THROW(InflateZlib({}), TError);
  EXPECT_THROW(InflateGzip(TBytes{0x1F, 0x8B}), TError);
}

TEST(Inflate, AStateOver64MiBInflatedIsRefused) {
  const TBytes bomb = Gzip(TBytes(kMaxInflatedBytes + 1, 0));
  EXPECT_LT(bomb.size(), 200000u);
  EXPECT_EQ(Refusal(bomb), "it inflates to more than 67108864 bytes");
}

}  // namespace
