// The SSE2 path of the tile decoders (x86-64 only); odd tiles at a run's end go the scalar way.
#include "tiles/tile_kernels.h"

#if defined(__x86_64__) || defined(_M_X64)

#include "tiles/tile_ops_sse2.h"
#include "tiles/tile_scalar.h"
#include "tiles/tile_simd.h"

namespace tegulo {

const TTileKernels* Sse2TileKernels() {
  using simd::Run;
  using O = simd::TSse2;
  static const TTileKernels kKernels = {
      Run<O, 32, simd::Gba4<O>, ScalarRun<32, TileGba4>>,
      Run<O, 32, simd::Snes4<O>, ScalarRun<32, TileSnes4>>,
      Run<O, 24, simd::Snes3<O>, ScalarRun<24, TileSnes3>>,
      Run<O, 16, simd::Snes2<O>, ScalarRun<16, TileSnes2>>,
      ScalarRun<8, Tile1bpp>,
      Run<O, 128, simd::Mode7Interleaved<O>, ScalarRun<128, TileMode7Interleaved>>,
      Run<O, 64, simd::Mode7Linear<O>, ScalarRun<64, TileMode7Linear>>,
      Run<O, 64, simd::Mode3<O>, ScalarRun<64, TileMode3>>,
  };
  return &kKernels;
}

}  // namespace tegulo

#else

namespace tegulo {
const TTileKernels* Sse2TileKernels() { return nullptr; }
}  // namespace tegulo

#endif
