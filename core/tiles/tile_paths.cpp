// Choosing the tile decoders' code path: the best one at start, another when asked.
#include "tiles/tile_paths.h"

#include <atomic>

#include "tiles/tile_kernels.h"
#include "tiles/tile_scalar.h"

namespace tegulo {
namespace {

bool CpuHasAvx2() {
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
  return __builtin_cpu_supports("avx2");
#else
  return false;
#endif
}

const TTileKernels* Kernels(TTilePath path) {
  switch (path) {
    case TTilePath::Avx2: return CpuHasAvx2() ? Avx2TileKernels() : nullptr;
    case TTilePath::Sse2: return Sse2TileKernels();
    case TTilePath::Scalar: return &ScalarTileKernels();
  }
  return nullptr;
}

std::atomic<TTilePath>& Current() {
  static std::atomic<TTilePath> current{BestTilePath()};
  return current;
}

}  // namespace

const TTileKernels& ScalarTileKernels() {
  static const TTileKernels kKernels = {
      ScalarRun<32, TileGba4>,        ScalarRun<32, TileSnes4>,
      ScalarRun<24, TileSnes3>,       ScalarRun<16, TileSnes2>,
      ScalarRun<8, Tile1bpp>,         ScalarRun<128, TileMode7Interleaved>,
      ScalarRun<64, TileMode7Linear>, ScalarRun<64, TileMode3>,
  };
  return kKernels;
}

TTilePath BestTilePath() {
  for (TTilePath p : {TTilePath::Avx2, TTilePath::Sse2}) {
    if (Kernels(p) != nullptr) return p;
  }
  return TTilePath::Scalar;
}

bool TilePathAvailable(TTilePath path) { return Kernels(path) != nullptr; }

bool UseTilePath(TTilePath path) {
  if (!TilePathAvailable(path)) return false;
  Current().store(path, std::memory_order_relaxed);
  return true;
}

TTilePath CurrentTilePath() { return Current().load(std::memory_order_relaxed); }

const char* TilePathName(TTilePath path) {
  switch (path) {
    case TTilePath::Avx2: return "AVX2";
    case TTilePath::Sse2: return "SSE2";
    case TTilePath::Scalar: return "scalar";
  }
  return "?";
}

const TTileKernels& CurrentTileKernels() { return *Kernels(CurrentTilePath()); }

}  // namespace tegulo
