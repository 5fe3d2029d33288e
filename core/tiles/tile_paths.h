// Which code path the tile decoders take: portable scalar code, SSE2 (always present on
// x86-64) or AVX2 (used only when the processor reports it). Every path gives the same
// pixels; choosing one is for tests and benchmarks.
#pragma once

namespace tegulo {

enum class TTilePath { Scalar, Sse2, Avx2 };

// The fastest path this processor and build can run.
TTilePath BestTilePath();

// Whether this processor and build can run `path`.
bool TilePathAvailable(TTilePath path);

// Makes the decoders take `path` from now on (for every thread). Returns false and
// changes nothing when the path is not available.
bool UseTilePath(TTilePath path);

TTilePath CurrentTilePath();

const char* TilePathName(TTilePath path);

}  // namespace tegulo
