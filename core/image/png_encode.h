// The PNG bytes of an 8-bit indexed bitmap, made in pieces: the compressed rows are produced
// a few megabytes at a time, so memory stays bounded, progress can be told and the work
// stopped between pieces.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

#include "base/bitmap.h"

namespace tegulo {

// Receives the encoded bytes in order; may throw to stop the encoding.
using TPngBytes = std::function<void(std::span<const std::uint8_t>)>;
// Told the rows done so far (of bmp.Height()) after each piece; may throw to stop.
using TPngProgress = std::function<void(std::int32_t rowsDone)>;

// Raw bytes of rows (one filter byte each) compressed per piece.
inline constexpr std::size_t kPngPieceBytes = 2u << 20;

// Encodes exactly IHDR (8-bit, colour type 3, no interlace), PLTE (256 entries from the
// colour table), tRNS (`transparent` + 1 bytes: 255 ..., 0), IDAT, IEND. The rows carry
// filter type 0 and form one zlib stream at deflate level 9 (libdeflate; the pieces are
// joined by empty stored blocks). An image of one piece of at most 64 KiB is also
// compressed by zlib, and the smaller stream is kept.
// Needs a non-empty bitmap and 0 <= transparent <= 255. Exceptions thrown by `out` or
// `progress` pass through; "Out of memory" (TError) when the compressor cannot be had.
void EncodeIndexedPng(const TIndexedBitmap& bmp, int transparent, const TPngBytes& out,
                      const TPngProgress& progress = {}, std::size_t pieceBytes = kPngPieceBytes);

}  // namespace tegulo
