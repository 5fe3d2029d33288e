// tegulo-cli render and import with a tilemap: screens end to end on ROM images made here.
#include <gtest/gtest.h>

#include "base/bitmap.h"
#include "cli_support.h"
#include "compress/uCompress.h"
#include "image/png_writer.h"
#include "screen/screen.h"
#include "screen_pictures.h"
#include "tiles/uTiles.h"

using namespace tegulo;
using namespace tegulo::clitest;

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::int32_t kPaletteAt = 0x100;  // 256 colour words

struct Screen {
  const char* name;
  int format, templ, palettes;
  std::int32_t width, height;
  int mapScheme, tileScheme;
  std::vector<std::string> args;  // what render and import are given beyond ROM and -o
};

const Screen kScreens[] = {
    {"snes 4bpp packed",
     kMapSNES,
     kTemplate4bppSNES,
     8,
     64,
     32,
     kSchemeLZ10,
     kSchemeFF6,
     {"--address", "$20000", "--template", "4bpp (SNES)", "--compression", "lzss-ff6", "--map",
      "$1000", "--map-format", "snes", "--map-size", "64x32", "--map-compression", "LZ77-10"}},
    {"gba text",
     kMapGBAText,
     kTemplate4bppGBA,
     16,
     32,
     32,
     0,
     0,
     {"--address", "0x20000", "--template", "1", "--map", "4096", "--map-format", "gba-text",
      "--map-size", "32x32"}},
    {"mode7 interleaved",
     kMapMode7Interleaved,
     kTemplateMode7Interleaved,
     1,
     128,
     128,
     0,
     0,
     {"--address", "$1000", "--template", "8bpp (Mode7-1)", "--map", "$1000", "--map-format",
      "mode7-interleaved", "--map-size", "128x128"}},
};

struct Made {
  tegulo::TScreen s;
  TPixelImage picture;
  std::string rom;
};

Made Make(const TScratch& scratch, const Screen& c) {
  Made m;
  m.s.format = c.format;
  m.s.width = c.width;
  m.s.height = c.height;
  m.s.mapAddress = 0x1000;
  m.s.mapCompression = c.mapScheme;
  const int bpp = TileTemplates[c.templ].Value;
  m.picture =
      test::ScreenPicture(c.width, c.height, bpp, c.palettes, MapFormats()[c.format].HasFlips());
  const std::int32_t tileAt = c.format == kMapMode7Interleaved ? 0x1000 : 0x20000;
  Bytes rom = test::BuildScreenRom(m.picture, m.s, c.templ, tileAt, c.tileScheme, 0x40000).rom;
  for (int i = 0; i < 256; ++i) {  // colour i: red i & 31, blue i >> 3
    const int word = (i & 31) | (i >> 3) << 10;
    rom[static_cast<std::size_t>(kPaletteAt + 2 * i)] = static_cast<std::uint8_t>(word);
    rom[static_cast<std::size_t>(kPaletteAt + 2 * i + 1)] = static_cast<std::uint8_t>(word >> 8);
  }
  m.rom = scratch.Path("screen.sfc");
  WriteBytes(m.rom, rom);
  return m;
}

}  // namespace

TEST(CliScreen, RenderGivesBackThePictureWithThePalette) {
  for (const Screen& c : kScreens) {
    TScratch s;
    const Made m = Make(s, c);
    const TRun r = s.Run(
        Joined({"render", m.rom, "--palette", "rom:$100:256", "-o", s.Path("out.png")}, c.args));
    ASSERT_EQ(r.status, 0) << c.name << ": " << r.err;
    const TPng png = ReadPng(s.Path("out.png"));
    ASSERT_TRUE(png.ok) << c.name;
    EXPECT_EQ(png.width, static_cast<std::uint32_t>(8 * c.width)) << c.name;
    EXPECT_EQ(png.pixels, m.picture.pixels) << c.name;
    EXPECT_EQ(png.Colour(0), 0xF0F0F0U) << c.name;
    EXPECT_EQ(png.Colour(37), (5U * 255 / 31) | (4U * 255 / 31) << 16) << c.name;
  }
}

TEST(CliScreen, ImportKeepMapAndRebuildRoundTrip) {
  for (const Screen& c : kScreens) {
    for (const char* mode : {"--keep-map", "--rebuild"}) {
      TScratch s;
      const Made m = Make(s, c);
      TPixelImage edited = m.picture;
      if (std::string(mode) == "--rebuild") {
        edited = test::ScreenPicture(c.width, c.height, TileTemplates[c.templ].Value, c.palettes,
                                     MapFormats()[c.format].HasFlips(), 3, 42);
      } else {
        // A pixel of cell (0, 0), a tile of its own, to another colour of its palette.
        const int bpp = TileTemplates[c.templ].Value;
        for (int i = 0; i < 64; ++i) {
          std::uint8_t& p = edited.pixels[static_cast<std::size_t>(i / 8 * edited.width + i % 8)];
          if (p == 0) continue;
          const int base = bpp >= 8 ? 0 : p >> bpp << bpp;
          p = static_cast<std::uint8_t>(p == base + 1 ? base + 2 : base + 1);
          break;
        }
      }
      WriteIndexedPng(s.Path("edited.png"), edited.width, edited.height, edited.pixels);
      const TRun r = s.Run(
          Joined({"import", m.rom, s.Path("edited.png"), mode, "-o", s.Path("new.sfc")}, c.args));
      ASSERT_EQ(r.status, 0) << c.name << " " << mode << ": " << r.err;
      const TRun back =
          s.Run(Joined({"render", s.Path("new.sfc"), "-o", s.Path("back.png")}, c.args));
      ASSERT_EQ(back.status, 0) << back.err;
      EXPECT_EQ(ReadPng(s.Path("back.png")).pixels, edited.pixels) << c.name << " " << mode;
    }
  }
}

TEST(CliScreen, MapOptionErrors) {
  TScratch s;
  const Made m = Make(s, kScreens[1]);
  const std::string out = s.Path("x.png");
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string line;
  };
  const std::vector<std::string> tiles = {"render",     m.rom, "--address", "0",
                                          "--template", "1",   "-o",        out};
  const Case cases[] = {
      {Joined(tiles, {"--map", "0", "--map-format", "nes", "--map-size", "32x32"}), 2,
       "tegulo-cli: Unknown map format 'nes' (snes, gba-text, gba-affine, mode7, mode7-interleaved "
       "or linear)"},
      {Joined(tiles, {"--map", "0", "--map-format", "snes", "--map-size", "32by32"}), 2,
       "tegulo-cli: --map-size: '32by32' is not WxH"},
      {Joined(tiles, {"--map", "zz", "--map-format", "snes", "--map-size", "32x32"}), 2,
       "tegulo-cli: --map: 'zz' is not a valid integer value"},
      {Joined(tiles, {"--map", "0", "--map-format", "snes"}), 2,
       "tegulo-cli: --map needs --map-format and --map-size"},
      {Joined(tiles, {"--map-format", "snes"}), 2, "tegulo-cli: The map options need --map"},
      {Joined(tiles, {"--map", "0", "--map-format", "snes", "--map-size", "32x32",
                      "--map-compression", "zip"}),
       2,
       "tegulo-cli: Unknown map compression scheme 'zip' (none, LZ77-10, LZSS-FF5, LZSS-FF6, "
       "LZSS-CT, LZ77-11, Huffman-4, Huffman-8, RLE-30, Diff-8, Diff-16, LC_LZ2, LC_LZ5, HAL, "
       "LC_LZ1, "
       "LC_LZ14, Konami-1, Konami-2, Konami-2R, LC_LZ17, Koei, RNC1 or RNC2)"},
      {tiles, 2, "tegulo-cli: --width is required"},
      {Joined(tiles, {"--map", "0", "--map-format", "mode7", "--map-size", "256x8"}), 1,
       "tegulo-cli: A mode7 map is 1 to 128 tiles wide and high, not 256 x 8"},
  };
  for (const Case& c : cases) {
    const TRun r = s.Run(c.args);
    EXPECT_EQ(r.status, c.status) << c.line;
    EXPECT_EQ(Lines(r.err).at(0), c.line);
    EXPECT_FALSE(std::filesystem::exists(out)) << c.line;
  }
}

TEST(CliScreen, VerboseTellsTilesPastTheEnd) {
  TScratch s;
  const Made m = Make(s, kScreens[1]);
  // The tiles start 3 tiles before the ROM's end: most cells name tiles past it.
  const std::vector<std::string> args = {
      "render", m.rom,          "--address", "$3FFA0",     "--template", "1",  "--map",
      "$1000",  "--map-format", "gba-text",  "--map-size", "32x32",      "-o", s.Path("x.png")};
  const TRun quiet = s.Run(args);
  EXPECT_EQ(quiet.status, 0) << quiet.err;
  EXPECT_EQ(quiet.err, "");
  const TRun verbose = s.Run(Joined(args, {"--verbose"}));
  EXPECT_EQ(verbose.status, 0);
  EXPECT_NE(verbose.err.find("past the tile set's end (3 tiles), the first"), std::string::npos)
      << verbose.err;
}
