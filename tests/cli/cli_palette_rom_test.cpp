// Colours into a ROM from the command line: import --write-palette and palette --to-rom.
#include <gtest/gtest.h>

#include "base/bitmap.h"
#include "cli_support.h"
#include "image/png_writer.h"
#include "palette/console_words.h"
#include "palette/palette.h"
#include "palette/palette_files.h"
#include "state_fixtures.h"

using namespace tegulo;
using namespace tegulo::clitest;

namespace {

using Bytes = std::vector<std::uint8_t>;

// An 8 x 8 indexed PNG of index 1 whose PLTE colour i is `colour(i)`.
std::uint32_t PlteColour(int i) {
  return static_cast<std::uint32_t>((i * 37) & 0xFF) << 16 | static_cast<std::uint32_t>(i) << 8 |
         static_cast<std::uint32_t>(255 - i);
}

void WritePicture(const std::string& path) {
  TIndexedBitmap bmp;
  bmp.SetSize(8, 8);
  std::fill(bmp.Pixels().begin(), bmp.Pixels().end(), 1);
  for (int i = 0; i < 256; ++i) bmp.Colours[static_cast<std::size_t>(i)] = PlteColour(i);
  WritePng(path, bmp);
}

// PLTE colour i as an entry colour (0x00BBGGRR).
std::uint32_t EntryColour(int i) { return SwapRedBlue(PlteColour(i)); }

}  // namespace

TEST(CliPaletteRom, ImportWritesThePictureAndItsColours) {
  TScratch s;
  WriteBytes(s.Path("rom.sfc"), Bytes(0x1000, 0));
  WritePicture(s.Path("p.png"));
  struct TCase {
    std::string target;
    int count;
    int address;
  };
  for (const TCase& c : {TCase{"$800", 16, 0x800}, TCase{"0x900:4", 4, 0x900}}) {
    const TRun r = s.Run({"import", s.Path("rom.sfc"), s.Path("p.png"), "--address", "0",
                          "--template", "4bpp (GBA)", "--width", "1", "--height", "1",
                          "--write-palette", c.target, "-o", s.Path("new.sfc")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Wrote " + std::to_string(c.count) + " colours at"), std::string::npos)
        << r.out;
    const Bytes rom = ReadBytes(s.Path("new.sfc"));
    const TPalette back = PaletteFromRom(rom, c.address, c.count + 1);
    for (int i = 0; i < c.count; ++i) {
      EXPECT_EQ(back[static_cast<std::size_t>(i)], SnapToConsole(EntryColour(i)))
          << c.target << " " << i;
    }
    EXPECT_EQ(back[static_cast<std::size_t>(c.count)], 0u) << "no more than COUNT";
    EXPECT_EQ(rom[0], 0x11) << "the picture too";
  }
  const TRun outside = s.Run({"import", s.Path("rom.sfc"), s.Path("p.png"), "--address", "0",
                              "--template", "4bpp (GBA)", "--width", "1", "--height", "1",
                              "--write-palette", "$FF8", "-o", s.Path("x.sfc")});
  EXPECT_EQ(outside.status, 1);
  EXPECT_EQ(
      outside.err,
      "tegulo-cli: The palette of 16 colours at $000FF8 does not fit in the ROM (4096 bytes)\n");
  const TRun badCount =
      s.Run({"import", s.Path("rom.sfc"), s.Path("p.png"), "--address", "0", "--template", "4",
             "--width", "1", "--height", "1", "--write-palette", "0:300", "-o", s.Path("x.sfc")});
  EXPECT_EQ(badCount.status, 2);
  EXPECT_FALSE(std::filesystem::exists(s.Path("x.sfc")));
}

TEST(CliPaletteRom, PaletteToRomWritesAnySourceAsConsoleWords) {
  TScratch s;
  WriteBytes(s.Path("rom.sfc"), Bytes(0x1000, 0xEE));
  WriteBytes(s.Path("in.act"), WritePaletteFile(fixtures::ObjColours(), TPaletteFileFormat::Act));
  const TRun r = s.Run({"palette", "file:" + s.Path("in.act"), "--to-rom", s.Path("rom.sfc"),
                        "$100:32", "-o", s.Path("new.sfc")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Wrote 32 colours at $000100 as console words\n");
  const Bytes rom = ReadBytes(s.Path("new.sfc"));
  const TPalette back = PaletteFromRom(rom, 0x100, 32);
  for (int i = 0; i < 32; ++i) {
    EXPECT_EQ(back[static_cast<std::size_t>(i)],
              SnapToConsole(fixtures::ObjColours()[static_cast<std::size_t>(i)]))
        << i;
  }
  EXPECT_EQ(rom[0x100 + 64], 0xEE);
  EXPECT_EQ(ReadBytes(s.Path("rom.sfc")), Bytes(0x1000, 0xEE)) << "the ROM itself stays";

  const struct {
    std::vector<std::string> args;
    int status;
  } refused[] = {
      {{"palette", "mono", "--to-rom", s.Path("rom.sfc"), "0", "-o", s.Path("rom.sfc")}, 2},
      {{"palette", "mono", "--to-rom", s.Path("rom.sfc"), "$FFF", "-o", s.Path("x.sfc")}, 1},
      {{"palette", "mono", "--to-rom", s.Path("rom.sfc"), "zz", "-o", s.Path("x.sfc")}, 2},
      {{"palette", "mono", "--to-rom", s.Path("rom.sfc"), "-o", s.Path("x.sfc")}, 2},
  };
  for (const auto& c : refused) {
    const TRun bad = s.Run(c.args);
    EXPECT_EQ(bad.status, c.status) << c.args[4] << ": " << bad.err;
    EXPECT_FALSE(std::filesystem::exists(s.Path("x.sfc")));
  }
  EXPECT_EQ(ReadBytes(s.Path("rom.sfc")), Bytes(0x1000, 0xEE));
}

// Without COUNT, as many colours as the source holds are written: no black words past a
// small palette file.
TEST(CliPaletteRom, ToRomWritesTheColoursTheSourceHolds) {
  TScratch s;
  WriteBytes(s.Path("rom.sfc"), Bytes(0x1000, 0xEE));
  const std::string gpl = "GIMP Palette\n255 0 0 red\n0 0 255 blue\n";
  WriteBytes(s.Path("two.gpl"), Bytes(gpl.begin(), gpl.end()));
  const std::string jasc = "JASC-PAL\n0100\n3\n1 2 3\n4 5 6\n7 8 9\n";
  WriteBytes(s.Path("three.pal"), Bytes(jasc.begin(), jasc.end()));
  WriteBytes(s.Path("dump.bin"), Bytes(512, 0x1F));
  const struct {
    std::string source;
    int count;
  } cases[] = {
      {"file:" + s.Path("two.gpl"), 2},
      {"file:" + s.Path("three.pal"), 3},
      {"file:" + s.Path("dump.bin"), 256},
      {"mono", 256},
  };
  for (const auto& c : cases) {
    const TRun r =
        s.Run({"palette", c.source, "--to-rom", s.Path("rom.sfc"), "$100", "-o", s.Path("n.sfc")});
    ASSERT_EQ(r.status, 0) << c.source << ": " << r.err;
    EXPECT_EQ(r.out, "Wrote " + std::to_string(c.count) + " colours at $000100 as console words\n")
        << c.source;
    const Bytes rom = ReadBytes(s.Path("n.sfc"));
    std::size_t changed = 0;
    for (std::size_t i = 0; i < rom.size(); ++i) changed += rom[i] != 0xEE ? 1 : 0;
    EXPECT_LE(changed, static_cast<std::size_t>(2 * c.count)) << c.source;
    EXPECT_EQ(rom[0x100 + 2 * static_cast<std::size_t>(c.count) % 0xF00], 0xEE) << c.source;
  }
}

// A palette written over what the entry now reads is refused: the picture would no longer
// show.
TEST(CliPaletteRom, WritePaletteOverTheNewTilesIsRefused) {
  TScratch s;
  WriteBytes(s.Path("rom.sfc"), Bytes(0x1000, 0));
  WritePicture(s.Path("p.png"));
  const TRun r = s.Run({"import", s.Path("rom.sfc"), s.Path("p.png"), "--address", "0",
                        "--template", "4bpp (GBA)", "--width", "1", "--height", "1",
                        "--write-palette", "$8:2", "-o", s.Path("new.sfc")});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "tegulo-cli: --write-palette $000008:2 changes what the entry shows (first "
            "difference at 0, 2); nothing was written\n");
  EXPECT_EQ(r.out, "") << "no line about a write that did not happen";
  EXPECT_FALSE(std::filesystem::exists(s.Path("new.sfc")));
}
