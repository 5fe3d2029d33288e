// The palette command and the state: and file: palettes of render, on the real tegulo-cli.
#include <gtest/gtest.h>

#include "cli_support.h"
#include "palette/palette_files.h"
#include "palette/palette_import.h"
#include "state_fixtures.h"

using namespace tegulo;
using namespace tegulo::clitest;
using namespace tegulo::fixtures;

namespace {

TPalette Read(const std::string& path) {
  return ReadPaletteFile(path, TPaletteHalf::Background, TPaletteFileRule::PaletteFileOnly);
}

TEST(CliPalette, ConvertsEverySourceKind) {
  TScratch s;
  WriteBytes(s.Path("game.ss1"), MgbaPng(MgbaRaw(7, false)));
  WriteBytes(s.Path("game.000"), Gzip(Snes9xStream(12)));
  WriteBytes(s.Path("game.zst"), Zsnes());
  WriteBytes(s.Path("in.act"), WritePaletteFile(ObjColours(), TPaletteFileFormat::Act));
  WriteBytes(s.Path("rom.bin"), CgramDump());
  const struct {
    std::string source, out;
    TPalette expected;
  } cases[] = {
      {"state:" + s.Path("game.ss1"), "a.pal", BgColours()},
      {"state:" + s.Path("game.ss1") + ":obj", "b.gpl", ObjColours()},
      {"state:" + s.Path("game.000"), "c.act", BgColours()},
      {"zst:" + s.Path("game.zst"), "d.pal", BgColours()},
      {"file:" + s.Path("in.act"), "e.gpl", ObjColours()},
  };
  for (const auto& c : cases) {
    const TRun r = s.Run({"palette", c.source, "-o", s.Path(c.out)});
    ASSERT_EQ(r.status, 0) << c.source << ": " << r.err;
    EXPECT_EQ(Read(s.Path(c.out)), c.expected) << c.source;
  }
  const TRun rom = s.Run({"palette", "rom:0:4", "--rom", s.Path("rom.bin"), "-o", s.Path("r.act")});
  ASSERT_EQ(rom.status, 0) << rom.err;
  const TPalette r = Read(s.Path("r.act"));
  EXPECT_EQ(r[3], BgColours()[3]);
  EXPECT_EQ(r[4], 0u) << "colours after COUNT are black";
  ASSERT_EQ(s.Run({"palette", "mono-reverse", "-o", s.Path("m.act")}).status, 0);
  EXPECT_EQ(Read(s.Path("m.act"))[0], 0xFFFFFFu);
}

TEST(CliPalette, BadSourcesNameTheFileAndWriteNothing) {
  TScratch s;
  WriteBytes(s.Path("gb.ss1"), MgbaGameBoy());
  WriteBytes(s.Path("bad.gpl"), {'G', 'I', 'M', 'P', ' ', 'P', 'a', 'l', 'e', 't', 't', 'e', '\n',
                                 '1', ' ', '2', '\n'});
  const struct {
    std::vector<std::string> args;
    std::string err;
  } cases[] = {
      {{"palette", "state:" + s.Path("gb.ss1"), "-o", s.Path("x.pal")},
       s.Path("gb.ss1") + ": it is an mGBA Game Boy state, not a GBA state"},
      {{"palette", "file:" + s.Path("bad.gpl"), "-o", s.Path("x.pal")},
       s.Path("bad.gpl") + ": line 2 is not a colour (red, green and blue, 0 to 255)"},
      {{"palette", "mono", "-o", s.Path("x.png")},
       "Cannot export a palette as \"" + s.Path("x.png") + "\": use .pal, .gpl or .act"},
      {{"render", DemoRom(), "--address", "0", "--template", "1", "--width", "1", "--height", "1",
        "--palette", "state:" + s.Path("gb.ss1"), "-o", s.Path("x.png")},
       s.Path("gb.ss1") + ": it is an mGBA Game Boy state, not a GBA state"},
  };
  for (const auto& c : cases) {
    const TRun r = s.Run(c.args);
    EXPECT_EQ(r.status, 1) << c.err;
    EXPECT_EQ(r.err, "tegulo-cli: " + c.err + "\n");
  }
  EXPECT_FALSE(std::filesystem::exists(s.Path("x.pal")));
  EXPECT_FALSE(std::filesystem::exists(s.Path("x.png")));
}

TEST(CliPalette, RenderTakesAStatesSpritePalette) {
  TScratch s;
  WriteBytes(s.Path("game.sgm"), Gzip(VbaStream(10)));
  const TRun r =
      s.Run({"render", DemoRom(), "--address", "0", "--template", "1", "--width", "1", "--height",
             "1", "--palette", "state:" + s.Path("game.sgm") + ":obj", "-o", s.Path("v.png")});
  ASSERT_EQ(r.status, 0) << r.err;
  const TPng png = ReadPng(s.Path("v.png"));
  ASSERT_TRUE(png.ok);
  for (int i = 1; i < 256; ++i) ASSERT_EQ(png.Colour(i), ObjColours()[i]) << i;
}

}  // namespace
