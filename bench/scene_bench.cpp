// Drawing a scene: the SNES sample (mode 1, three BGs and sprites) and the GBA sample
// (mode 0, two BGs and sprites) of the scene fixtures, beside memcpy of the frame's bytes.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "ratio_main.h"
#include "scene/scene_render.h"
#include "scene_fixtures.h"

namespace {

using namespace tegulo;

void Render(benchmark::State& state, const TScene& scene) {
  for (auto _ : state) {
    const TSceneImage img = RenderScene(scene);
    benchmark::DoNotOptimize(img.pixels.data());
  }
}

void Copy(benchmark::State& state, std::size_t bytes) {
  std::vector<std::uint8_t> from(bytes, 1), to(bytes);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
}

const TScene kSnes = fixtures::SampleSnesScene();
const TScene kGba = fixtures::SampleGbaScene();

// Frame sizes in bytes (4 per pixel): SNES 256 x 224, GBA 240 x 160.
BENCHMARK_CAPTURE(Render, snes/224K/render, kSnes)->Name("snes/224K/render");
BENCHMARK_CAPTURE(Copy, memcpy, std::size_t{256 * 224 * 4})->Name("memcpy/224K");
BENCHMARK_CAPTURE(Render, gba/150K/render, kGba)->Name("gba/150K/render");
BENCHMARK_CAPTURE(Copy, memcpy, std::size_t{240 * 160 * 4})->Name("memcpy/150K");

}  // namespace

int main(int argc, char** argv) { return tegulo::bench::RatioMain(argc, argv, {}); }
