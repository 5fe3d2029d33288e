// The walk over an LC_LZ17 stream that the decoder and the scan's checker share: flag bits in
// 16-bit little-endian words taken from bit 0 (the next word read as soon as one is used up,
// before the bytes of the token), each token's bytes after its bits; an end token closes it.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

#include "compress/mixed/lc_lz17.h"

namespace tegulo::lclz17::walk {

inline constexpr std::size_t kShortMax = 5;  // `0 0 a b` + distance byte: 2..5
inline constexpr std::size_t kShortDistance = 256;
inline constexpr std::size_t kNearMax = 9;  // `0 1` + 2 bytes: 3..9
inline constexpr std::size_t kFarMin = 10;  // `0 1` + 3 bytes: the compressor's 10..256
inline constexpr std::size_t kLongMax = lclz17::kMaxLength;
inline constexpr std::size_t kLongDistance = lclz17::kMaxDistance;

enum class TStop : std::uint8_t { kEnd, kTruncated, kInvalid, kFull };

struct TToken {
  std::size_t length = 0;  // 0: a literal
  std::size_t distance = 0;
  unsigned kind = 0;        // 0 literal, 1 short copy, 2 long copy, 3 end
  bool threeBytes = false;  // a long copy with the length byte
};

struct TNoHook {
  static bool Token(const TToken& /*t*/, std::size_t /*pos*/, std::uint8_t /*literal*/) {
    return true;
  }
};

// Reads bits and bytes in the stream's order.
class TReader {
public:
  explicit TReader(std::span<const std::uint8_t> s) : s_(s) {
    if (s.size() >= 2) {
      word_ = s[0] | s[1] << 8;
      in_ = 2;
      left_ = 16;
    } else {
      in_ = s.size();
    }
  }
  bool Bit(unsigned& b) {
    if (left_ == 0) return false;
    b = word_ & 1u;
    word_ >>= 1;
    if (--left_ == 0 && in_ + 2 <= s_.size()) {
      word_ = s_[in_] | s_[in_ + 1] << 8;
      in_ += 2;
      left_ = 16;
    } else if (left_ == 0) {
      in_ = s_.size();  // the word read at once is cut: nothing more can be read
      cut_ = true;
    }
    return true;
  }
  bool Byte(std::uint8_t& v) {
    if (cut_ || in_ >= s_.size()) return false;
    v = s_[in_++];
    return true;
  }
  std::size_t In() const { return in_; }
  // The bits left in the word in use (a word read at once: all 16): all 0.
  bool RestZero() const { return word_ == 0; }

private:
  std::span<const std::uint8_t> s_;
  std::size_t in_ = 0;
  unsigned word_ = 0;
  unsigned left_ = 0;
  bool cut_ = false;
};

// The next token, or false where the stream ends inside it.
[[gnu::always_inline]] inline bool ReadToken(TReader& r, TToken& t, std::uint8_t& literal) {
  unsigned b = 0;
  if (!r.Bit(b)) return false;
  if (b != 0) {
    t = {0, 0, 0, false};
    return r.Byte(literal);
  }
  if (!r.Bit(b)) return false;
  if (b == 0) {
    unsigned a = 0;
    unsigned c = 0;
    std::uint8_t x = 0;
    if (!r.Bit(a) || !r.Bit(c) || !r.Byte(x)) return false;
    t = {2 + 2 * a + c, std::size_t{0x100} - x, 1, false};
    return true;
  }
  std::uint8_t lo = 0;
  std::uint8_t hi = 0;
  if (!r.Byte(lo) || !r.Byte(hi)) return false;
  const std::size_t d = static_cast<std::size_t>(hi >> 3) << 8 | lo;
  t = {static_cast<std::size_t>(hi & 7u) + 2, kLongDistance - d, 2, false};
  if ((hi & 7u) != 0) return true;
  std::uint8_t m = 0;
  if (!r.Byte(m)) return false;
  t.length = m + 1u;
  t.threeBytes = true;
  if (m == 0) t = {0, 0, 3, false};  // the end: its distance bits mean nothing
  return true;
}

struct TWalk {
  std::size_t in = 0;
  std::size_t pos = 0;
  TStop stop = TStop::kEnd;
  bool restZero = false;  // at the end token: the bits after it are 0
};

// Decodes into out[0..limit) (nothing is written when out is null).
template <class Hook>
TWalk Walk(std::span<const std::uint8_t> s, std::uint8_t* out, std::size_t limit, Hook& hook) {
  TReader r(s);
  TWalk w;
  if (s.size() < 2) return w.in = s.size(), w.stop = TStop::kTruncated, w;
  for (;;) {
    TToken t;
    std::uint8_t literal = 0;
    if (!ReadToken(r, t, literal)) return w.in = r.In(), w.stop = TStop::kTruncated, w;
    w.in = r.In();
    if (t.kind == 3) return w.restZero = r.RestZero(), w;
    if (!hook.Token(t, w.pos, literal)) return w.stop = TStop::kInvalid, w;
    if (t.kind == 0) {
      if (w.pos >= limit) return w.stop = TStop::kFull, w;
      if (out != nullptr) out[w.pos] = literal;
      ++w.pos;
      continue;
    }
    if (t.distance > w.pos) return w.stop = TStop::kInvalid, w;
    const std::size_t end = std::min(w.pos + t.length, limit);
    if (out != nullptr) {
      for (std::size_t p = w.pos; p < end; ++p) out[p] = out[p - t.distance];
    }
    const bool full = end < w.pos + t.length;
    w.pos = end;
    if (full) return w.stop = TStop::kFull, w;
  }
}

}  // namespace tegulo::lclz17::walk
