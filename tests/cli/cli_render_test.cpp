// tegulo-cli render: every template of the demo, the palette sources, the background.
#include <gtest/gtest.h>

#include <set>

#include "base/numbers.h"
#include "cli_support.h"
#include "compress/scheme_formats.h"
#include "compress/uCompress.h"
#include "demo/demo_rom.h"
#include "entries/file_names.h"
#include "palette/palette.h"
#include "tiles/uTiles.h"

using namespace tegulo;
using namespace tegulo::clitest;
namespace fs = std::filesystem;

namespace {

const demo::TDemo& Demo() {
  static const demo::TDemo d = demo::BuildDemo();
  return d;
}

// The arguments that describe a demo entry to render.
std::vector<std::string> RenderArgs(const TTileEntry& e, bool templateByName,
                                    const std::string& png) {
  return {
      "render",
      DemoRom(),
      "--address",
      FormatAddress(e.Address),
      "--template",
      templateByName ? std::string(TileTemplates[e.Template].name()) : std::to_string(e.Template),
      "--width",
      std::to_string(e.Width),
      "--height",
      std::to_string(e.Height),
      "--offset",
      std::to_string(e.Offset),
      "--compression",
      std::string(Compressions[e.Compression].name()),
      "--palette",
      "rom:" + FormatAddress(e.PalAddress) + ":" + std::to_string(e.PalCount),
      "-o",
      png};
}

// A demo entry with the template of `row` and no compression, to draw from the ROM.
const TTileEntry& PlainEntryOf(int row) {
  for (const auto& item : Demo().items) {
    if (item.entry.Template == row && item.entry.Compression == 0) return item.entry;
  }
  return Demo().items.at(0).entry;
}

}  // namespace

TEST(CliRender, EveryDemoEntryAsTheExportWritesIt) {
  TScratch s;
  const TRun exported = s.Run({"export", DemoDoc(), DemoRom(), s.Path("export")});
  ASSERT_EQ(exported.status, 0) << exported.err;
  std::set<int> templates;
  const auto& items = Demo().items;
  for (std::size_t i = 0; i < items.size(); ++i) {
    const TTileEntry& e = items[i].entry;
    templates.insert(e.Template);
    const std::string png = s.Path("render.png");
    const TRun r = s.Run(RenderArgs(e, i % 2 == 0, png));
    ASSERT_EQ(r.status, 0) << GetName(e) << ": " << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(ReadBytes(png), ReadBytes(fs::path(s.Path("export")) / ExportFileName(i, GetName(e))))
        << GetName(e);
  }
  EXPECT_EQ(templates.size(), 9u);
}

TEST(CliRender, GreyRampsAndBackground) {
  TScratch s;
  const TTileEntry& e = PlainEntryOf(4);  // 2 bits per pixel
  const auto base = std::vector<std::string>{"render",     DemoRom(),
                                             "--address",  std::to_string(e.Address),
                                             "--template", "2BPP (snes)",
                                             "--width",    std::to_string(e.Width),
                                             "--height",   std::to_string(e.Height),
                                             "-o",         s.Path("a.png")};
  const struct {
    std::vector<std::string> extra;
    std::uint32_t c0, c1, c2, c3;
  } cases[] = {
      {{}, 0xF0F0F0, 0x555555, 0xAAAAAA, 0xFFFFFF},
      {{"--palette", "mono"}, 0xF0F0F0, 0x555555, 0xAAAAAA, 0xFFFFFF},
      {{"--palette", "mono-reverse"}, 0xF0F0F0, 0xAAAAAA, 0x555555, 0x000000},
      {{"--background", "123456"}, 0x563412, 0x555555, 0xAAAAAA, 0xFFFFFF},
      {{"--background", "#a0B0c0", "--palette", "mono-reverse"}, 0xC0B0A0, 0xAAAAAA, 0x555555, 0},
  };
  for (const auto& c : cases) {
    auto args = base;
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    const std::string label = c.extra.empty() ? "defaults" : c.extra.back();
    const TRun r = s.Run(args);
    ASSERT_EQ(r.status, 0) << label << ": " << r.err;
    const TPng png = ReadPng(s.Path("a.png"));
    ASSERT_TRUE(png.ok) << label;
    EXPECT_EQ(png.Colour(0), c.c0) << label;
    EXPECT_EQ(png.Colour(1), c.c1) << label;
    EXPECT_EQ(png.Colour(2), c.c2) << label;
    EXPECT_EQ(png.Colour(3), c.c3) << label;
  }
}

TEST(CliRender, PaletteFromAZsnesSaveState) {
  TScratch s;
  std::vector<std::uint8_t> state(2072, 0);
  const std::uint16_t words[4] = {0x7FFF, 0x001F, 0x03E0, 0x7C00};
  for (int i = 0; i < 4; ++i) {
    state[1560 + 2 * i] = static_cast<std::uint8_t>(words[i]);
    state[1561 + 2 * i] = static_cast<std::uint8_t>(words[i] >> 8);
  }
  WriteBytes(s.Path("game.zst"), state);
  const TTileEntry& e = PlainEntryOf(4);
  const TRun r = s.Run({"render", DemoRom(), "--address", std::to_string(e.Address), "--template",
                        "4", "--width", "2", "--height", "2", "--palette",
                        "zst:" + s.Path("game.zst"), "-o", s.Path("z.png")});
  ASSERT_EQ(r.status, 0) << r.err;
  const TPng png = ReadPng(s.Path("z.png"));
  ASSERT_TRUE(png.ok);
  EXPECT_EQ(png.width, 16u);
  EXPECT_EQ(png.Colour(1), 0x0000FFu);
  EXPECT_EQ(png.Colour(2), 0x00FF00u);
  EXPECT_EQ(png.Colour(3), 0xFF0000u);
  EXPECT_EQ(png.Colour(4), 0u) << "the entry takes all 256 colours of the state";
}

TEST(CliRender, RomPaletteCountDefaultsToTheTemplatesColours) {
  TScratch s;
  const TTileEntry& e = PlainEntryOf(1);  // 4 bits per pixel, 16 colours in the ROM
  const std::string pal = "rom:" + std::to_string(e.PalAddress);
  auto run = [&](const std::string& palette) {
    return s.Run({"render", DemoRom(), "--address", std::to_string(e.Address), "--template", "1",
                  "--width", "1", "--height", "1", "--palette", palette, "-o", s.Path("p.png")});
  };
  ASSERT_EQ(run(pal).status, 0);
  TPng png = ReadPng(s.Path("p.png"));
  for (int c = 1; c < 16; ++c) EXPECT_EQ(png.Colour(c), e.Palette[c]) << "colour " << c;

  ASSERT_EQ(run(pal + ":4").status, 0);
  png = ReadPng(s.Path("p.png"));
  EXPECT_EQ(png.Colour(3), e.Palette[3]);
  EXPECT_EQ(png.Colour(4), 0u) << "black past the colours read";
}
