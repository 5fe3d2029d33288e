// The picture converter: console colours, colour 0, colour sets per tile, palettes packed,
// tiles merged, the map and the palette words.
#include "convert/convert.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <unordered_map>

#include "base/uCommon.h"
#include "convert/palette_pack.h"
#include "palette/console_words.h"
#include "palette/palette.h"
#include "screen/map_formats.h"
#include "screen/screen.h"
#include "screen/screen_encode.h"
#include "tiles/tile_formats.h"

namespace tegulo {
namespace {

std::string At(std::int64_t x, std::int64_t y) {
  return "(" + std::to_string(x) + ", " + std::to_string(y) + ")";
}

std::uint16_t WordOfSamples(const std::uint8_t* s) {
  return ConsoleWord(s[0] | static_cast<std::uint32_t>(s[1]) << 8 |
                     static_cast<std::uint32_t>(s[2]) << 16);
}

// The colour most common on the border; ties to the first met going round from the top-left.
std::uint16_t BorderColour(const TWordPicture& p) {
  std::vector<std::int32_t> count(32768, 0);
  std::vector<std::uint16_t> order;
  const auto visit = [&](std::int32_t x, std::int32_t y) {
    const std::uint16_t w =
        p.words[static_cast<std::size_t>(y) * static_cast<std::size_t>(p.width) +
                static_cast<std::size_t>(x)];
    if (count[w]++ == 0) order.push_back(w);
  };
  for (std::int32_t x = 0; x < p.width; ++x) visit(x, 0);
  for (std::int32_t y = 1; y < p.height; ++y) visit(p.width - 1, y);
  for (std::int32_t x = p.width - 1; x-- > 0 && p.height > 1;) visit(x, p.height - 1);
  for (std::int32_t y = p.height - 1; y-- > 1 && p.width > 1;) visit(0, y);
  std::uint16_t best = order.empty() ? 0 : order[0];
  for (const std::uint16_t w : order) {
    if (count[w] > count[best]) best = w;
  }
  return best;
}

int BitsPerPixel(int templ) { return TileTemplates[templ].Value; }

}  // namespace

TWordPicture ConsolePicture(const TPngPicture& picture) {
  TWordPicture out{picture.width, picture.height, {}, 0};
  const std::size_t n = static_cast<std::size_t>(picture.width) * picture.height;
  out.words.resize(n);
  if (picture.indexed) {
    out.transparent = picture.colours.empty() ? 0 : ConsoleWord(picture.colours[0]);
    for (std::size_t i = 0; i < n; ++i) {
      const std::uint8_t index = picture.samples[i];
      if (index == 0) {
        out.words[i] = kTransparentWord;
      } else if (index >= picture.colours.size()) {
        const auto w = static_cast<std::size_t>(picture.width);
        throw TError("Pixel " +
                     At(static_cast<std::int64_t>(i % w), static_cast<std::int64_t>(i / w)) +
                     " has index " + std::to_string(index) + "; the picture's palette has " +
                     std::to_string(picture.colours.size()) + " colours");
      } else {
        out.words[i] = ConsoleWord(picture.colours[index]);
      }
    }
    return out;
  }
  bool clear = false;
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint8_t* s = picture.samples.data() + 4 * i;
    out.words[i] = WordOfSamples(s);
    if (s[3] == 0) {
      if (!clear) out.transparent = out.words[i];
      clear = true;
      out.words[i] = kTransparentWord;
    }
  }
  if (!clear && n > 0) {
    out.transparent = BorderColour(out);
    std::replace(out.words.begin(), out.words.end(), out.transparent, kTransparentWord);
  }
  return out;
}

std::string TConversion::Summary() const {
  return std::to_string(tileCount) + (tileCount == 1 ? " tile, " : " tiles, ") +
         std::to_string(paletteCount) + (paletteCount == 1 ? " palette" : " palettes");
}

int PaletteLimit(const TConvertOptions& o) {
  const TMapFormat& f = MapFormats()[static_cast<std::size_t>(o.mapFormat)];
  const int bpp = BitsPerPixel(o.templ);
  int limit = 1;
  if (bpp < 8 && f.paletteBits > 0) {
    limit = std::min<int>((1 << f.paletteBits) + o.paletteBase, 256 >> bpp);
  }
  return o.maxPalettes > 0 ? std::min(limit, o.maxPalettes) : limit;
}

namespace {

void CheckOptions(const TConvertOptions& o, const TPngPicture& picture) {
  if (o.mapFormat < 0 || o.mapFormat >= kMapFormatCount) throw TError("Unknown map format");
  TScreen s;
  s.format = o.mapFormat;
  s.width = std::max(1, picture.width / 8);
  s.height = std::max(1, picture.height / 8);
  TTileEntry e{};
  e.Template = static_cast<std::uint8_t>(std::clamp(o.templ, 0, 255));
  if (picture.width % 8 != 0 || picture.height % 8 != 0 || picture.width == 0 ||
      picture.height == 0) {
    throw TError("The picture is " + std::to_string(picture.width) + " x " +
                 std::to_string(picture.height) +
                 " pixels; a screen needs a multiple of 8 pixels each way");
  }
  CheckScreen(s, e);  // template and map size
  if (o.tileBase > 0 || o.paletteBase > 0) {
    throw TError(
        "The tile and palette bases are added to the map's numbers as render adds "
        "them: 0 or below (-N numbers the map from N)");
  }
  const TMapFormat& f = MapFormats()[static_cast<std::size_t>(o.mapFormat)];
  if (-static_cast<std::int64_t>(o.tileBase) > f.MaxTile()) {
    throw TError("With tile base " + std::to_string(o.tileBase) + " no map number reaches tile 0");
  }
  if (PaletteLimit(o) < 1) {
    throw TError("With palette base " + std::to_string(o.paletteBase) + " a " +
                 std::string(f.name) + " map numbers no palette");
  }
}

// The colours of every tile, numbered in order of first appearance, tile by tile.
struct TTileColours {
  std::vector<TColourBits> sets;                                            // per tile, row by row
  std::vector<std::uint16_t> words;                                         // colour number -> word
  std::vector<std::int16_t> number = std::vector<std::int16_t>(32768, -1);  // word -> number
};

// Numbers the colours of tile (tx, ty) as they first appear and returns its set. Throws
// TError when a colour past `most` comes.
TColourBits TileColours(const TWordPicture& p, std::int32_t tx, std::int32_t ty, int most,
                        TTileColours& out, const std::string& limitText) {
  TColourBits set;
  for (int y = 0; y < 8; ++y) {
    const std::uint16_t* row =
        p.words.data() + static_cast<std::size_t>(8 * ty + y) * static_cast<std::size_t>(p.width) +
        static_cast<std::size_t>(8 * tx);
    for (int x = 0; x < 8; ++x) {
      const std::uint16_t w = row[x];
      if (w == kTransparentWord) continue;
      if (out.number[w] < 0) {
        if (static_cast<int>(out.words.size()) == most) {
          throw TError("The picture has more than " + std::to_string(most) +
                       " colours besides colour 0, the most " + limitText + " hold; tile " +
                       At(tx, ty) + " brings colour " + std::to_string(most + 1));
        }
        out.number[w] = static_cast<std::int16_t>(out.words.size());
        out.words.push_back(w);
      }
      set.Add(out.number[w]);
    }
  }
  return set;
}

TTileColours CollectColours(const TWordPicture& p, int capacity, int limit, int bpp) {
  const std::int32_t tw = p.width / 8;
  const std::int32_t th = p.height / 8;
  const std::string limitText = std::to_string(limit) + (limit == 1 ? " palette" : " palettes") +
                                " of " + std::to_string(bpp) + " bits per pixel";
  TTileColours out;
  out.sets.reserve(static_cast<std::size_t>(tw) * static_cast<std::size_t>(th));
  for (std::int32_t ty = 0; ty < th; ++ty) {
    for (std::int32_t tx = 0; tx < tw; ++tx) {
      const TColourBits set = TileColours(p, tx, ty, capacity * limit, out, limitText);
      if (set.Count() > capacity) {
        throw TError("Tile " + At(tx, ty) + " has " + std::to_string(set.Count()) +
                     " colours besides colour 0; a palette of " + std::to_string(bpp) +
                     " bits per pixel holds " + std::to_string(capacity));
      }
      out.sets.push_back(set);
    }
  }
  return out;
}

// The first tile, in reading order, that does not fit `limit` palettes filled tile by tile.
std::string FirstMisfit(const TTileColours& c, std::int32_t tw, int capacity, int limit) {
  std::vector<TColourBits> palettes;
  for (std::size_t i = 0; i < c.sets.size(); ++i) {
    const TColourBits& s = c.sets[i];
    int best = -1;
    int bestSize = capacity + 1;
    for (std::size_t p = 0; p < palettes.size(); ++p) {
      const int size = (palettes[p] | s).Count();
      if (size <= capacity && size < bestSize) {
        best = static_cast<int>(p);
        bestSize = size;
      }
    }
    if (best >= 0) {
      palettes[static_cast<std::size_t>(best)] = palettes[static_cast<std::size_t>(best)] | s;
    } else if (static_cast<int>(palettes.size()) < limit) {
      palettes.push_back(s);
    } else {
      return At(static_cast<std::int64_t>(i) % tw, static_cast<std::int64_t>(i) / tw);
    }
  }
  return At(0, 0);
}

using TTileValues = std::array<std::uint8_t, 64>;

// Identical tiles, and mirrored ones when allowed, stored once.
class TTileStore {
public:
  TTileStore(const TMapFormat& f, bool flips, std::int32_t tileBase)
      : f_(f), flips_(flips && f.HasFlips()), first_(-static_cast<std::int64_t>(tileBase)) {}

  void Place(const TTileValues& values, TMapCell& cell, std::int32_t tx, std::int32_t ty) {
    for (int o = 0; o < (flips_ ? 4 : 1); ++o) {
      const bool h = (o & 1) != 0;
      const bool v = (o & 2) != 0;
      const auto it = known_.find(Key(Unflip(values, h, v)));
      if (it == known_.end()) continue;
      cell.tile = static_cast<std::uint16_t>(first_ + it->second);
      cell.hFlip = h;
      cell.vFlip = v;
      return;
    }
    const auto k = static_cast<std::int64_t>(known_.size());
    if (first_ + k > f_.MaxTile()) {
      throw TError("Tile " + At(tx, ty) + " would be tile number " + std::to_string(first_ + k) +
                   "; a " + std::string(f_.name) + " map numbers tiles up to " +
                   std::to_string(f_.MaxTile()));
    }
    known_.emplace(Key(values), k);
    tiles.insert(tiles.end(), values.begin(), values.end());
    cell.tile = static_cast<std::uint16_t>(first_ + k);
  }

  std::vector<std::uint8_t> tiles;

private:
  static std::string Key(const TTileValues& v) {
    return {reinterpret_cast<const char*>(v.data()), v.size()};
  }
  const TMapFormat& f_;
  bool flips_;
  std::int64_t first_;
  std::unordered_map<std::string, std::int64_t> known_;
};

// Per palette, the place (1..) of each colour number: colours in order of first appearance.
std::vector<std::vector<int>> Places(const std::vector<TColourBits>& palettes, int colours) {
  // A picture of colour 0 alone has no palette but still draws with the first.
  std::vector<std::vector<int>> places(std::max<std::size_t>(1, palettes.size()),
                                       std::vector<int>(static_cast<std::size_t>(colours), 0));
  for (std::size_t p = 0; p < palettes.size(); ++p) {
    int next = 1;
    for (int c = 0; c < colours; ++c) {
      if (palettes[p].Has(c)) places[p][static_cast<std::size_t>(c)] = next++;
    }
  }
  return places;
}

// The tile's stored values in its palette (places 1.., colour 0 as 0); the picture's indices
// (`first` + place) go into `indices` too.
TTileValues StoredValues(const TWordPicture& words, const std::vector<std::int16_t>& number,
                         const std::vector<int>& places, std::int32_t tx, std::int32_t ty,
                         std::size_t first, TPixelImage& indices) {
  TTileValues values{};
  for (int y = 0; y < 8; ++y) {
    const std::size_t row =
        static_cast<std::size_t>(8 * ty + y) * static_cast<std::size_t>(words.width) +
        static_cast<std::size_t>(8 * tx);
    for (int x = 0; x < 8; ++x) {
      const std::uint16_t w = words.words[row + static_cast<std::size_t>(x)];
      if (w == kTransparentWord) continue;
      const int place = places[static_cast<std::size_t>(number[w])];
      values[static_cast<std::size_t>(8 * y + x)] = static_cast<std::uint8_t>(place);
      indices.pixels[row + static_cast<std::size_t>(x)] =
          static_cast<std::uint8_t>(first + static_cast<std::size_t>(place));
    }
  }
  return values;
}

// The palettes as console words: colour 0 the transparent colour, then each colour at its
// place; unused places black.
std::vector<std::uint8_t> PaletteWords(const std::vector<std::vector<int>>& places,
                                       const std::vector<std::uint16_t>& words,
                                       std::uint16_t transparent, int bpp, int count) {
  const std::size_t size = std::size_t{1} << bpp;
  std::vector<std::uint32_t> table(size * static_cast<std::size_t>(count), 0);
  for (std::size_t p = 0; p < static_cast<std::size_t>(count); ++p) {
    table[p * size] = ConsoleColour(transparent);
    if (p >= places.size()) continue;
    for (std::size_t c = 0; c < words.size(); ++c) {
      const int place = places[p][c];
      if (place > 0) table[p * size + static_cast<std::size_t>(place)] = ConsoleColour(words[c]);
    }
  }
  return ConsoleWordBytes(table);
}

}  // namespace

TConversion ConvertPicture(const TPngPicture& picture, const TConvertOptions& o) {
  CheckOptions(o, picture);
  const TMapFormat& f = MapFormats()[static_cast<std::size_t>(o.mapFormat)];
  const int bpp = BitsPerPixel(o.templ);
  const int capacity = (1 << bpp) - 1;
  const int limit = PaletteLimit(o);
  const TWordPicture words = ConsolePicture(picture);
  const std::int32_t tw = picture.width / 8;
  const std::int32_t th = picture.height / 8;
  const TTileColours colours = CollectColours(words, capacity, limit, bpp);

  const TPalettePacking packing = PackPalettes(colours.sets, capacity, limit, o.searchBound);
  if (!packing.found) {
    throw TError("The picture needs more than " + std::to_string(limit) +
                 (limit == 1 ? " palette" : " palettes") + " of " + std::to_string(capacity) +
                 " colours" + (packing.proven ? "" : " (as far as the search went)") + ": tile " +
                 FirstMisfit(colours, tw, capacity, limit) +
                 " fits none of those made for the tiles before it");
  }
  const auto colourCount = static_cast<int>(colours.words.size());
  const std::vector<std::vector<int>> places = Places(packing.palettes, colourCount);

  TConversion out;
  out.width = tw;
  out.height = th;
  out.colours = colourCount;
  out.proven = packing.proven;
  out.paletteCount = std::max(1, static_cast<int>(packing.palettes.size()));
  out.indices = {picture.width, picture.height,
                 std::vector<std::uint8_t>(static_cast<std::size_t>(picture.width) *
                                           static_cast<std::size_t>(picture.height))};
  std::vector<TMapCell> cells(static_cast<std::size_t>(tw) * static_cast<std::size_t>(th));
  TTileStore store(f, o.flips, o.tileBase);
  for (std::int32_t ty = 0; ty < th; ++ty) {
    for (std::int32_t tx = 0; tx < tw; ++tx) {
      const std::size_t i = static_cast<std::size_t>(ty) * static_cast<std::size_t>(tw) +
                            static_cast<std::size_t>(tx);
      std::size_t p = 0;
      while (p < packing.palettes.size() && !colours.sets[i].SubsetOf(packing.palettes[p])) ++p;
      const TTileValues values =
          StoredValues(words, colours.number, places[p], tx, ty, p << bpp, out.indices);
      const bool palettes = bpp < 8 && f.paletteBits > 0;
      cells[i].palette =
          palettes ? static_cast<std::uint8_t>(static_cast<std::int32_t>(p) - o.paletteBase) : 0;
      store.Place(values, cells[i], tx, ty);
    }
  }
  out.tileCount = static_cast<std::int64_t>(store.tiles.size() / 64);
  out.tiles = EncodeTiles(
      o.templ, TPixelImage{8, static_cast<std::int32_t>(8 * out.tileCount), store.tiles});
  TScreen s;
  s.format = o.mapFormat;
  s.width = tw;
  s.height = th;
  out.map.assign(static_cast<std::size_t>(MapByteLength(s)), 0);
  StoreMapCells(s, cells, out.map);
  out.palettes = PaletteWords(places, colours.words, words.transparent, bpp, out.paletteCount);
  return out;
}

}  // namespace tegulo
