// Drawing a scene as the console shows it, and what lies under each pixel.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "scene/scene.h"

namespace tegulo {

// Layer numbers: 0-3 the four backgrounds (SNES BG1-BG4, GBA BG0-BG3), 4 the sprites.
inline constexpr int kSceneObj = 4;
inline constexpr int kSceneBackdrop = 5;
inline constexpr unsigned kAllSceneLayers = 0x1F;

// The layer's name on the scene's console: "BG1".."BG4" / "BG0".."BG3", "OBJ", "backdrop".
std::string SceneLayerName(TConsole console, int layer);

// The layers a comma-separated list names: bg1, bg2, bg3, bg4 (the console's four
// backgrounds in order; GBA BG0..BG3) and obj, any letter case. Throws TError
// "Unknown layer "<name>" (bg1, bg2, bg3, bg4 or obj)" and "No layer named" for an empty list.
unsigned SceneLayersFromText(const std::string& text);

// The text of the layer choice ("bg1,obj"), as SceneLayersFromText reads it.
std::string SceneLayersText(unsigned layers);

struct TSceneImage {
  std::int32_t width = 0, height = 0;
  std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, rows from the top
  std::vector<std::uint8_t> layer;    // the layer each pixel shows (0-4, kSceneBackdrop)
  // What the state holds that the drawing leaves out ("colour math", "windows"...), or
  // approximates; empty when the picture is what the console showed.
  std::vector<std::string> leftOut;
};

// Draws the scene: SNES 256 x 224 (239 lines with overscan, 512 wide in hi-res), GBA 240 x
// 160. `layers` (bit n = layer n) picks the layers drawn, also among those the console
// shows; the others are left out as if disabled. Forced blank is black on the SNES, white
// on the GBA.
TSceneImage RenderScene(const TScene& scene, unsigned layers = kAllSceneLayers);
// The renderers of each console, called by RenderScene.
TSceneImage RenderSnesScene(const TScene& scene, unsigned layers);
TSceneImage RenderGbaScene(const TScene& scene, unsigned layers);

// What one pixel of a drawn scene shows.
struct TScenePoint {
  int layer = kSceneBackdrop;
  bool hasCell = false;  // a map cell (text and affine BGs, mode 7)
  std::int32_t cellX = 0, cellY = 0;
  std::uint32_t mapAddress = 0;  // VRAM byte address of the map entry
  std::int32_t tile = -1;        // tile number (-1: none, as in bitmap modes)
  std::int32_t palette = -1;     // palette row (-1: none, as for 8bpp tiles)
  bool hflip = false, vflip = false;
  std::int32_t sprite = -1;   // OAM index of a sprite
  std::uint32_t address = 0;  // VRAM byte address of the tile (or bitmap pixel)
};

// What pixel (x, y) of RenderScene(scene, layers) shows; the backdrop outside the picture.
TScenePoint SceneAt(const TScene& scene, const TSceneImage& image, std::int32_t x, std::int32_t y);
// The per-console parts of SceneAt, for the layer the pixel shows.
TScenePoint SnesSceneAt(const TScene& scene, int layer, std::int32_t x, std::int32_t y);
TScenePoint GbaSceneAt(const TScene& scene, int layer, std::int32_t x, std::int32_t y);

// The status text of a point: "BG1 cell 12,3 (map $2018) tile 0x041 palette 2 h-flip, tile
// at VRAM $0820", "OBJ 5 tile 0x020 palette 1, tile at VRAM $C400", "backdrop".
std::string ScenePointText(const TScene& scene, const TScenePoint& point);

// The video memory each layer reads, for finding it in a ROM: the map area its size covers,
// the tiles its map (or the visible sprites) name, the palette rows its cells use.
struct TVideoRange {
  std::uint32_t start = 0, length = 0;  // VRAM bytes
};
struct TLayerReads {
  int layer = 0;
  bool shown = false;                  // the layer is on in this mode
  std::vector<TVideoRange> map;        // empty for sprites and bitmaps
  std::vector<TVideoRange> tiles;      // tiles, or the bitmap
  std::vector<std::int32_t> palettes;  // palette rows (SNES CGRAM / GBA palette RAM, in rows of
                                       // the layer's colour count); empty for 8bpp
  std::int32_t bitsPerPixel = 0;
};
std::vector<TLayerReads> SceneLayerReads(const TScene& scene);

// The console word of a scene pixel's colour as 0x00RRGGBB, each 5-bit channel c as
// c * 255 / 31.
constexpr std::uint32_t SceneRgb(std::uint16_t word) {
  const std::uint32_t r = (word & 31u) * 255u / 31u;
  const std::uint32_t g = ((word >> 5) & 31u) * 255u / 31u;
  const std::uint32_t b = ((word >> 10) & 31u) * 255u / 31u;
  return (r << 16) | (g << 8) | b;
}

}  // namespace tegulo
