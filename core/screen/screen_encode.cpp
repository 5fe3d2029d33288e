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

}  // namespace

std::optional<TCellValues> CellValues(const TPixelImage& picture, std::int32_t cx, std::int32_t cy,
                                      int bpp, int offset, std::span<const std::uint32_t> colours,
                                      int* bad) {
  const int size = bpp >= 8 ? 256 : 1 << bpp;
  TCellValues values{};
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      const int i = picture.At(8 * cx + x, 8 * cy + y);
      int v = i - offset;
      if (i != 0 && (v < 0 || v >= size)) {
        v = -1;
        for (int j = 1; j < size && v < 0; ++j) {
          if ((colours[static_cast<std::size_t>(offset + j)] & 0xFFFFFF) ==
              (colours[static_cast<std::size_t>(i)] & 0xFFFFFF))
            v = j;
        }
        if (v < 0) {
          if (bad != nullptr) *bad = i;
          return std::nullopt;
        }
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

TScreenEncoding EncodeScreen(const TPixelImage& picture, const TScreen& s, int bpp,
                             std::span<const std::uint32_t> colours, std::uint32_t firstNumber) {
  CheckScreenPicture(s, picture);
  const TMapFormat& f = MapFormats()[static_cast<std::size_t>(s.format)];
  const int choices = PaletteChoices(f, bpp);
  TScreenEncoding enc;
  enc.cells.resize(static_cast<std::size_t>(s.width) * s.height);
  enc.drawn = {picture.width, picture.height, std::vector<std::uint8_t>(picture.pixels.size())};
  std::unordered_map<std::string, std::uint32_t> known;  // stored values -> tile index
  std::size_t i = 0;
  for (std::int32_t cy = 0; cy < s.height; ++cy) {
    for (std::int32_t cx = 0; cx < s.width; ++cx, ++i) {
      // A palette whose block holds the indices themselves first, so that they draw back
      // as they are; then one that holds their colours.
      int p = 0;
      while (p < choices &&
             !InBlock(picture, cx, cy, bpp, ScreenPaletteOffset(bpp, p, s.paletteBase)))
        ++p;
      std::optional<TCellValues> values;
      int bad = 0;
      if (p < choices) {
        values = CellValues(picture, cx, cy, bpp, ScreenPaletteOffset(bpp, p, s.paletteBase),
                            colours, &bad);
      }
      if (!values) {
        for (p = 0; p < choices; ++p) {
          values = CellValues(picture, cx, cy, bpp, ScreenPaletteOffset(bpp, p, s.paletteBase),
                              colours, &bad);
          if (values) break;
        }
      }
      if (!values) {
        throw TError("Cell " + Cell(cx, cy) + ": no palette holds all its colours (index " +
                     std::to_string(bad) + ")");
      }
      TMapCell& cell = enc.cells[i];
      cell.palette = static_cast<std::uint8_t>(p);
      const int flips = f.HasFlips() ? 4 : 1;
      bool found = false;
      for (int o = 0; o < flips && !found; ++o) {
        const auto it = known.find(std::string(Key(Unflip(*values, (o & 1) != 0, (o & 2) != 0))));
        if (it == known.end()) continue;
        found = true;
        cell.tile = static_cast<std::uint16_t>(firstNumber + it->second);
        cell.hFlip = (o & 1) != 0;
        cell.vFlip = (o & 2) != 0;
      }
      if (!found) {
        const auto k = static_cast<std::uint32_t>(known.size());
        if (firstNumber + k > f.MaxTile()) {
          throw TError("The picture needs more than " + std::to_string(k) + " different tiles; a " +
                       std::string(f.name) + " map names tiles up to " +
                       std::to_string(f.MaxTile()) + " (the first new one is " +
                       std::to_string(firstNumber) + ")");
        }
        known.emplace(std::string(Key(*values)), k);
        enc.tiles.insert(enc.tiles.end(), values->begin(), values->end());
        cell.tile = static_cast<std::uint16_t>(firstNumber + k);
      }
      const int offset = ScreenPaletteOffset(bpp, p, s.paletteBase);
      for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
          const std::uint8_t v = (*values)[static_cast<std::size_t>(8 * y + x)];
          enc.drawn.pixels[static_cast<std::size_t>(8 * cy + y) *
                               static_cast<std::size_t>(picture.width) +
                           8 * cx + x] = v == 0 ? 0 : static_cast<std::uint8_t>(v + offset);
        }
      }
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
