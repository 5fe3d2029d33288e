// Back-reference copies for the fast paths of the stream decoders: the bytes that a
// byte-at-a-time copy would write, in wider moves, never touching a byte outside the copy.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace tegulo::lz {

inline std::uint64_t Load8(const std::uint8_t* p) {
  std::uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
}
inline void Store8(std::uint8_t* p, std::uint64_t v) { std::memcpy(p, &v, 8); }
inline std::uint32_t Load4(const std::uint8_t* p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
inline void Store4(std::uint8_t* p, std::uint32_t v) { std::memcpy(p, &v, 4); }
inline std::uint16_t Load2(const std::uint8_t* p) {
  std::uint16_t v;
  std::memcpy(&v, p, 2);
  return v;
}
// 16 bytes, read whole before they are written.
inline void Copy16(std::uint8_t* dst, const std::uint8_t* src) {
  std::uint8_t v[16];
  std::memcpy(v, src, 16);
  std::memcpy(dst, v, 16);
}
inline void Store2(std::uint8_t* p, std::uint16_t v) { std::memcpy(p, &v, 2); }

// Copies `len` (1..64) bytes from `src` to `dst` where the two ranges do not overlap.
// Two moves that may overlap each other cover every length without a loop per byte.
inline void CopyShort(std::uint8_t* dst, const std::uint8_t* src, std::size_t len) {
  if (len >= 8) {
    std::size_t i = 0;
    for (; i + 8 < len; i += 8) Store8(dst + i, Load8(src + i));
    Store8(dst + len - 8, Load8(src + len - 8));
  } else if (len >= 4) {
    const std::uint32_t a = Load4(src);
    const std::uint32_t b = Load4(src + len - 4);
    Store4(dst, a);
    Store4(dst + len - 4, b);
  } else if (len >= 2) {
    const std::uint16_t a = Load2(src);
    const std::uint16_t b = Load2(src + len - 2);
    Store2(dst, a);
    Store2(dst + len - 2, b);
  } else if (len == 1) {
    dst[0] = src[0];
  }
}

// out[o + i] = out[o + i - dist] for i = 0..len-1 in increasing order, as a byte loop would
// do it (a distance below the length repeats the bytes), for any length. Needs
// 1 <= dist <= o and o + len inside the buffer; writes exactly out[o .. o + len).
inline void CopyBack(std::uint8_t* out, std::size_t o, std::size_t dist, std::size_t len) {
  std::uint8_t* d = out + o;
  const std::uint8_t* s = d - dist;
  if (dist >= len && len >= 8) {
    // Up to three 8-byte moves that may overlap each other cover 8..24 bytes; the rest of
    // a longer reference follows in a loop.
    const std::size_t mid = len >= 16 ? 8 : len - 8;
    const std::uint64_t a = Load8(s);
    const std::uint64_t b = Load8(s + mid);
    const std::uint64_t c = Load8(s + len - 8);
    Store8(d, a);
    Store8(d + mid, b);
    Store8(d + len - 8, c);
    for (std::size_t i = 16; i + 8 < len; i += 8) Store8(d + i, Load8(s + i));
  } else if (dist >= len) {
    CopyShort(d, s, len);
  } else if (dist >= 8) {
    // Every 8-byte source lies wholly below its destination, so it is final when read.
    std::size_t i = 0;
    for (; i + 8 <= len; i += 8) Store8(d + i, Load8(s + i));
    if (i < len) Store8(d + len - 8, Load8(s + len - 8));
  } else if (dist == 1) {
    std::memset(d, s[0], len);
  } else {
    for (std::size_t i = 0; i < len; ++i) d[i] = s[i];
  }
}

// A back-reference as a byte loop writes it, for the careful decoders: out[o + i] =
// out[o + i - dist] for i = 0..len-1 where o + len lies inside the buffer, zeros for sources
// before index 0; a distance of 0 copies each byte onto itself and leaves it as it was.
inline void CopyChecked(std::uint8_t* out, std::size_t o, std::size_t dist, std::size_t len) {
  if (dist == 0) return;
  if (dist <= o) {
    CopyBack(out, o, dist, len);
    return;
  }
  for (std::size_t i = 0; i < len; ++i) out[o + i] = o + i >= dist ? out[o + i - dist] : 0;
}

// The fast paths' wide moves may write past the bytes a group decodes; the tokens after it
// overwrite them. Where decoding stops first, those bytes get back what they held: their
// first contents are copied here, a window ahead of the output position, before any move
// can reach them. kReach: how far past its start a group may write.
template <std::size_t kReach>
struct TSavedBytes {
  // `bytes` is left unset: only what Cover copies in is ever read.
  TSavedBytes(std::uint8_t* buffer, std::size_t size, const std::size_t& stop)
      : out(buffer), outN(size), o(stop) {}
  TSavedBytes(const TSavedBytes&) = delete;
  TSavedBytes& operator=(const TSavedBytes&) = delete;

  static constexpr std::size_t kSaved = 4096;
  std::uint8_t* out;
  std::size_t outN;
  const std::size_t& o;           // the output position where decoding stops
  std::size_t reached = 0;        // no byte from here on has been written
  std::size_t base = 0, end = 0;  // bytes[0 .. end - base) hold out[base .. end)
  std::uint8_t bytes[kSaved];

  // Makes the window hold out[from, from + kReach) (or up to the end of the output). The
  // bytes from `from` to `reached` are the window's already; later ones are untouched.
  void Cover(std::size_t from) {
    if (from + kReach <= end) return;
    const std::size_t keep = end > from ? end - from : 0;
    if (keep > 0) std::memmove(bytes, bytes + (from - base), keep);
    base = from;
    const std::size_t fill = std::min(kSaved, outN - from) - keep;
    std::memcpy(bytes + keep, out + from + keep, fill);
    end = from + keep + fill;
  }
  // The first contents of out[at, at + n), which lies in the window.
  void Restore(std::size_t at, std::size_t n) { std::memcpy(out + at, bytes + (at - base), n); }
  // Puts back every byte written past the output position.
  void Settle() {
    const std::size_t hi = std::min(reached, end);
    if (o < hi) Restore(o, hi - o);
    reached = o;
  }
  ~TSavedBytes() { Settle(); }
};

// The tokens of a fast group after its flag byte, for the layouts with a bit per token from
// the lowest up: `refs` has a set bit for each reference and a stop bit above the last token.
// The literals before each reference move 8 bytes at once (even when there are none: the
// reference overwrites them); reference() reads the one at `in` and copies it to `o`,
// advancing both.
template <class F>
inline void RunGroup(unsigned refs, const std::uint8_t* src, std::size_t& in, std::uint8_t* out,
                     std::size_t& o, F&& reference) {
  for (;;) {
    const int k = __builtin_ctz(refs);
    Store8(out + o, Load8(src + in));
    o += static_cast<std::size_t>(k);
    in += static_cast<std::size_t>(k);
    refs >>= k;
    if (refs == 1) return;
    reference();
    refs >>= 1;
  }
}

// The uncommon back-references of the fast paths, a byte at a time: distances 2 to 7 and
// those reaching before the output start (zeros). Kept out of line so that the decoders'
// hot loops stay small.
[[gnu::noinline, gnu::cold]] inline void CopyNear(std::uint8_t* out, std::size_t o,
                                                  std::size_t dist, std::size_t len) {
  // Indexed from the output start: out + o - dist would step back with a wrapped unsigned.
  for (std::size_t i = 0; i < len; ++i) out[o + i] = o + i >= dist ? out[o + i - dist] : 0;
}

// A back-reference inside a fast group: out[o .. o + len) as a byte loop would copy it, with
// up to kChunks * 8 - len bytes written past it (dist >= 1). Distances past the output start
// give zeros.
template <int kChunks>
inline void CopyWide(std::uint8_t* out, std::size_t o, std::size_t dist, std::size_t len) {
  std::uint8_t* d = out + o;
  if (dist > o || dist - 2 < 6) [[unlikely]] {
    CopyNear(out, o, dist, len);
  } else if (dist >= 8) {
    // Each 8-byte source lies wholly below its destination: final when read.
    const std::uint8_t* s = d - dist;
    for (int c = 0; c < kChunks; ++c) Store8(d + 8 * c, Load8(s + 8 * c));
  } else {  // a run of the byte before
    const std::uint64_t v = d[-1] * 0x0101010101010101ull;
    for (int c = 0; c < kChunks; ++c) Store8(d + 8 * c, v);
  }
}

// CopyWide for streams where runs of one byte are as common as other copies (tile data
// packed with LZ77-10): distances 1 and 8 or more share one straight run of moves, so the
// mix of the two costs no mispredictions. A run reads its chunks from a block of zeros and
// ors the repeated byte in; any other copy reads its chunks from the source and ors in
// nothing (the byte read for it comes from the zeros too, so it never waits for a store).
// The other decoders keep CopyWide: their streams run slower with this form.
template <int kChunks>
inline void CopyWideOrRun(std::uint8_t* out, std::size_t o, std::size_t dist, std::size_t len) {
  alignas(8) static constexpr std::uint8_t kZeros[8 * kChunks] = {};
  std::uint8_t* d = out + o;
  if (dist > o || dist - 2 < 6) [[unlikely]] {
    for (std::size_t i = 0; i < len; ++i) out[o + i] = o + i >= dist ? out[o + i - dist] : 0;
    return;
  }
  // Chosen with masks: compilers turn a plain select of two pointers into the very branch
  // this avoids.
  const std::uintptr_t run = 0 - static_cast<std::uintptr_t>(dist == 1);
  const auto zeros = reinterpret_cast<std::uintptr_t>(kZeros);
  const auto from = reinterpret_cast<std::uintptr_t>(d - dist);
  const auto* s = reinterpret_cast<const std::uint8_t*>((zeros & run) | (from & ~run));
  const auto* last = reinterpret_cast<const std::uint8_t*>((from & run) | (zeros & ~run));
  const std::uint64_t fill = *last * 0x0101010101010101ull;
  // Each 8-byte source lies wholly below its destination, so it is final when read.
  for (int c = 0; c < kChunks; ++c) Store8(d + 8 * c, Load8(s + 8 * c) | fill);
}

}  // namespace tegulo::lz
