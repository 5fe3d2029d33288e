// Tile decoders. Planar rows are assembled eight pixels at a time from a table that
// spreads the bits of one plane byte over eight index bytes.
#include "tiles/uTiles.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "tiles/tile_formats.h"

namespace tegulo {
namespace {

// kSpread[b]: byte x (in memory order) holds bit 7-x of b, so pixel 0 is the leftmost.
constexpr std::array<std::uint64_t, 256> MakeSpread() {
  std::array<std::uint64_t, 256> t{};
  for (unsigned b = 0; b < 256; ++b) {
    std::uint64_t v = 0;
    for (unsigned x = 0; x < 8; ++x)
      v |= static_cast<std::uint64_t>((b >> (7 - x)) & 1u) << (8 * x);
    t[b] = v;
  }
  return t;
}
constexpr std::array<std::uint64_t, 256> kSpread = MakeSpread();

inline void Put8(std::uint8_t* out, std::uint64_t row) { std::memcpy(out, &row, 8); }

inline std::uint64_t Load64(const std::uint8_t* p) {
  std::uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
}

// Eight plane bytes (byte n = plane n) to eight pixel indices (byte x = pixel x): an 8 x 8
// bit-matrix transpose, then byte x takes bit 7-x of the planes, so the bytes are reversed.
inline std::uint64_t PlanesToPixels(std::uint64_t x) {
  std::uint64_t t;
  t = (x ^ (x >> 7)) & 0x00AA00AA00AA00AAull;
  x = x ^ t ^ (t << 7);
  t = (x ^ (x >> 14)) & 0x0000CCCC0000CCCCull;
  x = x ^ t ^ (t << 14);
  t = (x ^ (x >> 28)) & 0x00000000F0F0F0F0ull;
  x = x ^ t ^ (t << 28);
  return __builtin_bswap64(x);
}

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

// Walks the tiles in source order; decode(tile, out, stride) writes one 8 x 8 tile.
// Tiles wholly inside the data are read in place, the others through a zero-padded copy.
template <int B, typename Decode>
void ForEachTile(TIndexedBitmap& bmp, TByteSource src, std::int32_t w, std::int32_t h,
                 Decode decode) {
  if (!Fits(bmp, w, h)) return;
  const std::int64_t size = static_cast<std::int64_t>(src.data.size());
  const std::size_t stride = static_cast<std::size_t>(bmp.Width());
  std::uint8_t padded[B];
  std::int64_t pos = src.start;
  for (std::int32_t ty = 0; ty < h; ++ty) {
    std::uint8_t* rowBase = bmp.Row(8 * ty);
    for (std::int32_t tx = 0; tx < w; ++tx, pos += B) {
      const std::uint8_t* tile;
      if (pos >= 0 && pos <= size - B) {
        tile = src.data.data() + pos;
      } else {
        CopyClipped(src.data, pos, padded, B);
        tile = padded;
      }
      decode(tile, rowBase + 8 * static_cast<std::size_t>(tx), stride);
    }
  }
}

}  // namespace

void Draw4bppGBA(TIndexedBitmap& bmp, TByteSource src, std::int32_t Width, std::int32_t Height) {
  ForEachTile<32>(bmp, src, Width, Height,
                  [](const std::uint8_t* t, std::uint8_t* out, std::size_t stride) {
                    for (int y = 0; y < 8; ++y, out += stride, t += 4) {
                      // Spread the four bytes to 16-bit lanes, then low nibble left, high nibble
                      // right.
                      std::uint32_t four;
                      std::memcpy(&four, t, 4);
                      std::uint64_t v = four;
                      v = (v | v << 16) & 0x0000FFFF0000FFFFull;
                      v = (v | v << 8) & 0x00FF00FF00FF00FFull;
                      Put8(out, (v & 0x000F000F000F000Full) | (v & 0x00F000F000F000F0ull) << 4);
                    }
                  });
}

void Draw4bppSNES(TIndexedBitmap& bmp, TByteSource src, std::int32_t Width, std::int32_t Height) {
  ForEachTile<32>(bmp, src, Width, Height,
                  [](const std::uint8_t* t, std::uint8_t* out, std::size_t stride) {
                    for (int y = 0; y < 8; ++y, out += stride) {
                      Put8(out, kSpread[t[2 * y]] | kSpread[t[2 * y + 1]] << 1 |
                                    kSpread[t[16 + 2 * y]] << 2 | kSpread[t[17 + 2 * y]] << 3);
                    }
                  });
}

void Draw3bppSNES(TIndexedBitmap& bmp, TByteSource src, std::int32_t Width, std::int32_t Height) {
  ForEachTile<24>(
      bmp, src, Width, Height, [](const std::uint8_t* t, std::uint8_t* out, std::size_t stride) {
        for (int y = 0; y < 8; ++y, out += stride) {
          Put8(out, kSpread[t[2 * y]] | kSpread[t[2 * y + 1]] << 1 | kSpread[t[16 + y]] << 2);
        }
      });
}

void Draw2bppSNES(TIndexedBitmap& bmp, TByteSource src, std::int32_t Width, std::int32_t Height) {
  ForEachTile<16>(bmp, src, Width, Height,
                  [](const std::uint8_t* t, std::uint8_t* out, std::size_t stride) {
                    for (int y = 0; y < 8; ++y, out += stride) {
                      Put8(out, kSpread[t[2 * y]] | kSpread[t[2 * y + 1]] << 1);
                    }
                  });
}

void Draw1bpp(TIndexedBitmap& bmp, TByteSource src, std::int32_t Width, std::int32_t Height) {
  ForEachTile<8>(bmp, src, Width, Height,
                 [](const std::uint8_t* t, std::uint8_t* out, std::size_t stride) {
                   for (int y = 0; y < 8; ++y, out += stride) Put8(out, kSpread[t[y]]);
                 });
}

void DrawMode7Interleaved(TIndexedBitmap& bmp, TByteSource src, std::int32_t Width,
                          std::int32_t Height) {
  ForEachTile<128>(bmp, src, Width, Height,
                   [](const std::uint8_t* t, std::uint8_t* out, std::size_t stride) {
                     for (int y = 0; y < 8; ++y, out += stride) {
                       // The odd bytes of the 16-byte row, packed together.
                       std::uint64_t a = (Load64(t + 16 * y) >> 8) & 0x00FF00FF00FF00FFull;
                       std::uint64_t b = (Load64(t + 16 * y + 8) >> 8) & 0x00FF00FF00FF00FFull;
                       a = (a | a >> 8) & 0x0000FFFF0000FFFFull;
                       b = (b | b >> 8) & 0x0000FFFF0000FFFFull;
                       a = (a | a >> 16) & 0xFFFFFFFFull;
                       b = (b | b >> 16) & 0xFFFFFFFFull;
                       Put8(out, a | b << 32);
                     }
                   });
}

void DrawMode7Linear(TIndexedBitmap& bmp, TByteSource src, std::int32_t Width,
                     std::int32_t Height) {
  ForEachTile<64>(bmp, src, Width, Height,
                  [](const std::uint8_t* t, std::uint8_t* out, std::size_t stride) {
                    for (int y = 0; y < 8; ++y, out += stride) std::memcpy(out, t + 8 * y, 8);
                  });
}

void Draw8bppSNES(TIndexedBitmap& bmp, TByteSource src, std::int32_t Width, std::int32_t Height) {
  ForEachTile<64>(bmp, src, Width, Height,
                  [](const std::uint8_t* t, std::uint8_t* out, std::size_t stride) {
                    for (int y = 0; y < 8; ++y, out += stride) {
                      std::uint64_t planes = 0;
                      for (int k = 0; k < 4; ++k) {
                        std::uint16_t pair;
                        std::memcpy(&pair, t + 16 * k + 2 * y, 2);
                        planes |= static_cast<std::uint64_t>(pair) << (16 * k);
                      }
                      Put8(out, PlanesToPixels(planes));
                    }
                  });
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
