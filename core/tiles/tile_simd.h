// The vector forms of the tile decoders, written once over a small set of operations `O`
// (O::V a vector of one or two 16-byte halves). Each step decodes O::kPairs pairs of
// neighbouring tiles, so that a pixel row of two tiles is one 16-byte store. Half h of a
// vector always belongs to pair h: every operation used works inside 16-byte halves.
//
// Planar rows: the plane bytes of one or two pixel rows are gathered into a 64-bit lane,
// highest plane first, and the lane's 8 x 8 bit matrix is flipped about its anti-diagonal:
// byte x of the result then holds bit 7-x of every plane byte, that is pixel x.
// Internal linkage on purpose: each including file is compiled for its own instruction set.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tegulo {
namespace {  // NOLINT(cert-dcl59-cpp,google-build-namespaces): one copy per code path
namespace simd {

// Bit (n, b) of the lane (byte n, bit b) goes to (7 - b, 7 - n).
template <class O>
inline typename O::V AntiDiagonal(typename O::V x) {
  using V = typename O::V;
  const V k1 = O::Set64(0xAA00AA00AA00AA00ull);
  const V k2 = O::Set64(0xCCCC0000CCCC0000ull);
  const V k4 = O::Set64(0xF0F0F0F00F0F0F0Full);
  V t = O::Xor(x, O::template Sll64<36>(x));
  x = O::Xor(x, O::And(k4, O::Xor(t, O::template Srl64<36>(x))));
  t = O::And(k2, O::Xor(x, O::template Sll64<18>(x)));
  x = O::Xor(x, O::Xor(t, O::template Srl64<18>(t)));
  t = O::And(k1, O::Xor(x, O::template Sll64<9>(x)));
  x = O::Xor(x, O::Xor(t, O::template Srl64<9>(t)));
  return x;
}

// Rows r and r + step of a pair from lane 0 and lane 1 of each tile's vector.
template <class O>
inline void StorePair(std::uint8_t* out, std::size_t stride, int r, int step, typename O::V x,
                      typename O::V y) {
  O::Store(out + r * stride, O::Lo64(x, y));
  O::Store(out + (r + step) * stride, O::Hi64(x, y));
}

template <class O>
inline void Gba4(const std::uint8_t* t, std::uint8_t* out, std::size_t stride) {
  const auto m = O::Set8(0x0F);
  for (int h = 0; h < 2; ++h) {
    const auto a = O::Load(t + 16 * h, 64);
    const auto b = O::Load(t + 32 + 16 * h, 64);
    const auto la = O::And(a, m), ha = O::And(O::template Srl16<4>(a), m);
    const auto lb = O::And(b, m), hb = O::And(O::template Srl16<4>(b), m);
    // Low nibble left: [row 4h, row 4h + 1] and [row 4h + 2, row 4h + 3] of each tile.
    StorePair<O>(out, stride, 4 * h, 1, O::Lo8(la, ha), O::Lo8(lb, hb));
    StorePair<O>(out, stride, 4 * h + 2, 1, O::Hi8(la, ha), O::Hi8(lb, hb));
  }
}

// Two lanes holding rows (r, r+1) and (r+2, r+3), each byte a high and a low nibble.
template <class O>
inline void StoreNibbleRows(std::uint8_t* out, std::size_t stride, int r, typename O::V x,
                            typename O::V y) {
  const auto m = O::Set8(0x0F);
  StorePair<O>(out, stride, r, 2, O::And(O::template Srl16<4>(x), m),
               O::And(O::template Srl16<4>(y), m));
  StorePair<O>(out, stride, r + 1, 2, O::And(x, m), O::And(y, m));
}

// Planes 3..0 of rows 2k, 2k+1 (k = 0, 1) and of rows 4 + 2k, 5 + 2k, in lanes.
template <class O>
inline void Snes4Lanes(const std::uint8_t* t, typename O::V& lo, typename O::V& hi) {
  const auto a = O::Bswap16(O::Load(t, 64));       // planes 1, 0 of each row
  const auto b = O::Bswap16(O::Load(t + 16, 64));  // planes 3, 2
  lo = AntiDiagonal<O>(O::Lo16(b, a));
  hi = AntiDiagonal<O>(O::Hi16(b, a));
}

template <class O>
inline void Snes4(const std::uint8_t* t, std::uint8_t* out, std::size_t stride) {
  typename O::V xl, xh, yl, yh;
  Snes4Lanes<O>(t, xl, xh);
  Snes4Lanes<O>(t + 32, yl, yh);
  StoreNibbleRows<O>(out, stride, 0, xl, yl);
  StoreNibbleRows<O>(out, stride, 4, xh, yh);
}

template <class O>
inline void Snes3Lanes(const std::uint8_t* t, typename O::V& lo, typename O::V& hi) {
  const auto a = O::Bswap16(O::Load(t, 48));               // planes 1, 0 of each row
  const auto c = O::Lo8(O::Zero(), O::Load8(t + 16, 48));  // 0, plane 2
  lo = AntiDiagonal<O>(O::Lo16(c, a));
  hi = AntiDiagonal<O>(O::Hi16(c, a));
}

template <class O>
inline void Snes3(const std::uint8_t* t, std::uint8_t* out, std::size_t stride) {
  typename O::V xl, xh, yl, yh;
  Snes3Lanes<O>(t, xl, xh);
  Snes3Lanes<O>(t + 24, yl, yh);
  StoreNibbleRows<O>(out, stride, 0, xl, yl);
  StoreNibbleRows<O>(out, stride, 4, xh, yh);
}

template <class O>
inline void Snes2(const std::uint8_t* t, std::uint8_t* out, std::size_t stride) {
  // Lane 0: planes 1, 0 of rows 0..3; lane 1: rows 4..7. Two bits per row in each byte.
  const auto x = AntiDiagonal<O>(O::Bswap16(O::Load(t, 32)));
  const auto y = AntiDiagonal<O>(O::Bswap16(O::Load(t + 16, 32)));
  const auto m = O::Set8(0x03);
  StorePair<O>(out, stride, 0, 4, O::And(O::template Srl16<6>(x), m),
               O::And(O::template Srl16<6>(y), m));
  StorePair<O>(out, stride, 1, 4, O::And(O::template Srl16<4>(x), m),
               O::And(O::template Srl16<4>(y), m));
  StorePair<O>(out, stride, 2, 4, O::And(O::template Srl16<2>(x), m),
               O::And(O::template Srl16<2>(y), m));
  StorePair<O>(out, stride, 3, 4, O::And(x, m), O::And(y, m));
}

template <class O>
inline void Mode7Interleaved(const std::uint8_t* t, std::uint8_t* out, std::size_t stride) {
  for (int y = 0; y < 8; ++y) {
    const auto a = O::template Srl16<8>(O::Load(t + 16 * y, 256));
    const auto b = O::template Srl16<8>(O::Load(t + 128 + 16 * y, 256));
    O::Store(out + y * stride, O::PackUs16(a, b));
  }
}

template <class O>
inline void Mode7Linear(const std::uint8_t* t, std::uint8_t* out, std::size_t stride) {
  for (int k = 0; k < 4; ++k) {
    StorePair<O>(out, stride, 2 * k, 1, O::Load(t + 16 * k, 128), O::Load(t + 64 + 16 * k, 128));
  }
}

// Planes 7..0 of rows (0, 1), (2, 3), (4, 5), (6, 7), transposed.
template <class O>
inline void Mode3Lanes(const std::uint8_t* t, typename O::V r[4]) {
  const auto q0 = O::Bswap16(O::Load(t, 128));
  const auto q1 = O::Bswap16(O::Load(t + 16, 128));
  const auto q2 = O::Bswap16(O::Load(t + 32, 128));
  const auto q3 = O::Bswap16(O::Load(t + 48, 128));
  const auto hl = O::Lo16(q3, q2), ll = O::Lo16(q1, q0);
  const auto hh = O::Hi16(q3, q2), lh = O::Hi16(q1, q0);
  r[0] = AntiDiagonal<O>(O::Lo32(hl, ll));
  r[1] = AntiDiagonal<O>(O::Hi32(hl, ll));
  r[2] = AntiDiagonal<O>(O::Lo32(hh, lh));
  r[3] = AntiDiagonal<O>(O::Hi32(hh, lh));
}

template <class O>
inline void Mode3(const std::uint8_t* t, std::uint8_t* out, std::size_t stride) {
  typename O::V x[4], y[4];
  Mode3Lanes<O>(t, x);
  Mode3Lanes<O>(t + 64, y);
  for (int k = 0; k < 4; ++k) StorePair<O>(out, stride, 2 * k, 1, x[k], y[k]);
}

// `count` tiles: whole steps of 2 * O::kPairs tiles here, the rest left to `Rest`.
template <class O, int B, void (*Step)(const std::uint8_t*, std::uint8_t*, std::size_t),
          void (*Rest)(const std::uint8_t*, std::uint8_t*, std::size_t, std::size_t)>
void Run(const std::uint8_t* src, std::uint8_t* out, std::size_t stride, std::size_t count) {
  constexpr std::size_t kTiles = 2 * O::kPairs;
  std::size_t i = 0;
  for (; i + kTiles <= count; i += kTiles) Step(src + B * i, out + 8 * i, stride);
  if (i < count) Rest(src + B * i, out + 8 * i, stride, count - i);
}

}  // namespace simd
}  // namespace
}  // namespace tegulo
