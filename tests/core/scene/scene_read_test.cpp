// Scenes read from states built to each emulator's layout: every part lands where the
// renderer looks, and a state lacking a part says which.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "base/uCommon.h"
#include "palette/palette_import.h"
#include "scene/scene.h"
#include "scene_fixtures.h"
#include "state_fixtures.h"

namespace tegulo {
namespace {

using fixtures::TBytes;

void ExpectSameScene(const TScene& want, const TScene& got) {
  EXPECT_EQ(got.console, want.console);
  EXPECT_TRUE(got.vram == want.vram);
  EXPECT_EQ(got.palette, want.palette);
  EXPECT_TRUE(got.oam == want.oam);
  if (want.console == TConsole::Snes) {
    EXPECT_TRUE(got.snes == want.snes);
  } else {
    EXPECT_TRUE(got.gbaIo == want.gbaIo);
  }
}

// A SNES scene with every register a Snes9x snapshot keeps set away from its default.
TScene BusySnesScene() {
  TScene s = fixtures::SampleSnesScene();
  TSnesRegs& r = s.snes;
  r.brightness = 9;
  r.overscan = true;
  r.m7a = -0x180;
  r.m7b = 0x20;
  r.m7c = -3;
  r.m7d = 0x7FF;
  r.m7x = 0x1F00;
  r.m7y = 12;
  r.m7hofs = 0x1234;
  r.m7vofs = 0x0101;
  r.m7hflip = true;
  r.m7repeat = 3;
  r.objSize = 5;
  r.objBase = 0xC000;
  r.objTable1 = 0x8000;
  return s;
}

TScene SnesWithEffects() {
  TScene s = BusySnesScene();
  TSnesRegs& r = s.snes;
  r.firstSprite = 17;
  r.pseudoHires = true;
  r.directColour = true;
  r.extBg = true;
  r.colourMath = true;
  r.windows = true;
  r.mosaic = true;
  r.interlace = true;
  return s;
}

struct TReadCase {
  const char* kind;
  std::function<TScene()> scene;
  std::function<TBytes(const TScene&)> state;
  const char* source;
};

TEST(SceneRead, EveryKindGivesBackTheSceneItHolds) {
  const TReadCase cases[] = {
      {"Snes9x v12", SnesWithEffects,
       [](const TScene& s) { return fixtures::Snes9xSceneStream(s, 12); },
       "Snes9x snapshot version 12"},
      {"Snes9x v11", SnesWithEffects,
       [](const TScene& s) { return fixtures::Snes9xSceneStream(s, 11); },
       "Snes9x snapshot version 11"},
      {"Snes9x v6 gzip", SnesWithEffects,
       [](const TScene& s) { return fixtures::Gzip(fixtures::Snes9xSceneStream(s, 6), 2); },
       "Snes9x snapshot version 6"},
      {"Snes9x v10", BusySnesScene,
       [](const TScene& s) { return fixtures::Snes9xSceneStream(s, 10); },
       "Snes9x snapshot version 10"},
      {"Mesen-S",
       [] {
         TScene s = SnesWithEffects();
         s.snes.windows = false;  // kept in window blocks whose layout is not read
         return s;
       },
       fixtures::MesenSSceneState, "Mesen-S state"},
      {"Mesen2",
       [] {
         TScene s = SnesWithEffects();
         s.snes.windows = s.snes.mosaic = s.snes.interlace = false;
         s.snes.firstSprite = 0;
         return s;
       },
       fixtures::Mesen2SceneState, "Mesen2 state"},
      {"Mesen2 game file", fixtures::SampleSnesScene,
       [](const TScene& s) {
         return fixtures::Zip("Savestate.mss", fixtures::Mesen2SceneState(s), true);
       },
       "Mesen2 state"},
      {"ZSNES",
       [] {
         TScene s = BusySnesScene();
         s.snes.m7hofs = static_cast<std::int16_t>(s.snes.bg[0].hofs);
         s.snes.m7vofs = static_cast<std::int16_t>(s.snes.bg[0].vofs);
         s.snes.objBase = 0x4000;
         s.snes.objTable1 = 0x6000;
         return s;
       },
       fixtures::ZsnesSceneState, "ZSNES state"},
      {"mGBA raw", fixtures::SampleGbaScene, fixtures::MgbaSceneBlock, "mGBA state version 7"},
      {"mGBA PNG", fixtures::SampleGbaScene,
       [](const TScene& s) { return fixtures::MgbaPng(fixtures::MgbaSceneBlock(s)); },
       "mGBA state version 7"},
      {"VBA 9", fixtures::SampleGbaScene,
       [](const TScene& s) { return fixtures::Gzip(fixtures::VbaSceneStream(s, 9)); },
       "VisualBoyAdvance state version 9"},
      {"VBA 5", fixtures::SampleGbaScene,
       [](const TScene& s) { return fixtures::Gzip(fixtures::VbaSceneStream(s, 5)); },
       "VisualBoyAdvance state version 5"},
      {"VBA-M 11", fixtures::SampleGbaScene,
       [](const TScene& s) { return fixtures::Gzip(fixtures::VbaSceneStream(s, 11)); },
       "VisualBoyAdvance state version 11"},
  };
  for (const TReadCase& c : cases) {
    SCOPED_TRACE(c.kind);
    const TScene want = c.scene();
    const TScene got = ReadScene(c.state(want));
    ExpectSameScene(want, got);
    EXPECT_EQ(got.source, c.source);
  }
}

struct TRefusal {
  const char* kind;
  std::function<TBytes()> bytes;
  const char* message;
};

TBytes CutSnes9x(std::size_t keep) {
  TBytes b = fixtures::Snes9xSceneStream(fixtures::SampleSnesScene(), 12);
  b.resize(keep);
  return b;
}

TEST(SceneRead, AStateWithoutAPartSaysWhich) {
  const TRefusal cases[] = {
      {"palette-only Snes9x", [] { return fixtures::Snes9xStream(12); },
       "the Snes9x snapshot has no FIL block (the registers as written)"},
      {"Snes9x cut in VRAM", [] { return CutSnes9x(0x3000); },
       "the Snes9x snapshot has no VRA block (video memory): the Snes9x snapshot is cut short"},
      {"Mesen2 GBA", [] { return fixtures::Mesen2(5, 4, true); },
       "scenes are read from Mesen2 states of SNES games only, not of GBA games"},
      {"Mesen2 without OAM", [] { return fixtures::Mesen2(0, 4, false); },
       "the Mesen2 state has no value ppu.oamRam of 544 bytes"},
      {"Mesen-S short registers", [] { return fixtures::MesenS(8, true); },
       "the Mesen-S PPU register block is too short"},
      {"ZSNES cut in VRAM",
       [] {
         TBytes b = fixtures::ZsnesSceneState(fixtures::SampleSnesScene());
         b.resize(0x20000);
         return b;
       },
       "the ZSNES state is cut short"},
      {"VBA before I/O", [] { return fixtures::Gzip(fixtures::VbaStream(9)); },
       "the VisualBoyAdvance state is cut short before its I/O registers"},
      {"mGBA Game Boy", fixtures::MgbaGameBoy, "it is an mGBA Game Boy state, not a GBA state"},
      {"palette file", fixtures::CgramDump,
       "it is not a save state with a scene (mGBA, VisualBoyAdvance, Snes9x, Mesen2, Mesen-S or "
       "ZSNES)"},
      {"empty", [] { return TBytes{}; },
       "it is not a save state with a scene (mGBA, VisualBoyAdvance, Snes9x, Mesen2, Mesen-S or "
       "ZSNES)"},
  };
  for (const TRefusal& c : cases) {
    SCOPED_TRACE(c.kind);
    try {
      ReadScene(c.bytes());
      ADD_FAILURE() << "read";
    } catch (const TError& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
    }
  }
}

TEST(SceneRead, PalettesOfTheSharedContainersStayAsTheyWere) {
  // The palette readers now walk the containers through the scene's shared functions.
  EXPECT_EQ(ReadPaletteSource(fixtures::Snes9xStream(12), TPaletteHalf::Background),
            fixtures::BgColours());
  EXPECT_EQ(ReadPaletteSource(fixtures::Snes9xStream(9), TPaletteHalf::Background),
            fixtures::BgColours());
  EXPECT_EQ(ReadPaletteSource(fixtures::MesenS(7, false), TPaletteHalf::Background),
            fixtures::BgColours());
  EXPECT_EQ(
      ReadPaletteSource(fixtures::MgbaPng(fixtures::MgbaRaw(7, false)), TPaletteHalf::Sprites),
      fixtures::ObjColours());
  // A block damaged after the PPU block still gives the palette.
  TBytes s = fixtures::Snes9xStream(12);
  s.resize(s.size() - 100);
  EXPECT_EQ(ReadPaletteSource(s, TPaletteHalf::Background), fixtures::BgColours());
}

}  // namespace
}  // namespace tegulo
