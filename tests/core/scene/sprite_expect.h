// What the render tests expect of the pixel a sprite case names.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>

#include "scene/scene_render.h"

namespace tegulo::test {

// The scene's pixel (px, py) shows sprite 0 with its tile byte at `address`, or the
// backdrop where `address` is negative.
inline void ExpectSpritePixel(const TScene& s, std::int32_t px, std::int32_t py,
                              std::int64_t address) {
  const TSceneImage img = RenderScene(s);
  const std::size_t at = static_cast<std::size_t>(py * img.width + px);
  if (address < 0) {
    EXPECT_EQ(img.layer[at], kSceneBackdrop);
    return;
  }
  ASSERT_EQ(img.layer[at], kSceneObj);
  const TScenePoint p = SceneAt(s, img, px, py);
  EXPECT_EQ(p.sprite, 0);
  EXPECT_EQ(p.address, static_cast<std::uint32_t>(address));
}

}  // namespace tegulo::test
