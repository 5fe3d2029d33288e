// Putting screens back: keep-map and rebuild round trips, and the refusals.
#include <gtest/gtest.h>
#include <zlib.h>

#include <string>

#include "compress/refresh.h"
#include "compress/uCompress.h"
#include "screen/screen_write.h"
#include "screen_pictures.h"
#include "tiles/uTiles.h"

namespace tegulo {
namespace {

TPixelImage Drawn(TTileEntry e, const TScreen& s, const std::vector<std::uint8_t>& rom) {
  TDecodeBuffer buffer(kDecodeBufferSize);
  UnpackEntry(e, rom, buffer);
  TIndexedBitmap bmp;
  DrawScreen(bmp, e, s, rom, buffer, 0);
  const auto px = bmp.Pixels();
  return {bmp.Width(), bmp.Height(), {px.begin(), px.end()}};
}

std::uint8_t& Pixel(TPixelImage& img, std::int32_t x, std::int32_t y) {
  return img.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(img.width) +
                    static_cast<std::size_t>(x)];
}

template <typename F>
std::string ErrorOf(F f) {
  try {
    f();
  } catch (const TError& e) {
    return e.what();
  }
  return "(no error)";
}

// Moves a nonzero pixel of cell (cx, cy) to another value of its palette.
void EditCell(TPixelImage& img, std::int32_t cx, std::int32_t cy, int bpp) {
  for (int i = 0; i < 64; ++i) {
    std::uint8_t& p = Pixel(img, 8 * cx + i % 8, 8 * cy + i / 8);
    if (p == 0) continue;
    const int base = bpp >= 8 ? 0 : p >> bpp << bpp;
    p = static_cast<std::uint8_t>(p == base + 1 ? base + 2 : base + 1);
    return;
  }
}

// Bytes the import changed, as [first, last] places; -1 when none.
std::pair<std::int64_t, std::int64_t> Changed(const std::vector<std::uint8_t>& a,
                                              const std::vector<std::uint8_t>& b) {
  std::int64_t first = -1, last = -1;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i] == b[i]) continue;
    if (first < 0) first = static_cast<std::int64_t>(i);
    last = static_cast<std::int64_t>(i);
  }
  return {first, last};
}

struct Case {
  const char* name;
  int format, templ, palettes;
  std::int32_t width, height;
  int mapScheme, tileScheme;
};

const Case kCases[] = {
    {"snes 2bpp", kMapSNES, kTemplate2bppSNES, 8, 32, 32, 0, 0},
    {"snes 4bpp packed", kMapSNES, kTemplate4bppSNES, 8, 64, 32, kSchemeLZ10, kSchemeLZ10},
    {"snes 8bpp", kMapSNES, kTemplate8bppSNES, 1, 32, 28, 0, kSchemeFF6},
    {"gba text", kMapGBAText, kTemplate4bppGBA, 16, 32, 32, kSchemeLZ10, 0},
    {"gba affine", kMapGBAAffine, kTemplateMode7Linear, 1, 16, 16, 0, 0},
    {"mode7", kMapMode7, kTemplateMode7Linear, 1, 128, 64, 0, kSchemeLZ10},
    {"mode7 interleaved", kMapMode7Interleaved, kTemplateMode7Interleaved, 1, 128, 128, 0, 0},
};

struct Built {
  TScreen s;
  TPixelImage picture;
  test::TScreenRom rom;
};

Built Build(const Case& c) {
  Built b;
  b.s.format = c.format;
  b.s.width = c.width;
  b.s.height = c.height;
  b.s.mapAddress = 0x1000;
  b.s.mapCompression = c.mapScheme;
  const int bpp = TileTemplates[c.templ].Value;
  b.picture =
      test::ScreenPicture(c.width, c.height, bpp, c.palettes, MapFormats()[c.format].HasFlips());
  const std::int32_t tileAt = c.format == kMapMode7Interleaved ? b.s.mapAddress : 0x20000;
  b.rom = test::BuildScreenRom(b.picture, b.s, c.templ, tileAt, c.tileScheme, 0x40000);
  return b;
}

TEST(ScreenKeepMap, EditedCellGoesIntoItsTileOnly) {
  for (const Case& c : kCases) {
    const Built b = Build(c);
    // Cell (0, 0) shows the one tile no other cell shows; one pixel of it changes colour
    // within the cell's palette.
    TPixelImage edited = b.picture;
    EditCell(edited, 0, 0, TileTemplates[c.templ].Value);
    const TScreenWriteResult r =
        WriteBackScreen(b.rom.rom, b.rom.entry, b.s, edited, TScreenImportMode::kKeepMap);
    EXPECT_EQ(Drawn(b.rom.entry, b.s, r.rom).pixels, edited.pixels) << c.name;
    // The map stays as it was: only tile bytes changed.
    const auto [first, last] = Changed(b.rom.rom, r.rom);
    EXPECT_GE(first, 0) << c.name;
    if (c.tileScheme == 0 && c.format != kMapMode7Interleaved) {
      EXPECT_GE(first, b.rom.entry.Address) << c.name;
      EXPECT_LT(last, b.rom.entry.Address + b.rom.tiles * 64) << c.name;
    }
    // The unedited picture changes nothing.
    const TScreenWriteResult same =
        WriteBackScreen(r.rom, b.rom.entry, b.s, edited, TScreenImportMode::kKeepMap);
    EXPECT_EQ(same.rom, r.rom) << c.name;
  }
}

TEST(ScreenKeepMap, CellsOfOneTileMustAgree) {
  const Built b = Build(kCases[0]);
  // The first cell that shows a tile an earlier cell shows too.
  TDecodeBuffer buffer;
  const std::vector<TMapCell> cells = ReadMapCells(b.s, MapBytes(b.s, b.rom.rom, buffer));
  std::size_t first = 0, second = 1;
  for (; second < cells.size(); ++second) {
    first = 0;
    while (first < second && cells[first].tile != cells[second].tile) ++first;
    if (first < second) break;
  }
  ASSERT_LT(second, cells.size());
  TPixelImage edited = b.picture;
  const auto x = static_cast<std::int32_t>(second % 32), y = static_cast<std::int32_t>(second / 32);
  EditCell(edited, x, y, 2);
  const std::string expected = "Cells (" + std::to_string(first % 32) + ", " +
                               std::to_string(first / 32) + ") and (" + std::to_string(x) + ", " +
                               std::to_string(y) + ") show tile " +
                               std::to_string(cells[second].tile) + " but differ at its pixel";
  const std::string error = ErrorOf(
      [&] { WriteBackScreen(b.rom.rom, b.rom.entry, b.s, edited, TScreenImportMode::kKeepMap); });
  EXPECT_EQ(error.substr(0, expected.size()), expected) << error;
}

TEST(ScreenKeepMap, Refusals) {
  const Built b = Build(kCases[0]);  // 2bpp: palette p is indices 4p..4p+3
  struct Refusal {
    const char* name;
    std::int32_t x, y;
    std::uint8_t index;
    const char* start;
  };
  const Refusal cases[] = {
      {"index outside the cell's palette", 0, 0, 200,
       "Cell (0, 0) has index 200, whose colour its palette"},
  };
  for (const Refusal& c : cases) {
    TPixelImage edited = b.picture;
    Pixel(edited, c.x, c.y) = c.index;
    const std::string error = ErrorOf(
        [&] { WriteBackScreen(b.rom.rom, b.rom.entry, b.s, edited, TScreenImportMode::kKeepMap); });
    EXPECT_EQ(error.substr(0, std::string(c.start).size()), c.start) << c.name << ": " << error;
  }
  TPixelImage small{8, 8, std::vector<std::uint8_t>(64)};
  EXPECT_EQ(ErrorOf([&] {
              WriteBackScreen(b.rom.rom, b.rom.entry, b.s, small, TScreenImportMode::kKeepMap);
            }),
            "The picture is 8 x 8 pixels; the screen needs 256 x 256");
}

TEST(ScreenRebuild, NewPictureRoundTrips) {
  for (const Case& c : kCases) {
    const Built b = Build(c);
    // Another picture of fewer patterns: new tiles and a new map, which fit the old places.
    const int bpp = TileTemplates[c.templ].Value;
    const TPixelImage next = test::ScreenPicture(c.width, c.height, bpp, c.palettes,
                                                 MapFormats()[c.format].HasFlips(), 3, 99);
    const TScreenWriteResult r =
        WriteBackScreen(b.rom.rom, b.rom.entry, b.s, next, TScreenImportMode::kRebuild);
    EXPECT_EQ(Drawn(b.rom.entry, b.s, r.rom).pixels, next.pixels) << c.name;
    EXPECT_EQ(r.lines.size(), 2U) << c.name;
  }
}

TEST(ScreenRebuild, RefusedWhenTheTilesNoLongerFit) {
  const Built b = Build(kCases[0]);  // 6 tiles in the old set
  const TPixelImage busy = test::ScreenPicture(32, 32, 2, 8, true, 40, 5);
  EXPECT_EQ(ErrorOf([&] {
              WriteBackScreen(b.rom.rom, b.rom.entry, b.s, busy, TScreenImportMode::kRebuild);
            }),
            "The new tile set has 41 tiles; the old map named " + std::to_string(b.rom.tiles) +
                " from tile 0: it does not fit");
}

}  // namespace
}  // namespace tegulo

namespace tegulo {
namespace {

// A picture whose header claims another size than the screen's is refused from the header,
// before its rows are allocated: the file below holds no picture data at all.
TEST(ScreenWrite, OversizedPictureHeadersAreRefusedFromTheHeader) {
  TTileEntry e{};
  e.Template = kTemplate4bppSNES;
  TScreen s;
  s.width = 4;
  s.height = 4;
  const struct { std::uint32_t width, height; } cases[] = {{16000, 16000}, {40, 32}};
  for (const auto& c : cases) {
    std::vector<std::uint8_t> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n',
                                      0,    0,   0,   13,  'I',  'H',  'D',  'R'};
    for (const std::uint32_t v : {c.width, c.height}) {
      for (int i = 3; i >= 0; --i) file.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
    file.insert(file.end(), {8, 6, 0, 0, 0});
    const auto crc = static_cast<std::uint32_t>(::crc32(0, file.data() + 12, 17));
    for (int i = 3; i >= 0; --i) file.push_back(static_cast<std::uint8_t>(crc >> (8 * i)));
    file.insert(file.end(), {0, 0, 0, 0, 'I', 'D', 'A', 'T', 0x35, 0xAF, 0x06, 0x1E});
    file.insert(file.end(), {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82});
    std::string err;
    try {
      PictureForScreen(file, e, s);
    } catch (const TError& x) {
      err = x.what();
    }
    EXPECT_EQ(err, "The picture is " + std::to_string(c.width) + " x " + std::to_string(c.height) +
                       " pixels; the screen needs 32 x 32");
  }
}

}  // namespace
}  // namespace tegulo
