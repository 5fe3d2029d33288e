// Where a scene's pieces live in a ROM: each layer's tiles, map and palettes found as plain
// bytes or as a slice of the unpacked data of a stream of any scheme the scan knows.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "scene/scene.h"
#include "scene/scene_render.h"

namespace tegulo {

enum class TPartKind { Tiles, Map, Palette };

// "tiles", "map", "palette".
const char* PartKindName(TPartKind kind);

// One piece of what a layer reads: `length` bytes from `start` in video memory (in palette
// memory for palettes). Mode 7's map and tiles share their words: the map is the even bytes
// from `start`, the tiles the odd ones (`stride` 2), as a game's two tables lie apart in ROM.
struct TScenePart {
  int layer = 0;  // 0-3 the backgrounds, kSceneObj the sprites
  TPartKind kind = TPartKind::Tiles;
  std::uint32_t start = 0;
  std::uint32_t length = 0;
  std::uint32_t stride = 1;
  std::int32_t bitsPerPixel = 0;
  std::int32_t firstColour = 0;  // palettes: the first colour's index in palette memory
  bool split = false;            // a run of palette rows, each of which follows as a piece
  std::int32_t runOf = -1;       // a row: the index of its run among the pieces
  std::vector<std::uint8_t> bytes;
};

// The pieces each shown layer reads (SceneLayerReads): its map area, its tiles as contiguous
// runs, and the palette colours its cells use, a run of rows as one piece and, where a run
// holds several rows, each row again (a game may load the rows from different places).
// Pieces shorter than 8 bytes are left out; nothing could tell them from chance.
std::vector<TScenePart> SceneParts(const TScene& scene);

// One place a piece was found, or not.
struct TPartPlace {
  std::int64_t address = -1;  // ROM file offset of the bytes, or of the stream; -1: not found
  int scheme = 0;             // row of Compressions; 0 for plain bytes
  std::uint32_t offset = 0;   // where the piece starts in the unpacked data
  std::uint32_t matched = 0;  // bytes equal: the piece's length for a whole match
};

struct TPartFound {
  TScenePart part;
  // Whole matches (plain ones first, then packed, each by address), or else the one place
  // with the most equal bytes, or nothing. `uniform` pieces (one byte value) are not searched:
  // such bytes stand in almost any ROM.
  std::vector<TPartPlace> places;
  bool uniform = false;
  bool Whole() const { return !places.empty() && places[0].matched == part.length; }
};

struct TLocateOptions {
  // Called now and then with the work done and the whole; returning false stops the search,
  // which then returns what it found so far.
  std::function<bool(std::size_t done, std::size_t total)> progress;
  std::size_t maxPlaces = 16;  // whole matches listed per piece
  // LocateScene: the layers whose pieces are looked for, a bit per layer as RenderScene
  // takes them (bit kSceneObj the sprites).
  unsigned layers = kAllSceneLayers;
};

// The pieces of `parts` that belong to one of `layers` (bits as RenderScene takes them), each
// row's runOf pointing at its run among them.
std::vector<TScenePart> PartsOfLayers(std::span<const TScenePart> parts, unsigned layers);

// Finds every piece of SceneParts(scene) of options.layers in `rom`: plain at any alignment, and in
// the unpacked data of every stream the scan finds whatever its score, as long as it has the facts
// encoders keep (every scheme with a checker; alignment 1 for SNES scenes, 4 for GBA ones), each
// stream unpacked once. Pieces a row splits report their
// rows only when the run as a whole was not found. Time: a pass over the ROM and over the
// unpacked data with one table look-up a byte, plus the scan.
std::vector<TPartFound> LocateScene(std::span<const std::uint8_t> rom, const TScene& scene,
                                    const TLocateOptions& options = {});

// The same over parts given directly (the tests' and the window's way to ask for one layer).
std::vector<TPartFound> LocateParts(std::span<const std::uint8_t> rom,
                                    std::span<const TScenePart> parts, TConsole console,
                                    const TLocateOptions& options = {});

// One object per place: {"layer": "bg1", "part": "tiles", "vram": 2048, "length": 4096,
// "address": 65536, "scheme": "none", "offset": 0}, with "matched" added to a partial one.
// Pieces not found have no object.
std::string LocateJson(std::span<const TPartFound> found);

// A line per place and per piece not found, for a reader:
// "BG1 tiles VRAM $0800+4096: $010000 (LZ77-10, offset 512)".
std::string LocateText(std::span<const TPartFound> found, TConsole console);

// The layer's word in the JSON and on the command line: "bg1".."bg4", "obj".
const char* LayerWord(int layer);

}  // namespace tegulo
