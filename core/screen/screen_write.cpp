// Screen write-back: keep-map and rebuild, the map writer and the proof by drawing again.
#include "screen/screen_write.h"

#include <algorithm>
#include <limits>

#include "base/numbers.h"
#include "base/uCommon.h"
#include "compress/compressors.h"
#include "compress/refresh.h"
#include "compress/stream_extent.h"
#include "compress/uCompress.h"
#include "image/png_reader.h"
#include "image/render.h"
#include "screen/screen_encode.h"
#include "tiles/tile_encoders.h"

namespace tegulo {
namespace {

std::string Cell(std::int64_t x, std::int64_t y) {
  return "(" + std::to_string(x) + ", " + std::to_string(y) + ")";
}

std::string Address(std::int64_t a) { return FormatAddress(static_cast<std::int32_t>(a)); }

// What the screen shows today.
struct TScreenState {
  TTileEntry entry{};
  TDecodeBuffer decoded;
  std::vector<TMapCell> cells;
  TTileRange named;
  TTileSet set;
  int bpp = 0;
};

TScreenState ReadScreen(std::span<const std::uint8_t> rom, const TTileEntry& e, const TScreen& s) {
  CheckScreen(s, e);
  TScreenState st;
  st.entry = e;
  st.decoded.resize(kDecodeBufferSize);
  UnpackEntry(st.entry, rom, st.decoded);
  TDecodeBuffer mapBuffer;
  st.cells = ReadMapCells(s, MapBytes(s, rom, mapBuffer));
  const TByteSource src = ScreenTileSource(st.entry, rom, st.decoded);
  st.named = NamedTiles(s, st.cells, TileSetSize(e.Template, src));
  st.set = DecodeTileSet(e.Template, src, st.named);
  st.bpp = TileTemplates[e.Template].Value;
  return st;
}

// The entry that reads tiles first..first+count-1 as one column.
TTileEntry TileColumn(const TTileEntry& e, std::int64_t first, std::int64_t count) {
  TTileEntry t = e;
  const std::int64_t offset =
      e.Offset + first * static_cast<std::int64_t>(TemplateTileBytes(e.Template));
  if (offset > std::numeric_limits<std::int32_t>::max()) {
    throw TError("Tile " + std::to_string(first) + " lies beyond the reach of an offset");
  }
  t.Offset = static_cast<std::int32_t>(offset);
  t.Width = 1;
  t.Height = static_cast<std::int32_t>(count);
  return t;
}

}  // namespace

void ProveScreen(std::span<const std::uint8_t> rom, const TTileEntry& e, const TScreen& s,
                 const TPixelImage& expected) {
  TTileEntry entry = e;
  TDecodeBuffer buffer(kDecodeBufferSize);
  UnpackEntry(entry, rom, buffer);
  TIndexedBitmap bmp;
  DrawScreen(bmp, entry, s, rom, buffer, 0);
  for (std::int32_t y = 0; y < expected.height; ++y) {
    const std::uint8_t* row = bmp.Row(y);
    for (std::int32_t x = 0; x < expected.width; ++x) {
      if (row[x] != expected.At(x, y)) {
        throw TError("The written data do not draw back to the picture (first difference at " +
                     std::to_string(x) + ", " + std::to_string(y) + "); nothing was written");
      }
    }
  }
}

namespace {

void PutCell(TPixelImage& img, std::int32_t cx, std::int32_t cy, const TCellValues& v, int offset) {
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      const std::uint8_t value = v[static_cast<std::size_t>(8 * y + x)];
      img.pixels[static_cast<std::size_t>(8 * cy + y) * static_cast<std::size_t>(img.width) +
                 static_cast<std::size_t>(8 * cx + x)] =
          value == 0 ? 0 : static_cast<std::uint8_t>(value + offset);
    }
  }
}

// Gathers the tiles each cell names; `owner` remembers the first cell that gave a tile.
class TTileGather {
public:
  TTileGather(const TScreen& s, const TScreenState& st)
      : s_(s), st_(st), tiles_(st.set.pixels), owner_(static_cast<std::size_t>(st.set.count), -1) {}

  void Add(std::int64_t i, const TCellValues& values) {
    const TMapCell& c = st_.cells[static_cast<std::size_t>(i)];
    const std::int64_t position = static_cast<std::int64_t>(c.tile) + s_.tileBase;
    if (st_.set.Tile(position) == nullptr) {
      if (std::any_of(values.begin(), values.end(), [](std::uint8_t v) { return v != 0; })) {
        throw TError("Cell " + Cell(i % s_.width, i / s_.width) + " names tile " +
                     std::to_string(position) + ", past the tile set's end (" +
                     std::to_string(st_.set.total) + " tiles); it must stay index 0");
      }
      return;
    }
    const TCellValues stored = Unflip(values, c.hFlip, c.vFlip);
    const auto k = static_cast<std::size_t>(position - st_.set.first);
    std::uint8_t* tile = tiles_.data() + 64 * k;
    if (owner_[k] < 0) {
      std::copy(stored.begin(), stored.end(), tile);
      owner_[k] = i;
      return;
    }
    const auto diff = std::mismatch(stored.begin(), stored.end(), tile);
    if (diff.first == stored.end()) return;
    const auto p = diff.first - stored.begin();
    throw TError("Cells " + Cell(owner_[k] % s_.width, owner_[k] / s_.width) + " and " +
                 Cell(i % s_.width, i / s_.width) + " show tile " + std::to_string(position) +
                 " but differ at its pixel " + Cell(p % 8, p / 8));
  }

  const std::vector<std::uint8_t>& Tiles() const { return tiles_; }

private:
  const TScreen& s_;
  const TScreenState& st_;
  std::vector<std::uint8_t> tiles_;
  std::vector<std::int64_t> owner_;
};

TScreenWriteResult KeepMap(std::span<const std::uint8_t> rom, const TTileEntry& e, const TScreen& s,
                           const TPixelImage& picture, const TWriteBackOptions& options) {
  const TScreenState st = ReadScreen(rom, e, s);
  TPixelImage expected{picture.width, picture.height,
                       std::vector<std::uint8_t>(picture.pixels.size())};
  TTileGather gather(s, st);
  const std::span<const std::uint32_t> colours(e.Palette);
  std::int64_t i = 0;
  for (std::int32_t cy = 0; cy < s.height; ++cy) {
    for (std::int32_t cx = 0; cx < s.width; ++cx, ++i) {
      const TMapCell& c = st.cells[static_cast<std::size_t>(i)];
      const int offset = ScreenPaletteOffset(st.bpp, c.palette, s.paletteBase);
      int bad = 0;
      const auto values = CellValues(picture, cx, cy, st.bpp, offset, colours, &bad);
      if (!values) {
        throw TError("Cell " + Cell(cx, cy) + " has index " + std::to_string(bad) +
                     ", whose colour its palette " + std::to_string(c.palette) + " (indices " +
                     std::to_string(offset) + " to " + std::to_string(offset + (1 << st.bpp) - 1) +
                     ") does not hold");
      }
      gather.Add(i, *values);
      PutCell(expected, cx, cy, *values, offset);
    }
  }
  TScreenWriteResult result{{rom.begin(), rom.end()}, {}, e, s};
  TTileEntry written = e;  // a packed tile set given free space may move there
  if (st.set.count > 0) {
    const TWriteBackResult r = WriteBackPicture(
        rom, TileColumn(st.entry, st.set.first, st.set.count),
        TPixelImage{8, static_cast<std::int32_t>(8 * st.set.count), gather.Tiles()}, options);
    result.rom = r.rom;
    written.Address = r.entry.Address;
    result.lines.push_back("Tiles " + std::to_string(st.set.first) + "-" +
                           std::to_string(st.set.first + st.set.count - 1) + ": " +
                           r.report.Text());
  }
  ProveScreen(result.rom, written, s, expected);
  result.entry = written;
  return result;
}

// Writes the cells' entries where the map lies, packing a map stream again in its old bytes,
// or where options.placeStream puts a stream that no longer fits. Returns the map's address.
std::int32_t WriteMap(std::vector<std::uint8_t>& out, const TScreen& s,
                      const std::vector<TMapCell>& cells, const TWriteBackOptions& options,
                      std::vector<std::string>& lines) {
  const std::int64_t length = MapByteLength(s);
  const auto size = static_cast<std::int64_t>(out.size());
  if (s.mapCompression == kSchemeNone) {
    if (s.mapAddress < 0 || s.mapAddress + length > size) {
      throw TError("The map at " + Address(s.mapAddress) + "-" +
                   Address(s.mapAddress + length - 1) + " does not lie inside the ROM (" +
                   std::to_string(size) + " bytes)");
    }
    StoreMapCells(s, cells,
                  std::span(out).subspan(static_cast<std::size_t>(s.mapAddress),
                                         static_cast<std::size_t>(length)));
    lines.push_back("Map: wrote " + Address(s.mapAddress) + "-" +
                    Address(s.mapAddress + length - 1) + " (" + std::to_string(length) + " bytes)");
    return s.mapAddress;
  }
  if (s.mapAddress < 0 || s.mapAddress >= size) {
    throw TError("The map stream address " + Address(s.mapAddress) + " lies outside the ROM (" +
                 std::to_string(size) + " bytes)");
  }
  TDecodeBuffer buffer;
  const std::span<const std::uint8_t> unpacked = MapBytes(s, out, buffer);
  if (static_cast<std::int64_t>(unpacked.size()) < length) {
    throw TError("The map needs " + std::to_string(length) + " bytes; its stream unpacks to " +
                 std::to_string(unpacked.size()));
  }
  std::vector<std::uint8_t> data(unpacked.begin(), unpacked.end());
  StoreMapCells(s, cells, data);
  if (std::equal(data.begin(), data.end(), unpacked.begin())) {
    lines.push_back("Map: unchanged");
    return s.mapAddress;
  }
  const std::size_t oldStream = StreamBytesUsed(
      s.mapCompression, std::span(out).subspan(static_cast<std::size_t>(s.mapAddress)));
  const std::vector<std::uint8_t> packed = CompressStream(s.mapCompression, data, options.compress);
  std::int64_t at = s.mapAddress;
  if (packed.size() > oldStream) {
    if (!options.placeStream) {
      throw TStreamDoesNotFit("The new map stream is " + std::to_string(packed.size()) +
                                  " bytes, the old one " + std::to_string(oldStream) +
                                  " bytes: it does not fit",
                              packed.size(), oldStream);
    }
    at = options.placeStream(packed.size(), s.mapAddress, oldStream);
    if (at < 0 || at + static_cast<std::int64_t>(packed.size()) > size) {
      throw TError("The map stream of " + std::to_string(packed.size()) + " bytes cannot go to " +
                   Address(at) + ": outside the ROM");
    }
  }
  std::copy(packed.begin(), packed.end(), out.begin() + at);
  lines.push_back("Map: wrote " + std::to_string(packed.size()) + " bytes at " + Address(at) +
                  " (old stream " + std::to_string(oldStream) + " bytes at " +
                  Address(s.mapAddress) + ")");
  return static_cast<std::int32_t>(at);
}

TScreenWriteResult Rebuild(std::span<const std::uint8_t> rom, const TTileEntry& e, const TScreen& s,
                           const TPixelImage& picture, const TWriteBackOptions& options) {
  const TScreenState st = ReadScreen(rom, e, s);
  const std::int64_t start = std::max<std::int64_t>(0, s.tileBase);
  const std::int64_t firstNumber = start - s.tileBase;
  const TMapFormat& f = MapFormats()[static_cast<std::size_t>(s.format)];
  if (firstNumber > f.MaxTile()) {
    throw TError("With tile base " + std::to_string(s.tileBase) + " no map number reaches tile 0");
  }
  const TScreenEncoding enc =
      EncodeScreen(picture, s, st.bpp, e.Palette, static_cast<std::uint32_t>(firstNumber));
  const std::int64_t room = std::max<std::int64_t>(0, st.named.last + 1 - start);
  if (e.Compression == kSchemeNone && enc.TileCount() > room) {
    throw TError("The new tile set has " + std::to_string(enc.TileCount()) +
                 " tiles; the old map named " + std::to_string(room) + " from tile " +
                 std::to_string(start) + ": it does not fit");
  }
  TScreenWriteResult result{{rom.begin(), rom.end()}, {}, e, s};
  result.screen.mapAddress = WriteMap(result.rom, s, enc.cells, options, result.lines);
  if (enc.TileCount() > 0) {
    TWriteBackOptions tileOptions = options;
    tileOptions.freeSpace.reset();
    const TWriteBackResult r = WriteBackPicture(
        result.rom, TileColumn(st.entry, start, enc.TileCount()),
        TPixelImage{8, static_cast<std::int32_t>(8 * enc.TileCount()), enc.tiles}, tileOptions);
    result.rom = r.rom;
    // A packed tile set given a new place moves there; the column starts at the set's start.
    if (e.Compression != kSchemeNone) result.entry.Address = r.entry.Address;
    result.lines.push_back("Tiles " + std::to_string(start) + "-" +
                           std::to_string(start + enc.TileCount() - 1) + ": " + r.report.Text());
  }
  ProveScreen(result.rom, result.entry, result.screen, enc.drawn);
  return result;
}

}  // namespace

TPixelImage PictureForScreen(std::span<const std::uint8_t> pngFile, const TTileEntry& e,
                             const TScreen& s, std::uint32_t background, TColourMatch match,
                             TColourMatchReport* report) {
  const auto check = [&s](std::int64_t w, std::int64_t h) {
    CheckScreenPicture(s, TPixelImage{static_cast<std::int32_t>(std::min<std::int64_t>(w, 1 << 30)),
                                      static_cast<std::int32_t>(std::min<std::int64_t>(h, 1 << 30)),
                                      {}});
  };
  return PictureIndices(ReadPng(pngFile, check), e.Palette, background, match, report);
}

TScreenWriteResult WriteBackScreen(std::span<const std::uint8_t> rom, const TTileEntry& e,
                                   const TScreen& s, const TPixelImage& picture,
                                   TScreenImportMode mode, const TWriteBackOptions& options) {
  CheckScreen(s, e);
  CheckScreenPicture(s, picture);
  return mode == TScreenImportMode::kKeepMap ? KeepMap(rom, e, s, picture, options)
                                             : Rebuild(rom, e, s, picture, options);
}

}  // namespace tegulo
