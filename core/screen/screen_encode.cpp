// The screen encoder: palette choice per cell, stored values, merged tiles, map entries.
#include "screen/screen_encode.h"

#include <string>
#include <string_view>
#include <unordered_map>

#include "base/uCommon.h"

namespace tegulo {
namespace {

std::string Cell(std::int32_t x, std::int32_t y) {
  return "(" + std::to_string(x) + ", " + std::to_string(y) + ")";
}

// The palette numbers a cell may take.
int PaletteChoices(const TMapFormat& f, int bpp) {
  return bpp >= 8 || f.paletteBits == 0 ? 1 : 1 << f.paletteBits;
}

// Whether every nonzero index of the cell lies in the block at `offset`.
bool InBlock(const TPixelImage& picture, std::int32_t cx, std::int32_t cy, int bpp, int offset) {
  const int size = 1 << bpp;
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      const int i = picture.At(8 * cx + x, 8 * cy + y);
      if (i != 0 && (i < offset || i >= offset + size)) return false;
    }
  }
  return true;
}

std::string_view Key(const TCellValues& v) {
  return {reinterpret_cast<const char*>(v.data()), v.size()};
}

// The first place 1..size-1 of the block at `offset` whose colour is that of index i; -1 when
// none is.
int ColourPlace(std::span<const std::uint32_t> colours, int offset, int size, int i) {
  const std::uint32_t colour = colours[static_cast<std::size_t>(i)] & 0xFFFFFF;
  for (int j = 1; j < size; ++j) {
    if ((colours[static_cast<std::size_t>(offset + j)] & 0xFFFFFF) == colour) return j;
  }
  return -1;
}

}  // namespace

int CellValue(int bpp, int offset, std::span<const std::uint32_t> colours, int i) {
  const int size = bpp >= 8 ? 256 : 1 << bpp;
  if (i == 0) return 0;
  const int v = i - offset;
  return v >= 0 && v < size ? v : ColourPlace(colours, offset, size, i);
}

std::optional<TCellValues> CellValues(const TPixelImage& picture, std::int32_t cx, std::int32_t cy,
                                      int bpp, int offset, std::span<const std::uint32_t> colours,
                                      int* bad) {
  TCellValues values{};
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      const int i = picture.At(8 * cx + x, 8 * cy + y);
      const int v = CellValue(bpp, offset, colours, i);
      if (v < 0) {
        if (bad != nullptr) *bad = i;
        return std::nullopt;
      }
      values[static_cast<std::size_t>(8 * y + x)] = static_cast<std::uint8_t>(i == 0 ? 0 : v);
    }
  }
  return values;
}

TCellValues Unflip(const TCellValues& cell, bool hFlip, bool vFlip) {
  TCellValues out{};
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      const int sy = vFlip ? 7 - y : y;
      const int sx = hFlip ? 7 - x : x;
      out[static_cast<std::size_t>(8 * sy + sx)] = cell[static_cast<std::size_t>(8 * y + x)];
    }
  }
  return out;
}

void CheckScreenPicture(const TScreen& s, const TPixelImage& picture) {
  if (picture.width != 8LL * s.width || picture.height != 8LL * s.height) {
    throw TError("The picture is " + std::to_string(picture.width) + " x " +
                 std::to_string(picture.height) + " pixels; the screen needs " +
                 std::to_string(8 * s.width) + " x " + std::to_string(8 * s.height));
  }
}

namespace {

struct TCellChoice {
  int palette = 0;
  TCellValues values{};
};

// A palette whose block holds the indices themselves first, so that they draw back as they
// are; then one that holds their colours.
TCellChoice ChoosePalette(const TPixelImage& picture, std::int32_t cx, std::int32_t cy,
                          const TScreen& s, int bpp, int choices,
                          std::span<const std::uint32_t> colours) {
  int bad = 0;
  for (int p = 0; p < choices; ++p) {
    const int offset = ScreenPaletteOffset(bpp, p, s.paletteBase);
    if (!InBlock(picture, cx, cy, bpp, offset)) continue;
    if (const auto v = CellValues(picture, cx, cy, bpp, offset, colours, &bad)) return {p, *v};
  }
  for (int p = 0; p < choices; ++p) {
    const int offset = ScreenPaletteOffset(bpp, p, s.paletteBase);
    if (const auto v = CellValues(picture, cx, cy, bpp, offset, colours, &bad)) return {p, *v};
  }
  throw TError("Cell " + Cell(cx, cy) + ": no palette holds all its colours (index " +
               std::to_string(bad) + ")");
}

// The tile set being built: identical tiles, and mirrored ones where the format flips, once.
class TTileMerger {
public:
  TTileMerger(const TMapFormat& f, std::uint32_t firstNumber, std::vector<std::uint8_t>& tiles)
      : f_(f), first_(firstNumber), tiles_(tiles) {}

  void Place(const TCellValues& values, TMapCell& cell) {
    const int orientations = f_.HasFlips() ? 4 : 1;
    for (int o = 0; o < orientations; ++o) {
      const bool h = (o & 1) != 0;
      const bool v = (o & 2) != 0;
      const auto it = known_.find(std::string(Key(Unflip(values, h, v))));
      if (it == known_.end()) continue;
      cell.tile = static_cast<std::uint16_t>(first_ + it->second);
      cell.hFlip = h;
      cell.vFlip = v;
      return;
    }
    const auto k = static_cast<std::uint32_t>(known_.size());
    if (first_ + k > f_.MaxTile()) {
      throw TError("The picture needs more than " + std::to_string(k) + " different tiles; a " +
                   std::string(f_.name) + " map names tiles up to " + std::to_string(f_.MaxTile()) +
                   " (the first new one is " + std::to_string(first_) + ")");
    }
    known_.emplace(std::string(Key(values)), k);
    tiles_.insert(tiles_.end(), values.begin(), values.end());
    cell.tile = static_cast<std::uint16_t>(first_ + k);
  }

private:
  const TMapFormat& f_;
  std::uint32_t first_;
  std::vector<std::uint8_t>& tiles_;
  std::unordered_map<std::string, std::uint32_t> known_;  // stored values -> tile index
};

void DrawBack(TPixelImage& img, std::int32_t cx, std::int32_t cy, const TCellValues& v,
              int offset) {
  for (int y = 0; y < 8; ++y) {
    std::uint8_t* row = img.pixels.data() +
                        static_cast<std::size_t>(8 * cy + y) * static_cast<std::size_t>(img.width) +
                        static_cast<std::size_t>(8 * cx);
    for (int x = 0; x < 8; ++x) {
      const std::uint8_t value = v[static_cast<std::size_t>(8 * y + x)];
      row[x] = value == 0 ? 0 : static_cast<std::uint8_t>(value + offset);
    }
  }
}

}  // namespace

TScreenEncoding EncodeScreen(const TPixelImage& picture, const TScreen& s, int bpp,
                             std::span<const std::uint32_t> colours, std::uint32_t firstNumber) {
  CheckScreenPicture(s, picture);
  const TMapFormat& f = MapFormats()[static_cast<std::size_t>(s.format)];
  const int choices = PaletteChoices(f, bpp);
  TScreenEncoding enc;
  enc.cells.resize(static_cast<std::size_t>(s.width) * static_cast<std::size_t>(s.height));
  enc.drawn = {picture.width, picture.height, std::vector<std::uint8_t>(picture.pixels.size())};
  TTileMerger merger(f, firstNumber, enc.tiles);
  std::size_t i = 0;
  for (std::int32_t cy = 0; cy < s.height; ++cy) {
    for (std::int32_t cx = 0; cx < s.width; ++cx, ++i) {
      const TCellChoice choice = ChoosePalette(picture, cx, cy, s, bpp, choices, colours);
      enc.cells[i].palette = static_cast<std::uint8_t>(choice.palette);
      merger.Place(choice.values, enc.cells[i]);
      DrawBack(enc.drawn, cx, cy, choice.values,
               ScreenPaletteOffset(bpp, choice.palette, s.paletteBase));
    }
  }
  return enc;
}

std::int64_t MapByteLength(const TScreen& s) {
  const TMapFormat& f = MapFormats()[static_cast<std::size_t>(s.format)];
  return MapEntryIndex(f, s.width, s.width - 1, s.height - 1) * f.spacing + f.entryBytes;
}

void StoreMapCells(const TScreen& s, const std::vector<TMapCell>& cells,
                   std::span<std::uint8_t> map) {
  const TMapFormat& f = MapFormats()[static_cast<std::size_t>(s.format)];
  std::size_t i = 0;
  for (std::int32_t y = 0; y < s.height; ++y) {
    for (std::int32_t x = 0; x < s.width; ++x, ++i) {
      const auto at = static_cast<std::size_t>(MapEntryIndex(f, s.width, x, y) * f.spacing);
      const std::uint32_t value = EncodeMapEntry(f, cells[i]);
      for (int b = 0; b < f.entryBytes; ++b) {
        map[at + static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(value >> (8 * b));
      }
    }
  }
}

}  // namespace tegulo
