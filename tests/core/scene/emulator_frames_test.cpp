// Scenes checked against emulators' own frames: mGBA PNG states of the test ROMs in
// tools/scene_fixtures, whose picture is the frame mGBA drew when it saved the state, and
// VisualBoyAdvance states beside its own screen captures. Each state is read and drawn here
// and must equal the emulator's frame at 5-bit precision.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "image/png_reader.h"
#include "io/read_file.h"
#include "scene/scene_render.h"

namespace tegulo {
namespace {

std::string Joined(const std::vector<std::string>& parts) {
  std::string out;
  for (const std::string& p : parts) out += (out.empty() ? "" : ", ") + p;
  return out;
}

// The pixels whose 5-bit levels differ, with the first few named (place, ours, the frame's,
// and the layer we drew there). Where `blended` marks a pixel (colour effects changed it), a
// level may differ by one: the console blends 5-bit levels, mGBA the 8-bit channels it
// expands them to, which can round a level up.
std::string FrameDifferences(const TSceneImage& ours, const TPngPicture& frame, int& count,
                             const std::vector<bool>& blended = {}) {
  std::ostringstream text;
  count = 0;
  for (std::int32_t y = 0; y < ours.height; ++y) {
    for (std::int32_t x = 0; x < ours.width; ++x) {
      const std::size_t at = static_cast<std::size_t>(y * ours.width + x);
      const std::uint32_t mine = ours.pixels[at];
      const std::uint8_t* theirs = &frame.samples[4 * at];
      const int slack = !blended.empty() && blended[at] ? 1 : 0;
      bool same = true;
      for (int channel = 0; channel < 3; ++channel) {
        const int level = static_cast<int>((mine >> (19 - 8 * channel)) & 31);
        same = same && std::abs(level - (theirs[channel] >> 3)) <= slack;
      }
      if (same) continue;
      if (++count <= 5) {
        text << " (" << x << ", " << y << ") ours " << std::hex << mine << " frame "
             << (theirs[0] << 16 | theirs[1] << 8 | theirs[2]) << std::dec << " layer "
             << int{ours.layer[at]} << ";";
      }
    }
  }
  return text.str();
}

// The pixels colour effects reach: those that differ from the scene drawn with BLDCNT clear,
// either as drawn or with the weights at their largest (where an effect changes nothing in 5
// bits, mGBA's 8 bits can still move).
std::vector<bool> BlendedPixels(TScene scene, const TSceneImage& image) {
  std::vector<bool> blended(image.pixels.size());
  if (scene.gbaIo[0x50 / 2] == 0) return blended;  // no targets: no effect reaches a pixel
  TScene strong = scene;
  strong.gbaIo[0x52 / 2] = 0x1010;
  strong.gbaIo[0x54 / 2] = 16;
  scene.gbaIo[0x50 / 2] = 0;
  const TSceneImage plain = RenderScene(scene), most = RenderScene(strong);
  for (std::size_t at = 0; at < blended.size(); ++at)
    blended[at] = plain.pixels[at] != image.pixels[at] || plain.pixels[at] != most.pixels[at];
  return blended;
}

// A fixture state and what its drawing must show.
struct TFrameCase {
  const char* name;
  unsigned shown;  // the layers some pixel shows (bit 5: the backdrop)
  bool effects;    // colour effects change some pixels
};

// Each state drawn equals mGBA's frame (colour effects within a level), leaves nothing out
// and shows the layers it was made for.
void ExpectFramesAsMgbaDrewThem(std::span<const TFrameCase> cases) {
  for (const TFrameCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<std::uint8_t> bytes =
        ReadWholeFile(std::string(TEGULO_SCENE_FIXTURES "/") + c.name + ".ss0.png");
    const TScene scene = ReadScene(bytes);
    const TSceneImage image = RenderScene(scene);
    const TPngPicture frame = ReadPng(bytes);
    ASSERT_EQ(image.width, frame.width);
    ASSERT_EQ(image.height, frame.height);
    ASSERT_FALSE(frame.indexed);
    EXPECT_TRUE(image.leftOut.empty()) << Joined(image.leftOut);
    unsigned shown = 0;
    for (const std::uint8_t layer : image.layer) shown |= 1u << layer;
    EXPECT_EQ(shown, c.shown);
    const std::vector<bool> blended = BlendedPixels(scene, image);
    EXPECT_EQ(std::count(blended.begin(), blended.end(), true) > 0, c.effects);
    int count = 0;
    const std::string first = FrameDifferences(image, frame, count, blended);
    EXPECT_EQ(count, 0) << first;
  }
}

TEST(SceneEmulatorFrames, EachBgModeDrawsAsMgbaDrewIt) {
  const TFrameCase kCases[] = {
      {"Mode0TextA", 0x2F, false},  {"Mode0TextB", 0x2F, false}, {"Mode1Affine", 0x27, false},
      {"Mode2Affine", 0x3C, false}, {"Mode2Large", 0x3C, false}, {"Mode6", 0x20, false},
      {"Mode3Bitmap", 0x34, false}, {"Mode4Page", 0x34, false},  {"Mode5Page", 0x24, false},
      {"Edges", 0x33, false},       {"MosaicText", 0x2F, false}, {"MosaicAffine", 0x27, false},
      {"ForcedBlank", 0x20, false}, {"NoLayers", 0x20, false},
  };
  ExpectFramesAsMgbaDrewThem(kCases);
}

TEST(SceneEmulatorFrames, SpritesDrawAsMgbaDrewThem) {
  const TFrameCase kCases[] = {
      {"Sprites1D", 0x33, false},   {"Sprites2D", 0x33, false},    {"AffineSprites", 0x31, false},
      {"SpriteOrder", 0x31, false}, {"SpriteBudget", 0x30, false},
  };
  ExpectFramesAsMgbaDrewThem(kCases);
}

TEST(SceneEmulatorFrames, ColourEffectsAndWindowsDrawAsMgbaDrewThem) {
  const TFrameCase kCases[] = {
      {"Window", 0x20, true},     {"WindowsA", 0x3F, true}, {"WindowsB", 0x2F, true},
      {"BlendAlpha", 0x3F, true}, {"Darken", 0x3F, true},   {"SemiBright", 0x3F, true},
  };
  ExpectFramesAsMgbaDrewThem(kCases);
}

// One layer alone over the backdrop, as mGBA draws it with its other layers switched off:
// what the full frame hides of the layers behind.
TEST(SceneEmulatorFrames, EachLayerAloneDrawsAsMgbaDrewIt) {
  struct TCase {
    const char* name;
    int layer;  // 0-3 BG0-BG3, 4 the sprites
  };
  const TCase kCases[] = {
      {"Mode0TextA", 0},  {"Mode0TextA", 1}, {"Mode0TextA", 2},
      {"Mode0TextA", 3},  {"Sprites1D", 4},  {"AffineSprites", 4},
      {"Mode2Affine", 3}, {"Edges", 0},      {"SpriteOrder", 4},
  };
  for (const TCase& c : kCases) {
    SCOPED_TRACE(std::string(c.name) + " layer " + std::to_string(c.layer));
    const std::string base = std::string(TEGULO_SCENE_FIXTURES "/") + c.name;
    const TSceneImage image =
        RenderScene(ReadScene(ReadWholeFile(base + ".ss0.png")), 1u << c.layer);
    const TPngPicture frame = ReadPng(ReadWholeFile(base + "." + std::to_string(c.layer) + ".png"));
    ASSERT_EQ(image.width, frame.width);
    ASSERT_EQ(image.height, frame.height);
    int count = 0;
    const std::string first = FrameDifferences(image, frame, count);
    EXPECT_EQ(count, 0) << first;
  }
}

TEST(SceneEmulatorFrames, VisualBoyAdvanceStatesDrawAsItsCaptures) {
  for (const char* name : {"Mode0TextA", "Sprites1D", "Mode4Page"}) {
    SCOPED_TRACE(name);
    const std::string base = std::string(TEGULO_SCENE_FIXTURES "/") + name;
    const TScene scene = ReadScene(ReadWholeFile(base + ".sgm"));
    EXPECT_EQ(scene.source, "VisualBoyAdvance state version 9");
    const TSceneImage image = RenderScene(scene);
    const TPngPicture frame = ReadPng(ReadWholeFile(base + ".vba.png"));
    ASSERT_EQ(image.width, frame.width);
    ASSERT_EQ(image.height, frame.height);
    ASSERT_FALSE(frame.indexed);
    int count = 0;
    const std::string first = FrameDifferences(image, frame, count);
    EXPECT_EQ(count, 0) << first;
  }
}

}  // namespace
}  // namespace tegulo
