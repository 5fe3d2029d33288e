// Drawing a screen: reading the map, decoding the named tiles, composing the cells.
#include "screen/screen.h"

#include <algorithm>

#include "base/numbers.h"
#include "compress/refresh.h"
#include "compress/uCompress.h"
#include "tiles/tile_encoders.h"
#include "tiles/uTiles.h"

namespace tegulo {
std::optional<std::pair<std::int32_t, std::int32_t>> ParseMapSize(std::string_view text) {
  // Every 'x' is tried as the separator, since a side may carry the hexadecimal prefix "0x".
  for (std::size_t at = text.find_first_of("xX"); at != std::string_view::npos;
       at = text.find_first_of("xX", at + 1)) {
    std::string_view left = text.substr(0, at);
    while (!left.empty() && (left.back() == ' ' || left.back() == '\t')) left.remove_suffix(1);
    const auto w = TryParseInt(left);
    const auto h = TryParseInt(text.substr(at + 1));
    if (w && h) return std::pair{*w, *h};
  }
  return std::nullopt;
}

std::int64_t MapAddressStep(const TScreen& s, TMapStep step) {
  if (s.format < 0 || s.format >= kMapFormatCount) return 0;
  const TMapFormat& f = MapFormats()[static_cast<std::size_t>(s.format)];
  const std::int64_t rowEntries = f.layout == TMapLayout::kScreenBlocks ? 32
                                  : f.layout == TMapLayout::kRows128    ? 128
                                                                        : s.width;
  const std::int64_t map = std::max<std::int64_t>(
      f.spacing, MapEntryIndex(f, s.width, s.width - 1, s.height - 1) * f.spacing + f.spacing);
  switch (step) {
    case TMapStep::EntryBack: return -f.spacing;
    case TMapStep::EntryForward: return f.spacing;
    case TMapStep::RowBack: return -rowEntries * f.spacing;
    case TMapStep::RowForward: return rowEntries * f.spacing;
    case TMapStep::MapBack: return -map;
    case TMapStep::MapForward: return map;
  }
  return 0;
}

void CheckScreen(const TScreen& s, const TTileEntry& e) {
  if (s.format < 0 || s.format >= kMapFormatCount) throw TError("Unknown map format");
  if (s.mapCompression < 0 || s.mapCompression >= kCompressionCount) {
    throw TError("Unknown map compression");
  }
  const TMapFormat& f = MapFormats()[static_cast<std::size_t>(s.format)];
  if (s.width < 1 || s.height < 1 || s.width > f.maxSide || s.height > f.maxSide) {
    throw TError("A " + std::string(f.name) + " map is 1 to " + std::to_string(f.maxSide) +
                 " tiles wide and high, not " + std::to_string(s.width) + " x " +
                 std::to_string(s.height));
  }
  if (e.Template == kTemplateNone || e.Template >= kTemplateCount ||
      e.Template == kTemplateLinear8bpp) {
    throw TError("A screen needs a tile template (not \"8bpp (PC)\")");
  }
}

std::span<const std::uint8_t> MapBytes(const TScreen& s, std::span<const std::uint8_t> rom,
                                       TDecodeBuffer& buffer) {
  if (s.mapCompression == kSchemeNone) {
    if (s.mapAddress < 0 || static_cast<std::size_t>(s.mapAddress) >= rom.size()) return {};
    return rom.subspan(static_cast<std::size_t>(s.mapAddress));
  }
  TTileEntry map{};
  map.Address = s.mapAddress;
  map.Compression = static_cast<std::uint8_t>(s.mapCompression);
  UnpackEntry(map, rom, buffer);
  const auto written = static_cast<std::uint32_t>(map.RawSize);
  return std::span<const std::uint8_t>(buffer).first(std::min<std::size_t>(written, buffer.size()));
}

std::vector<TMapCell> ReadMapCells(const TScreen& s, std::span<const std::uint8_t> map,
                                   std::int64_t* missing) {
  const TMapFormat& f = MapFormats()[static_cast<std::size_t>(s.format)];
  std::vector<TMapCell> cells(static_cast<std::size_t>(s.width) * s.height);
  const auto size = static_cast<std::int64_t>(map.size());
  std::size_t i = 0;
  for (std::int32_t y = 0; y < s.height; ++y) {
    for (std::int32_t x = 0; x < s.width; ++x, ++i) {
      const std::int64_t at = MapEntryIndex(f, s.width, x, y) * f.spacing;
      if (missing != nullptr && at + f.entryBytes > size) ++*missing;
      std::uint32_t value = 0;
      for (int b = 0; b < f.entryBytes; ++b) {
        if (at + b < size) value |= std::uint32_t{map[static_cast<std::size_t>(at + b)]} << (8 * b);
      }
      cells[i] = DecodeMapEntry(f, value);
    }
  }
  return cells;
}

TByteSource ScreenTileSource(const TTileEntry& e, std::span<const std::uint8_t> rom,
                             std::span<const std::uint8_t> decoded) {
  if (e.Compression == kSchemeNone) {
    return {rom, static_cast<std::int64_t>(e.Address) + e.Offset};
  }
  const auto raw = static_cast<std::uint32_t>(e.RawSize);
  return {decoded.first(std::min<std::size_t>(raw, decoded.size())), e.Offset};
}

std::int64_t TileSetSize(int templ, TByteSource src) {
  const auto bytes = static_cast<std::int64_t>(TemplateTileBytes(templ));
  const std::int64_t left = static_cast<std::int64_t>(src.data.size()) - src.start;
  if (bytes == 0 || left <= 0) return 0;
  return (left + bytes - 1) / bytes;
}

TTileRange NamedTiles(const TScreen& s, const std::vector<TMapCell>& cells, std::int64_t total) {
  TTileRange r{total, -1};
  for (const TMapCell& c : cells) {
    const std::int64_t t = static_cast<std::int64_t>(c.tile) + s.tileBase;
    if (t < 0 || t >= total) continue;
    r.first = std::min(r.first, t);
    r.last = std::max(r.last, t);
  }
  if (r.last < 0) r.first = 0;
  return r;
}

TTileSet DecodeTileSet(int templ, TByteSource src, TTileRange range) {
  TTileSet set;
  set.total = TileSetSize(templ, src);
  if (range.last < range.first) return set;
  set.first = range.first;
  set.count = range.last - range.first + 1;
  TIndexedBitmap tiles;
  tiles.SetSize(8, static_cast<std::int32_t>(8 * set.count));
  const auto bytes = static_cast<std::int64_t>(TemplateTileBytes(templ));
  DrawTemplate(templ, tiles, {src.data, src.start + range.first * bytes}, 1,
               static_cast<std::int32_t>(set.count));
  const auto pixels = tiles.Pixels();
  set.pixels.assign(pixels.begin(), pixels.end());
  return set;
}

std::string TScreenDrawReport::Text() const {
  std::string text;
  if (pastEnd > 0) {
    text = std::to_string(pastEnd) + (pastEnd == 1 ? " cell names a tile" : " cells name tiles") +
           " past the tile set's end (" + std::to_string(tiles) + " tiles), the first (" +
           std::to_string(firstX) + ", " + std::to_string(firstY) + ") tile " +
           std::to_string(firstTile);
  }
  if (mapMissing > 0) {
    text += (text.empty() ? "" : "; ") + std::to_string(mapMissing) +
            (mapMissing == 1 ? " cell lies" : " cells lie") +
            " past the map's bytes (the ROM's end or the unpacked map's) and show" +
            (mapMissing == 1 ? "s" : "") + " tile 0";
  }
  return text;
}

std::string ScreenStatusText(const TScreen& s, const TScreenDrawReport& report) {
  const TMapFormat& f = MapFormats()[static_cast<std::size_t>(s.format)];
  std::string text = "Screen: " + std::string(f.name) + " map " + std::to_string(s.width) + " x " +
                     std::to_string(s.height) + " at " + FormatAddress(s.mapAddress);
  if (report.pastEnd > 0)
    text += ", " + std::to_string(report.pastEnd) + " cells past the tile set";
  return text;
}

namespace {

// One cell of 8 x 8 pixels; no tile draws index 0. Flips pick the source row and column;
// stored value 0 stays index 0 in every palette.
void DrawCell(TIndexedBitmap& bmp, std::int32_t cx, std::int32_t cy, const std::uint8_t* tile,
              const TMapCell& c, std::uint8_t add) {
  const int rowStep = c.vFlip ? -8 : 8;
  const int colStep = c.hFlip ? -1 : 1;
  const int start = (c.vFlip ? 56 : 0) + (c.hFlip ? 7 : 0);
  for (int y = 0; y < 8; ++y) {
    std::uint8_t* out = bmp.Row(8 * cy + y) + 8 * cx;
    if (tile == nullptr) {
      std::fill_n(out, 8, std::uint8_t{0});
      continue;
    }
    const std::uint8_t* in = tile + start + y * rowStep;
    for (int x = 0; x < 8; ++x) {
      const std::uint8_t v = in[x * colStep];
      out[x] = v == 0 ? 0 : static_cast<std::uint8_t>(v + add);
    }
  }
}

}  // namespace

TScreenDrawReport ComposeScreen(TIndexedBitmap& bmp, const TScreen& s, int bpp,
                                const std::vector<TMapCell>& cells, const TTileSet& set) {
  TScreenDrawReport report;
  report.tiles = set.total;
  std::size_t i = 0;
  for (std::int32_t cy = 0; cy < s.height; ++cy) {
    for (std::int32_t cx = 0; cx < s.width; ++cx, ++i) {
      const TMapCell& c = cells[i];
      const std::int64_t position = static_cast<std::int64_t>(c.tile) + s.tileBase;
      const std::uint8_t* tile = set.Tile(position);
      if (tile == nullptr && report.pastEnd++ == 0) {
        report.firstX = cx;
        report.firstY = cy;
        report.firstTile = position;
      }
      DrawCell(bmp, cx, cy, tile, c,
               static_cast<std::uint8_t>(ScreenPaletteOffset(bpp, c.palette, s.paletteBase)));
    }
  }
  return report;
}

TScreenDrawReport DrawScreen(TIndexedBitmap& bmp, const TTileEntry& e, const TScreen& s,
                             std::span<const std::uint8_t> rom,
                             std::span<const std::uint8_t> decoded, std::uint32_t background) {
  CheckScreen(s, e);
  TDecodeBuffer mapBuffer;
  std::int64_t mapMissing = 0;
  const std::vector<TMapCell> cells = ReadMapCells(s, MapBytes(s, rom, mapBuffer), &mapMissing);
  const TByteSource src = ScreenTileSource(e, rom, decoded);
  const TTileSet set =
      DecodeTileSet(e.Template, src, NamedTiles(s, cells, TileSetSize(e.Template, src)));
  bmp.SetSize(8 * s.width, 8 * s.height);
  std::copy(std::begin(e.Palette), std::end(e.Palette), bmp.Colours.begin());
  bmp.Colours[0] = background;
  SwapRedBlue(bmp.Colours, static_cast<std::int32_t>(bmp.Colours.size()));
  TScreenDrawReport report = ComposeScreen(bmp, s, TileTemplates[e.Template].Value, cells, set);
  report.mapMissing = mapMissing;
  if (MapFormats()[static_cast<std::size_t>(s.format)].priorityBit >= 0) {
    report.priority.resize(cells.size());
    std::transform(cells.begin(), cells.end(), report.priority.begin(),
                   [](const TMapCell& c) { return static_cast<std::uint8_t>(c.priority); });
  }
  return report;
}

}  // namespace tegulo
