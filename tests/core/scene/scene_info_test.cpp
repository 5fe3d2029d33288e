// The scene's words and files: layer names and lists, the hover text, the PNG.
#include <gtest/gtest.h>

#include <string>

#include "base/uCommon.h"
#include "image/png_reader.h"
#include "scene/scene_png.h"
#include "scene/scene_render.h"
#include "scene_fixtures.h"

namespace tegulo {
namespace {

TEST(SceneInfo, LayerListsReadAsTheirNames) {
  struct {
    const char* text;
    unsigned layers;  // 0: refused
    const char* error;
  } const cases[] = {
      {"bg1", 0x01, ""},
      {"BG2,obj", 0x12, ""},
      {"bg1,bg2,bg3,bg4,obj", 0x1F, ""},
      {"obj,obj", 0x10, ""},
      {"bg5", 0, "Unknown layer \"bg5\" (bg1, bg2, bg3, bg4 or obj)"},
      {"bg1,", 0, "Unknown layer \"\" (bg1, bg2, bg3, bg4 or obj)"},
      {"", 0, "No layer named (bg1, bg2, bg3, bg4 or obj)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    if (c.layers == 0) {
      try {
        SceneLayersFromText(c.text);
        ADD_FAILURE() << "read";
      } catch (const TError& e) {
        EXPECT_EQ(std::string(e.what()), c.error);
      }
      continue;
    }
    EXPECT_EQ(SceneLayersFromText(c.text), c.layers);
    EXPECT_EQ(SceneLayersFromText(SceneLayersText(c.layers)), c.layers);
  }
}

TEST(SceneInfo, EachConsoleNamesItsLayers) {
  struct {
    TConsole console;
    int layer;
    const char* name;
  } const cases[] = {
      {TConsole::Snes, 0, "BG1"},        {TConsole::Snes, 3, "BG4"},
      {TConsole::Gba, 0, "BG0"},         {TConsole::Gba, 3, "BG3"},
      {TConsole::Gba, kSceneObj, "OBJ"}, {TConsole::Snes, kSceneBackdrop, "backdrop"}};
  for (const auto& c : cases) EXPECT_EQ(SceneLayerName(c.console, c.layer), c.name);
}

TEST(SceneInfo, HoverTextTellsWhatLiesUnderThePixel) {
  const TScene snes = fixtures::SampleSnesScene();
  const TScene gba = fixtures::SampleGbaScene();
  TScenePoint cell;
  cell.layer = 0;
  cell.hasCell = true;
  cell.cellX = 12;
  cell.cellY = 3;
  cell.mapAddress = 0x2018;
  cell.tile = 0x41;
  cell.palette = 2;
  cell.hflip = true;
  cell.address = 0x820;
  TScenePoint sprite;
  sprite.layer = kSceneObj;
  sprite.sprite = 5;
  sprite.tile = 0x20;
  sprite.palette = 1;
  sprite.vflip = true;
  sprite.address = 0xC400;
  TScenePoint bitmap;
  bitmap.layer = 2;
  bitmap.address = 0xA010;
  struct {
    const TScene* scene;
    TScenePoint point;
    const char* text;
  } const cases[] = {
      {&snes, cell, "BG1 cell 12,3 (map $2018) tile 0x041 palette 2 h-flip, tile at VRAM $0820"},
      {&gba, cell, "BG0 cell 12,3 (map $2018) tile 0x041 palette 2 h-flip, tile at VRAM $0820"},
      {&snes, sprite, "OBJ 5 tile 0x020 palette 1 v-flip, tile at VRAM $C400"},
      {&gba, bitmap, "BG2, pixel at VRAM $A010"},
      {&gba, TScenePoint{}, "backdrop"},
  };
  for (const auto& c : cases) EXPECT_EQ(ScenePointText(*c.scene, c.point), c.text);
}

TEST(SceneInfo, HoverFindsTheLayerTheDrawingShows) {
  const TScene s = fixtures::SampleGbaScene();
  const TSceneImage img = RenderScene(s);
  for (std::int32_t y = 0; y < img.height; y += 7) {
    for (std::int32_t x = 0; x < img.width; x += 5) {
      const TScenePoint p = SceneAt(s, img, x, y);
      EXPECT_EQ(p.layer, img.layer[static_cast<std::size_t>(y * img.width + x)]);
      if (p.layer == kSceneObj) EXPECT_GE(p.sprite, 0);
    }
  }
  EXPECT_EQ(SceneAt(s, img, -1, 0).layer, kSceneBackdrop);
  EXPECT_EQ(SceneAt(s, img, 0, 160).layer, kSceneBackdrop);
}

TEST(SceneInfo, ThePngHoldsThePixelsExactly) {
  const TSceneImage img = RenderScene(fixtures::SampleSnesScene());
  const TPngPicture p = ReadPng(EncodeScenePng(img));
  ASSERT_EQ(p.width, img.width);
  ASSERT_EQ(p.height, img.height);
  ASSERT_FALSE(p.indexed);
  for (std::size_t i = 0; i < img.pixels.size(); ++i) {
    const std::uint32_t c = (static_cast<std::uint32_t>(p.samples[4 * i]) << 16) |
                            (p.samples[4 * i + 1] << 8) | p.samples[4 * i + 2];
    ASSERT_EQ(c, img.pixels[i]) << i;
  }
  EXPECT_THROW(EncodeScenePng(TSceneImage{}), TError);
}

TEST(SceneInfo, ScenesOfTheWrongSizeAreRefused) {
  TScene s = fixtures::SampleSnesScene();
  s.vram.resize(100);
  EXPECT_THROW(RenderScene(s), TError);
  EXPECT_THROW(SceneLayerReads(s), TError);
}

}  // namespace
}  // namespace tegulo
