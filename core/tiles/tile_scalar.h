// The portable form of each tile decoder: one 8 x 8 tile at a time, eight pixels per store.
// Internal linkage on purpose: the SIMD files include it too, each with its own flags.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace tegulo {
namespace {  // NOLINT(cert-dcl59-cpp,google-build-namespaces): one copy per code path

// kSpread.v[b]: byte x (in memory order) holds bit 7-x of b, so pixel 0 is the leftmost.
// A plain array: no library template may be compiled here (see tile_kernels_avx2.cpp).
struct TSpread {
  std::uint64_t v[256];
};
constexpr TSpread MakeSpread() {
  TSpread t{};
  for (unsigned b = 0; b < 256; ++b) {
    std::uint64_t v = 0;
    for (unsigned x = 0; x < 8; ++x)
      v |= static_cast<std::uint64_t>((b >> (7 - x)) & 1u) << (8 * x);
    t.v[b] = v;
  }
  return t;
}
constexpr TSpread kSpreadTable = MakeSpread();
constexpr const std::uint64_t* kSpread = kSpreadTable.v;

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

inline void TileGba4(const std::uint8_t* t, std::uint8_t* out, std::size_t stride) {
  for (int y = 0; y < 8; ++y, out += stride, t += 4) {
    // Spread the four bytes to 16-bit lanes, then low nibble left, high nibble right.
    std::uint32_t four;
    std::memcpy(&four, t, 4);
    std::uint64_t v = four;
    v = (v | v << 16) & 0x0000FFFF0000FFFFull;
    v = (v | v << 8) & 0x00FF00FF00FF00FFull;
    Put8(out, (v & 0x000F000F000F000Full) | (v & 0x00F000F000F000F0ull) << 4);
  }
}

inline void TileSnes4(const std::uint8_t* t, std::uint8_t* out, std::size_t stride) {
  for (int y = 0; y < 8; ++y, out += stride) {
    Put8(out, kSpread[t[2 * y]] | kSpread[t[2 * y + 1]] << 1 | kSpread[t[16 + 2 * y]] << 2 |
                  kSpread[t[17 + 2 * y]] << 3);
  }
}

inline void TileSnes3(const std::uint8_t* t, std::uint8_t* out, std::size_t stride) {
  for (int y = 0; y < 8; ++y, out += stride) {
    Put8(out, kSpread[t[2 * y]] | kSpread[t[2 * y + 1]] << 1 | kSpread[t[16 + y]] << 2);
  }
}

inline void TileSnes2(const std::uint8_t* t, std::uint8_t* out, std::size_t stride) {
  for (int y = 0; y < 8; ++y, out += stride) {
    Put8(out, kSpread[t[2 * y]] | kSpread[t[2 * y + 1]] << 1);
  }
}

inline void Tile1bpp(const std::uint8_t* t, std::uint8_t* out, std::size_t stride) {
  for (int y = 0; y < 8; ++y, out += stride) Put8(out, kSpread[t[y]]);
}

inline void TileMode7Interleaved(const std::uint8_t* t, std::uint8_t* out, std::size_t stride) {
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
}

inline void TileMode7Linear(const std::uint8_t* t, std::uint8_t* out, std::size_t stride) {
  for (int y = 0; y < 8; ++y, out += stride) std::memcpy(out, t + 8 * y, 8);
}

inline void TileMode3(const std::uint8_t* t, std::uint8_t* out, std::size_t stride) {
  for (int y = 0; y < 8; ++y, out += stride) {
    std::uint64_t planes = 0;
    for (int k = 0; k < 4; ++k) {
      std::uint16_t pair;
      std::memcpy(&pair, t + 16 * k + 2 * y, 2);
      planes |= static_cast<std::uint64_t>(pair) << (16 * k);
    }
    Put8(out, PlanesToPixels(planes));
  }
}

// A run of tiles, one after another.
template <int B, void (*Tile)(const std::uint8_t*, std::uint8_t*, std::size_t)>
void ScalarRun(const std::uint8_t* src, std::uint8_t* out, std::size_t stride, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) Tile(src + B * i, out + 8 * i, stride);
}

}  // namespace
}  // namespace tegulo
