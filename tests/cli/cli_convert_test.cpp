// tegulo-cli import's colour matching and convert, end to end on pictures made here.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli_support.h"
#include "rgb_png.h"

using namespace tegulo;
using namespace tegulo::clitest;

namespace {

using Bytes = std::vector<std::uint8_t>;

void PutWord(Bytes& rom, std::size_t at, unsigned r, unsigned g, unsigned b) {
  const unsigned w = r | g << 5 | b << 10;
  rom[at] = static_cast<std::uint8_t>(w);
  rom[at + 1] = static_cast<std::uint8_t>(w >> 8);
}

}  // namespace

TEST(CliImportMatch, ColoursMeetThePaletteAtTheConsolesPrecision) {
  TScratch s;
  // A 4bpp GBA tile at 0, its palette at $200: 1 grey of level 16, 2 red, 3 green of level 12.
  Bytes rom(0x400, 0);
  PutWord(rom, 0x202, 16, 16, 16);
  PutWord(rom, 0x204, 31, 0, 0);
  PutWord(rom, 0x206, 0, 12, 0);
  WriteBytes(s.Path("rom.gba"), rom);
  // As another editor saved it: grey 132 (bit replication; Tegulo shows 131), green 99
  // (rounded; Tegulo shows 98), then a stray blue in the last pixel.
  std::vector<std::uint32_t> argb(64);
  Bytes expected(64);
  for (int i = 0; i < 64; ++i) {
    const int k = 1 + i % 3;
    argb[i] = k == 1 ? 0xFF848484 : k == 2 ? 0xFFFF0000 : 0xFF006300;
    expected[i] = static_cast<std::uint8_t>(k);
  }
  test::WriteRgbaPng(s.Path("edited.png"), 8, 8, argb);
  argb[63] = 0xFF000030;
  test::WriteRgbaPng(s.Path("stray.png"), 8, 8, argb);
  const std::vector<std::string> entry = {"--address", "0",     "--template", "4bpp (GBA)",
                                          "--width",   "1",     "--height",   "1",
                                          "--palette", "rom:$200"};
  const auto import = [&](const std::string& png, std::vector<std::string> more) {
    return s.Run(Joined(Joined({"import", s.Path("rom.gba"), s.Path(png), "-o", s.Path("new.gba")},
                               entry),
                        more));
  };
  const struct {
    const char* what;
    const char* png;
    std::vector<std::string> options;
    int status;
    std::string said;  // the start of standard output, or a piece of the error
  } cases[] = {
      {"console by default", "edited.png", {}, 0, "Wrote $000000-$00001F"},
      {"console named", "edited.png", {"--match", "CONSOLE"}, 0, "Wrote"},
      {"exact refuses", "edited.png", {"--match", "exact"}, 1,
       "pixels whose colour is not in the palette: (0, 0) #848484"},
      {"a stray colour is refused", "stray.png", {}, 1, "1 pixel whose colour is"},
      {"nearest takes it to black", "stray.png", {"--match", "nearest"}, 0,
       "Matched 1 pixel to the nearest palette colour (largest distance 48.0)\nWrote"},
      {"an unknown rule", "edited.png", {"--match", "close"}, 2, "is not console, exact or nearest"},
  };
  for (const auto& c : cases) {
    std::filesystem::remove(s.Path("new.gba"));
    const TRun r = import(c.png, c.options);
    ASSERT_EQ(r.status, c.status) << c.what << ": " << r.err;
    if (c.status != 0) {
      EXPECT_NE(r.err.find(c.said), std::string::npos) << c.what << ": " << r.err;
      continue;
    }
    EXPECT_TRUE(r.out.starts_with(c.said)) << c.what << ": " << r.out;
    ASSERT_EQ(s.Run(Joined({"render", s.Path("new.gba"), "-o", s.Path("back.png")}, entry)).status,
              0);
    Bytes want = expected;
    if (std::string(c.png) == "stray.png") want[63] = 0;
    EXPECT_EQ(ReadPng(s.Path("back.png")).pixels, want) << c.what;
  }
}
