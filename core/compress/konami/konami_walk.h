// The walk over a Konami stream's commands that the decoder, the compressor and the scan's
// checker share: the header, a command parsed and its output written, and the tile rows'
// re-interleaving.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>

#include "base/stream_view.h"
#include "compress/konami/konami.h"

namespace tegulo::konami::walk {

inline constexpr std::size_t kRingSize = konami::kRingSize;
inline constexpr std::size_t kRingStart = 0x3DF;            // the ring index of output byte 0
inline constexpr std::size_t kMaxCount = konami::kMaxCopy;  // copies, pairs, fills, short zero runs
inline constexpr std::size_t kMaxRaw = 31;
inline constexpr std::size_t kMaxLongZeros = 257;
inline constexpr std::uint32_t kReorderFlag = 0x8000;
// Encoders read the zeros before the output only this far back (a copy's longest).
inline constexpr std::size_t kZeroReach = kMaxCount;
// The scan's longest row of one byte value written by fills and zero runs in a row (blank
// areas of a few KiB are common in tile data).
inline constexpr std::size_t kMostFillRow = 8192;
// The shortest stream: the header and one command byte (a zero run: 32 zeros, a tile's worth).
inline constexpr std::size_t kShortestStream = 3;

enum class TStop : std::uint8_t { kEnd, kTruncated, kInvalid, kFull };

struct TWalk {
  std::size_t in = 2;
  std::size_t pos = 0;
  TStop stop = TStop::kEnd;
};

// Told of every command; returning false stops the walk as invalid.
struct TNoHook {
  static bool Command(unsigned /*c*/, std::size_t /*inStart*/, std::size_t /*pos*/,
                      std::size_t /*count*/, std::size_t /*distance*/) {
    return true;
  }
};

// The stream length of the header and whether the reorder flag is set.
inline std::pair<std::size_t, bool> Header(std::span<const std::uint8_t> s, TKonami v) {
  const std::uint32_t h = ReadLePadded(s, 0, 2);
  if (v == TKonami::k1) return {h, false};
  return {h & ~kReorderFlag, (h & kReorderFlag) != 0};
}

struct TCommand {
  unsigned kind;         // 0 copy, 1 raw, 2 pairs, 3 fill, 4 zeros
  std::size_t count;     // output bytes
  std::size_t args;      // argument bytes after the command byte
  std::size_t distance;  // of a copy
};

inline TCommand Parse(std::span<const std::uint8_t> s, std::size_t in, std::size_t pos, TKonami v) {
  const unsigned c = s[in];
  const std::size_t low = c & 0x1Fu;
  if (c < 0x80) {
    const std::size_t w = c << 8 | (in + 1 < s.size() ? s[in + 1] : 0);
    const std::size_t ring = w & (kRingSize - 1);
    const std::size_t dist = (kRingStart + pos - ring - 1) % kRingSize + 1;
    return {0, (w >> 10) + 2, 1, dist};
  }
  if (c < 0xA0) return {1, low, low, 0};
  if (c < 0xC0) return {2, 2 * (low + 2), low + 2, 0};
  if (c < 0xE0) return {3, low + 2, 1, 0};
  if (c == 0xFF && v != TKonami::k1) return {4, (in + 1 < s.size() ? s[in + 1] : 0) + 2u, 1, 0};
  return {4, low + 2, 0, 0};
}

// Writes out[from..to) of command c, whose argument bytes start at a.
inline void Emit(const TCommand& c, const std::uint8_t* a, std::uint8_t* out, std::size_t from,
                 std::size_t to) {
  switch (c.kind) {
    case 0: {
      std::size_t p = from;
      for (; p < std::min(to, c.distance); ++p) out[p] = 0;  // the ring's unwritten places
      for (; p < to; ++p) out[p] = out[p - c.distance];
      return;
    }
    case 1: std::copy_n(a, to - from, out + from); return;
    case 2:
      for (std::size_t p = from; p < to; ++p)
        out[p] = ((p - from) & 1u) != 0 ? a[(p - from) >> 1] : 0;
      return;
    case 3: std::fill(out + from, out + to, a[0]); return;
    default: std::fill(out + from, out + to, std::uint8_t{0}); return;
  }
}

// Decodes the commands up to the header's length into out[0..limit).
template <class Hook>
TWalk Walk(std::span<const std::uint8_t> s, TKonami v, std::uint8_t* out, std::size_t limit,
           Hook& hook) {
  TWalk w;
  const std::size_t length = Header(s, v).first;
  if (s.size() < 2) return w.in = s.size(), w.stop = TStop::kTruncated, w;
  if (length < 2) return w.stop = TStop::kInvalid, w;
  const std::size_t end = std::min(length, s.size());
  while (w.in < end) {
    const TCommand c = Parse(s, w.in, w.pos, v);
    if (c.kind == 1 && c.count == 0) return w.stop = TStop::kInvalid, w;
    if (w.in + 1 + c.args > end) {
      w.in = end;
      return w.stop = end < length ? TStop::kTruncated : TStop::kInvalid, w;
    }
    if (!hook.Command(c.kind, w.in, w.pos, c.count, c.distance)) {
      return w.stop = TStop::kInvalid, w;
    }
    const std::size_t stop = std::min(w.pos + c.count, limit);
    Emit(c, s.data() + w.in + 1, out, w.pos, stop);
    w.in += 1 + c.args;
    const bool full = stop < w.pos + c.count;
    w.pos = stop;
    if (full) return w.stop = TStop::kFull, w;
  }
  if (end < length) w.stop = TStop::kTruncated;
  return w;
}

// The tile rows' planes in the stream's order: each 16-byte block's even bytes, then its odd
// ones (`forward`), or back.
inline void Reorder(std::uint8_t* d, std::size_t n, bool forward) {
  std::array<std::uint8_t, 16> b{};
  for (std::size_t at = 0; at + 16 <= n; at += 16) {
    std::copy_n(d + at, 16, b.begin());
    for (std::size_t j = 0; j < 8; ++j) {
      if (forward) {
        d[at + j] = b[2 * j];
        d[at + 8 + j] = b[2 * j + 1];
      } else {
        d[at + 2 * j] = b[j];
        d[at + 2 * j + 1] = b[8 + j];
      }
    }
  }
}

}  // namespace tegulo::konami::walk
