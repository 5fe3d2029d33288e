// Scenes built in code, and the save states of each emulator that hold them, laid out as
// the format notes place every part. For the scene tests, the CLI and window tests and the
// fuzz seeds.
#pragma once

#include <cstdint>
#include <vector>

#include "scene/scene.h"

namespace tegulo::fixtures {

using TBytes = std::vector<std::uint8_t>;

// Little pictures: a SNES mode 1 screen (BG1 4bpp, BG2 4bpp, BG3 2bpp, sprites) and a GBA
// mode 0 screen (BG0, BG1 and sprites), each with every palette word distinct.
TScene SampleSnesScene();
TScene SampleGbaScene();

// A tile's pixel: planar SNES tiles of 2, 4 or 8 bpp at byte `tile`, GBA 4 / 8 bpp tiles.
void SetSnesPixel(TScene& s, std::uint32_t tile, int bpp, int x, int y, int colour);
void SetGbaPixel(TScene& s, std::uint32_t tile, bool deep, int x, int y, int colour);

// The states holding the scene. What a kind cannot hold (ZSNES: the first sprite, the hi-res,
// direct colour, EXTBG and effect settings; Mesen: windows) must be clear in the scene.
TBytes Snes9xSceneStream(const TScene& s, int version);
TBytes MesenSSceneState(const TScene& s);
TBytes Mesen2SceneState(const TScene& s);
TBytes ZsnesSceneState(const TScene& s);
TBytes MgbaSceneBlock(const TScene& s);
TBytes VbaSceneStream(const TScene& s, std::int32_t version);

}  // namespace tegulo::fixtures
