// Entries and screens from what LocateScene found.
#include "locate/locate_doc.h"

#include <algorithm>
#include <string>

#include "base/numbers.h"
#include "compress/uCompress.h"
#include "scene/scene_render.h"
#include "screen/map_formats.h"
#include "tiles/uTiles.h"

namespace tegulo {
namespace {

int TemplateOf(const TScene& scene, int bitsPerPixel) {
  if (scene.console == TConsole::Gba) {
    return bitsPerPixel == 4 ? kTemplate4bppGBA : bitsPerPixel == 8 ? kTemplateMode7Linear : 0;
  }
  switch (bitsPerPixel) {
    case 2: return kTemplate2bppSNES;
    case 4: return kTemplate4bppSNES;
    case 8: return scene.snes.mode == 7 ? kTemplateMode7Linear : kTemplate8bppSNES;
    default: return 0;
  }
}

// The layer's first colour in palette memory: its cells' palette numbers count from there.
std::int32_t ColourBase(const TScene& scene, int layer) {
  if (layer == kSceneObj) return scene.console == TConsole::Snes ? 128 : 256;
  return scene.console == TConsole::Snes && scene.snes.mode == 0 ? 32 * layer : 0;
}

struct TMapShape {
  int format = kMapSNES;
  std::int32_t width = 32, height = 32;
  std::uint32_t charBase = 0;  // VRAM byte address of tile 0
  std::uint32_t tileBytes = 32;
};

TMapShape MapShape(const TScene& scene, int layer, int bitsPerPixel) {
  TMapShape m;
  m.tileBytes = 8u * static_cast<std::uint32_t>(bitsPerPixel);
  if (scene.console == TConsole::Snes) {
    if (scene.snes.mode == 7) {
      m.format = kMapMode7;
      m.width = m.height = 128;
      m.tileBytes = 64;
      return m;
    }
    const TSnesBg& bg = scene.snes.bg[static_cast<std::size_t>(layer)];
    m.width = bg.mapSize & 1 ? 64 : 32;
    m.height = bg.mapSize & 2 ? 64 : 32;
    m.charBase = 2u * bg.tileWord;
    return m;
  }
  const std::uint16_t dispcnt = scene.gbaIo[0];
  const std::uint16_t cnt = scene.gbaIo[4 + static_cast<std::size_t>(layer)];
  const int mode = dispcnt & 7;
  const bool affine = (mode == 1 && layer == 2) || (mode == 2 && layer >= 2);
  m.charBase = ((cnt >> 2) & 3u) * 0x4000u;
  if (affine) {
    m.format = kMapGBAAffine;
    m.width = m.height = 16 << (cnt >> 14);
    m.tileBytes = 64;
  } else {
    m.format = kMapGBAText;
    m.width = cnt & 0x4000 ? 64 : 32;
    m.height = cnt & 0x8000 ? 64 : 32;
  }
  return m;
}

TTileEntry TilesEntry(const TPartFound& f, const TScene& scene, std::int32_t palAddress) {
  const TScenePart& part = f.part;
  const TPartPlace& at = f.places[0];
  TTileEntry e = NewEntry(std::to_string(at.address), 16, 1, 0);
  const std::uint32_t tileBytes = 8u * static_cast<std::uint32_t>(part.bitsPerPixel);
  const std::uint32_t tiles = std::max(1u, (part.length + tileBytes - 1) / tileBytes);
  e.Width = static_cast<std::int32_t>(std::min(tiles, 16u));
  e.Height = static_cast<std::int32_t>((tiles + 15) / 16);
  e.Template = static_cast<std::uint8_t>(TemplateOf(scene, part.bitsPerPixel));
  e.Bpp = static_cast<std::uint8_t>(part.bitsPerPixel);
  e.Compression = static_cast<std::uint8_t>(at.scheme);
  e.Offset = static_cast<std::int32_t>(at.offset);
  SetName(e,
          SceneLayerName(scene.console, part.layer) + " tiles " + "$" + HexDigits(part.start, 4));
  const std::int32_t base = ColourBase(scene, part.layer);
  for (std::int32_t i = 0; i < 256; ++i) {
    const std::size_t c = static_cast<std::size_t>(base + i);
    const std::uint32_t rgb = c < scene.palette.size() ? SceneRgb(scene.palette[c]) : 0;
    e.Palette[i] = ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
  }
  e.PalAddress = palAddress;
  e.PalCount = 256;
  return e;
}

}  // namespace

TLocatedDocument LocatedDocument(std::span<const TPartFound> found, const TScene& scene) {
  TLocatedDocument doc;
  std::int32_t entryOfLayer[kSceneObj + 1] = {-1, -1, -1, -1, -1};
  std::uint32_t firstTileOfLayer[kSceneObj + 1] = {};
  for (const TPartFound& f : found) {
    if (f.part.kind != TPartKind::Tiles || !f.Whole() ||
        TemplateOf(scene, f.part.bitsPerPixel) == 0) {
      continue;
    }
    std::int32_t palAddress = 0;
    for (const TPartFound& p : found) {
      if (p.part.kind == TPartKind::Palette && p.part.layer == f.part.layer && p.Whole() &&
          p.places[0].scheme == 0) {
        palAddress = static_cast<std::int32_t>(p.places[0].address);
        break;
      }
    }
    const auto layer = static_cast<std::size_t>(f.part.layer);
    if (entryOfLayer[layer] < 0) {
      entryOfLayer[layer] = static_cast<std::int32_t>(doc.entries.size());
      firstTileOfLayer[layer] = f.part.start;
    }
    doc.entries.push_back(TilesEntry(f, scene, palAddress));
  }
  for (const TPartFound& f : found) {
    if (f.part.kind != TPartKind::Map || !f.Whole() || f.places[0].offset != 0) continue;
    const auto layer = static_cast<std::size_t>(f.part.layer);
    if (layer > kSceneObj || entryOfLayer[layer] < 0) continue;
    const TMapShape shape = MapShape(scene, f.part.layer, f.part.bitsPerPixel);
    TScreen s;
    s.mapAddress = static_cast<std::int32_t>(f.places[0].address);
    s.mapCompression = f.places[0].scheme;
    s.format = shape.format;
    s.width = shape.width;
    s.height = shape.height;
    const std::uint32_t first =
        scene.console == TConsole::Snes && scene.snes.mode == 7 ? 0 : firstTileOfLayer[layer];
    s.tileBase =
        -static_cast<std::int32_t>((first - std::min(first, shape.charBase)) / shape.tileBytes);
    const auto index = entryOfLayer[layer];
    doc.screens.push_back(SavedScreen(doc.entries[static_cast<std::size_t>(index)], index, s));
  }
  return doc;
}

}  // namespace tegulo
