// Scenes checked against emulators' own frames: mGBA PNG states of the test ROMs in
// tools/scene_fixtures, whose picture is the frame mGBA drew when it saved the state, and
// VisualBoyAdvance states beside its own screen captures. Each state is read and drawn here
// and must equal the emulator's frame at 5-bit precision.
#include <gtest/gtest.h>

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
// and the layer we drew there).
std::string FrameDifferences(const TSceneImage& ours, const TPngPicture& frame, int& count) {
  std::ostringstream text;
  count = 0;
  for (std::int32_t y = 0; y < ours.height; ++y) {
    for (std::int32_t x = 0; x < ours.width; ++x) {
      const std::size_t at = static_cast<std::size_t>(y * ours.width + x);
      const std::uint32_t mine = ours.pixels[at];
      const std::uint8_t* theirs = &frame.samples[4 * at];
      const bool same = ((mine >> 19) & 31) == (theirs[0] >> 3u) &&
                        ((mine >> 11) & 31) == (theirs[1] >> 3u) &&
                        ((mine >> 3) & 31) == (theirs[2] >> 3u);
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

TEST(SceneEmulatorFrames, EachStateDrawsAsMgbaDrewIt) {
  struct TCase {
    const char* name;
    unsigned shown;       // the layers some pixel shows (bit 5: the backdrop)
    const char* leftOut;  // what the drawing says it left out
    bool exact;           // the frame uses no effect, so every pixel must match
  };
  const TCase kCases[] = {
      {"Mode0TextA", 0x2F, "", true},     {"Mode0TextB", 0x2F, "", true},
      {"Sprites1D", 0x33, "", true},      {"Sprites2D", 0x33, "", true},
      {"AffineSprites", 0x31, "", true},  {"Mode1Affine", 0x27, "", true},
      {"Mode2Affine", 0x3C, "", true},    {"Mode2Large", 0x3C, "", true},
      {"Mode6", 0x20, "", true},          {"Mode2Large", 0x3C, "", true},
      {"Mode6", 0x20, "", true},          {"Mode3Bitmap", 0x34, "", true},
      {"Mode4Page", 0x34, "", true},      {"Mode5Page", 0x24, "", true},
      {"Edges", 0x33, "", true},          {"SpriteOrder", 0x31, "", true},
      {"SpriteBudget", 0x30, "", true},   {"SpriteBudgetFree", 0x30, "", true},
      {"ForcedBlank", 0x20, "", true},    {"NoLayers", 0x20, "", true},
      {"Blend", 0x2F, "blending", false},
  };
  for (const TCase& c : kCases) {
    SCOPED_TRACE(c.name);
    const std::vector<std::uint8_t> bytes =
        ReadWholeFile(std::string(TEGULO_SCENE_FIXTURES "/") + c.name + ".ss0.png");
    const TSceneImage image = RenderScene(ReadScene(bytes));
    const TPngPicture frame = ReadPng(bytes);
    ASSERT_EQ(image.width, frame.width);
    ASSERT_EQ(image.height, frame.height);
    ASSERT_FALSE(frame.indexed);
    EXPECT_EQ(Joined(image.leftOut), c.leftOut);
    unsigned shown = 0;
    for (const std::uint8_t layer : image.layer) shown |= 1u << layer;
    EXPECT_EQ(shown, c.shown);
    if (!c.exact) continue;
    int count = 0;
    const std::string first = FrameDifferences(image, frame, count);
    EXPECT_EQ(count, 0) << first;
  }
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
