// libFuzzer target: save states read as scenes, then drawn. ReadScene tells the kind by
// content; the first byte also picks one reader to run on the rest directly, so the parts
// behind each container are reached without valid compressed data. Bad input may only be
// refused with a TError; a scene read must draw at its console's size.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "base/uCommon.h"
#include "scene/scene.h"
#include "scene/scene_render.h"

namespace {

void Require(bool ok) {
  if (!ok) std::abort();
}

void Draw(const tegulo::TScene& scene) {
  using namespace tegulo;
  for (const unsigned layers : {kAllSceneLayers, 1u << kSceneObj}) {
    const TSceneImage img = RenderScene(scene, layers);
    Require(img.pixels.size() ==
            static_cast<std::size_t>(img.width) * static_cast<std::size_t>(img.height));
    Require(img.layer.size() == img.pixels.size());
    for (const std::uint32_t c : img.pixels) Require(c <= 0x00FFFFFFu);
    for (const std::int32_t x : {0, img.width / 2, img.width - 1}) {
      const TScenePoint p = SceneAt(scene, img, x, img.height / 2);
      Require(!ScenePointText(scene, p).empty());
    }
  }
  for (const TLayerReads& r : SceneLayerReads(scene)) {
    for (const TVideoRange& v : r.tiles) Require(v.start + v.length <= scene.vram.size());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tegulo;
  const std::span<const std::uint8_t> bytes(data, size);
  try {
    Draw(ReadScene(bytes));
  } catch (const TError&) {
  }
  if (size == 0) return 0;
  const auto rest = bytes.subspan(1);
  try {
    switch (data[0] % 6) {
      case 0: Draw(Snes9xScene(rest)); break;
      case 1: Draw(MesenSScene(rest)); break;
      case 2: Draw(Mesen2Scene(rest)); break;
      case 3: Draw(ZsnesScene(rest)); break;
      case 4: Draw(MgbaScene(rest)); break;
      default: Draw(VbaScene(rest)); break;
    }
  } catch (const TError&) {
  }
  return 0;
}
