// Inside the tile decoders: runs of whole tiles that lie wholly inside the data, one table
// of decoding functions per code path.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tegulo {

// Decodes `count` tiles stored one after another from `src` into the bitmap row block at
// `out` (tile i at out + 8 * i; `stride` bytes between pixel rows).
using TTileRun = void (*)(const std::uint8_t* src, std::uint8_t* out, std::size_t stride,
                          std::size_t count);

struct TTileKernels {
  TTileRun gba4, snes4, snes3, snes2, bpp1, mode7Interleaved, mode7Linear, mode3;
};

const TTileKernels& ScalarTileKernels();
// Null where the build has no such path (other processors than x86-64).
const TTileKernels* Sse2TileKernels();
const TTileKernels* Avx2TileKernels();

// The table of the path chosen in tile_paths.h.
const TTileKernels& CurrentTileKernels();

}  // namespace tegulo
