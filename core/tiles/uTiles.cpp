// Tile decoders. Each tile row's tiles that lie wholly inside the data are decoded in one
// run by the chosen code path (tile_paths.h); tiles at the data's ends go through a
// zero-padded copy, one at a time.
#include "tiles/uTiles.h"

#include <algorithm>
#include <cstring>

#include "tiles/tile_formats.h"
#include "tiles/tile_kernels.h"
#include "tiles/tile_scalar.h"

namespace tegulo {
namespace {

// Copies the part of [pos, pos + n) that lies inside data into buf, zero elsewhere.
void CopyClipped(std::span<const std::uint8_t> data, std::int64_t pos, std::uint8_t* buf,
                 std::int64_t n) {
  std::memset(buf, 0, static_cast<std::size_t>(n));
  const std::int64_t size = static_cast<std::int64_t>(data.size());
  const std::int64_t from = std::max<std::int64_t>(pos, 0);
  const std::int64_t to = std::min<std::int64_t>(pos + n, size);
  if (from < to) {
    std::memcpy(buf + (from - pos), data.data() + from, static_cast<std::size_t>(to - from));
  }
}

bool Fits(const TIndexedBitmap& bmp, std::int32_t w, std::int32_t h) {
  return w > 0 && h > 0 && bmp.Width() == 8LL * w && bmp.Height() == 8LL * h;
}

// Walks the tile rows; `run` decodes the tiles of a row that lie wholly inside the data,
// `tile` the others one by one from a zero-padded copy.
template <int B>
void ForEachTile(TIndexedBitmap& bmp, TByteSource src, std::int32_t w, std::int32_t h, TTileRun run,
                 void (*tile)(const std::uint8_t*, std::uint8_t*, std::size_t)) {
  if (!Fits(bmp, w, h)) return;
  const std::int64_t size = static_cast<std::int64_t>(src.data.size());
  const std::size_t stride = static_cast<std::size_t>(bmp.Width());
  std::uint8_t padded[B];
  const std::int64_t rowBytes = std::int64_t{w} * B;
  for (std::int32_t ty = 0; ty < h; ++ty) {
    std::uint8_t* rowBase = bmp.Row(8 * ty);
    const std::int64_t pos = src.start + ty * rowBytes;
    // Tiles first..last-1 of this row lie inside: pos + i*B >= 0 and pos + i*B + B <= size.
    const std::int64_t first = std::clamp<std::int64_t>(pos >= 0 ? 0 : (-pos + B - 1) / B, 0, w);
    const std::int64_t last =
        size - B - pos < 0 ? 0 : std::clamp<std::int64_t>((size - B - pos) / B + 1, 0, w);
    for (std::int64_t tx = 0; tx < w; ++tx) {
      if (tx == first && first < last) {
        run(src.data.data() + pos + first * B, rowBase + 8 * first, stride,
            static_cast<std::size_t>(last - first));
        tx = last - 1;
        continue;
      }
      CopyClipped(src.data, pos + tx * B, padded, B);
      tile(padded, rowBase + 8 * tx, stride);
    }
  }
}

}  // namespace

void Draw4bppGBA(TIndexedBitmap& bmp, TByteSource src, std::int32_t Width, std::int32_t Height) {
  ForEachTile<32>(bmp, src, Width, Height, CurrentTileKernels().gba4, TileGba4);
}

void Draw4bppSNES(TIndexedBitmap& bmp, TByteSource src, std::int32_t Width, std::int32_t Height) {
  ForEachTile<32>(bmp, src, Width, Height, CurrentTileKernels().snes4, TileSnes4);
}

void Draw3bppSNES(TIndexedBitmap& bmp, TByteSource src, std::int32_t Width, std::int32_t Height) {
  ForEachTile<24>(bmp, src, Width, Height, CurrentTileKernels().snes3, TileSnes3);
}

void Draw2bppSNES(TIndexedBitmap& bmp, TByteSource src, std::int32_t Width, std::int32_t Height) {
  ForEachTile<16>(bmp, src, Width, Height, CurrentTileKernels().snes2, TileSnes2);
}

void Draw1bpp(TIndexedBitmap& bmp, TByteSource src, std::int32_t Width, std::int32_t Height) {
  ForEachTile<8>(bmp, src, Width, Height, CurrentTileKernels().bpp1, Tile1bpp);
}

void DrawMode7Interleaved(TIndexedBitmap& bmp, TByteSource src, std::int32_t Width,
                          std::int32_t Height) {
  ForEachTile<128>(bmp, src, Width, Height, CurrentTileKernels().mode7Interleaved,
                   TileMode7Interleaved);
}

void DrawMode7Linear(TIndexedBitmap& bmp, TByteSource src, std::int32_t Width,
                     std::int32_t Height) {
  ForEachTile<64>(bmp, src, Width, Height, CurrentTileKernels().mode7Linear, TileMode7Linear);
}

void Draw8bppSNES(TIndexedBitmap& bmp, TByteSource src, std::int32_t Width, std::int32_t Height) {
  ForEachTile<64>(bmp, src, Width, Height, CurrentTileKernels().mode3, TileMode3);
}

void DrawLinear8bpp(TIndexedBitmap& bmp, TByteSource src, std::int32_t Width, std::int32_t Height) {
  if (!Fits(bmp, Width, Height)) return;
  for (std::int32_t r = 0; r < Height; ++r) {
    CopyClipped(src.data, src.start + static_cast<std::int64_t>(r) * Width, bmp.Row(r), Width);
  }
}

void DrawTemplate(int row, TIndexedBitmap& bmp, TByteSource src, std::int32_t Width,
                  std::int32_t Height) {
  // No template, or a damaged value: nothing is drawn.
  if (const TTileFormat* format = FindTileFormat(row)) format->decode(bmp, src, Width, Height);
}

}  // namespace tegulo
