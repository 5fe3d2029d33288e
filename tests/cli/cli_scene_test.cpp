// The scene command on the real tegulo-cli: states of every kind drawn into PNG files equal
// to the core's drawing, and its refusals.
#include <gtest/gtest.h>

#include "cli_support.h"
#include "image/png_reader.h"
#include "scene/scene_render.h"
#include "scene_fixtures.h"
#include "state_fixtures.h"

using namespace tegulo;
using namespace tegulo::clitest;
using namespace tegulo::fixtures;

namespace {

// The file's pixels as 0x00RRGGBB.
std::vector<std::uint32_t> Pixels(const std::string& path, std::int32_t& w, std::int32_t& h) {
  const TPngPicture p = tegulo::ReadPng(ReadBytes(path));
  w = p.width;
  h = p.height;
  std::vector<std::uint32_t> out;
  for (std::size_t i = 0; i + 3 < p.samples.size(); i += 4) {
    out.push_back((static_cast<std::uint32_t>(p.samples[i]) << 16) | (p.samples[i + 1] << 8) |
                  p.samples[i + 2]);
  }
  return out;
}

TEST(CliScene, DrawsEveryKindAsTheCoreDoes) {
  TScratch s;
  const TScene snes = SampleSnesScene();
  TScene wide = snes;
  wide.snes.mode = 5;
  wide.snes.overscan = true;
  wide.snes.subLayers = wide.snes.mainLayers;  // hi-res with the same layers on both screens
  const TScene gba = SampleGbaScene();
  const struct {
    std::string file;
    TBytes bytes;
    const TScene* scene;
    std::string layers;
    unsigned mask;
    std::int32_t width, height;
  } cases[] = {
      {"a.000", Gzip(Snes9xSceneStream(snes, 12)), &snes, "", kAllSceneLayers, 256, 224},
      {"b.000", Snes9xSceneStream(wide, 9), &wide, "BG2,obj", 0x12, 512, 239},
      {"c.mss", MesenSSceneState(snes), &snes, "bg3", 0x04, 256, 224},
      {"d.zst", ZsnesSceneState(snes), &snes, "", kAllSceneLayers, 256, 224},
      {"e.ss1", MgbaPng(MgbaSceneBlock(gba)), &gba, "", kAllSceneLayers, 240, 160},
      {"f.sgm", Gzip(VbaSceneStream(gba, 9)), &gba, "bg1,obj", 0x11, 240, 160},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    WriteBytes(s.Path(c.file), c.bytes);
    std::vector<std::string> args = {"scene", s.Path(c.file), "-o", s.Path(c.file + ".png")};
    if (!c.layers.empty()) args = Joined(args, {"--layers", c.layers});
    const TRun r = s.Run(args);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    std::int32_t w = 0, h = 0;
    const std::vector<std::uint32_t> got = Pixels(s.Path(c.file + ".png"), w, h);
    EXPECT_EQ(w, c.width);
    EXPECT_EQ(h, c.height);
    EXPECT_TRUE(got == RenderScene(*c.scene, c.mask).pixels);
  }
}

TEST(CliScene, RefusalsSayWhyAndWriteNothing) {
  TScratch s;
  WriteBytes(s.Path("pal.000"), Snes9xStream(12));
  WriteBytes(s.Path("ok.ss1"), MgbaSceneBlock(SampleGbaScene()));
  const struct {
    std::vector<std::string> args;
    int status;
    std::string err;
  } cases[] = {
      {{"scene", s.Path("ok.ss1"), "-o", s.Path("x.png"), "--layers", "bg0"},
       2,
       "tegulo-cli: Unknown layer \"bg0\" (bg1, bg2, bg3, bg4 or obj)"},
      {{"scene", s.Path("ok.ss1"), "-o", s.Path("ok.ss1")},
       2,
       "tegulo-cli: -o names the save state " + s.Path("ok.ss1") + "; nothing was written"},
      {{"scene", s.Path("none"), "-o", s.Path("x.png")},
       1,
       "tegulo-cli: " + s.Path("none") + " not found"},
      {{"scene", s.Path("pal.000"), "-o", s.Path("x.png")},
       1,
       "tegulo-cli: " + s.Path("pal.000") +
           ": the Snes9x snapshot has no FIL block (the registers as written)"},
  };
  for (const auto& c : cases) {
    const TRun r = s.Run(c.args);
    EXPECT_EQ(r.status, c.status);
    ASSERT_FALSE(Lines(r.err).empty());
    EXPECT_EQ(Lines(r.err)[0], c.err);
    EXPECT_FALSE(std::filesystem::exists(s.Path("x.png")));
  }
}

TEST(CliScene, EffectsItLeavesOutAreNamedOnStandardError) {
  TScratch s;
  TScene fx = SampleSnesScene();
  fx.snes.colourMath = fx.snes.mosaic = true;
  WriteBytes(s.Path("fx.000"), Snes9xSceneStream(fx, 12));
  const TRun r = s.Run({"scene", s.Path("fx.000"), "-o", s.Path("fx.png")});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "tegulo-cli: " + s.Path("fx.000") +
                       " uses colour math and mosaic: the picture is drawn without them\n");
  EXPECT_TRUE(std::filesystem::exists(s.Path("fx.png")));
}

}  // namespace
