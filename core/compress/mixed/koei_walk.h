// The walk over a Koei stream that the decoder and the scan's checker share: flag bytes,
// literals and code words in one byte sequence in reading order, each code word's place
// reserved when the word before it is loaded; the length and distance codes.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>

#include "compress/mixed/koei.h"
#include "compress/shared/lz_copy.h"

namespace tegulo::koei::walk {

enum class TStop : std::uint8_t { kEnd, kTruncated, kInvalid, kFull };

// Reads flags, bytes and code bits in the stream's order.
class TReader {
public:
  explicit TReader(std::span<const std::uint8_t> s) : s_(s) {}

  bool Flag(unsigned& b) {
    if (flagsLeft_ == 0) {
      if (p_ >= s_.size()) return false;
      flags_ = s_[p_];
      Read(p_++, 1);
      flagsLeft_ = 8;
    }
    b = (flags_ >> 7) & 1U;
    flags_ = (flags_ << 1) & 0xFFU;
    --flagsLeft_;
    return true;
  }
  bool Byte(std::uint8_t& v) {
    if (p_ >= s_.size()) return false;
    v = s_[p_];
    Read(p_++, 1);
    return true;
  }
  // As many bits at a time as the word in use holds (at most 16 are asked).
  bool Bits(unsigned count, unsigned& v) {
    v = 0;
    while (count != 0) {
      if (wordLeft_ == 0) {
        if (q_ + 2 > s_.size()) return false;
        word_ = s_[q_] | s_[q_ + 1] << 8;
        Read(q_, 2);
        // The place of the next word is taken now, ahead of later flags and literals.
        q_ = p_;
        p_ += 2;
        wordLeft_ = 16;
      }
      const unsigned take = std::min(count, wordLeft_);
      v = v << take | word_ >> (16 - take);
      word_ = (word_ << take) & 0xFFFFU;
      wordLeft_ -= take;
      count -= take;
    }
    return true;
  }
  std::size_t End() const { return end_; }
  // The flags and code bits left in the flag byte and code word in use: all 0.
  bool RestZero() const { return flags_ == 0 && word_ == 0; }

private:
  void Read(std::size_t at, std::size_t n) { end_ = std::max(end_, at + n); }

  std::span<const std::uint8_t> s_;
  std::size_t p_ = 2;  // bytes 0-1 hold the first code word
  std::size_t q_ = 0;
  std::size_t end_ = 0;
  unsigned flags_ = 0;
  unsigned flagsLeft_ = 0;
  unsigned word_ = 0;
  unsigned wordLeft_ = 0;
};

// A length code's length, 0 for the end code; false where the stream ends inside it.
[[gnu::always_inline]] inline bool ReadLength(TReader& r, std::size_t& length) {
  unsigned zeros = 0;
  unsigned bit = 0;
  while (zeros < 7) {
    if (!r.Bits(1, bit)) return false;
    if (bit != 0) break;
    ++zeros;
  }
  unsigned x = 0;
  if (zeros < 7) {
    if (!r.Bits(zeros, x)) return false;
    length = (std::size_t{1} << zeros) + 1 + x;
    return true;
  }
  if (!r.Bits(7, x)) return false;
  length = x == kEndCode ? 0 : 129 + x;
  return true;
}

[[gnu::always_inline]] inline bool ReadDistance(TReader& r, std::size_t& distance) {
  unsigned t = 0;
  unsigned b = 0;
  unsigned x = 0;
  if (!r.Bits(3, t)) return false;
  if (t >= 2) {
    // 010 + 6 bits: 65..128; 011..111 + 7..11 bits: 129..4096.
    const unsigned extra = t == 2 ? 6 : t + 4;
    if (!r.Bits(extra, x)) return false;
    distance = (t == 2 ? 65 : (std::size_t{1} << extra) + 1) + x;
    return true;
  }
  if (!r.Bits(1, b)) return false;
  if (t == 1) {
    // 0010 + 4 bits: 17..32; 0011 + 5 bits: 33..64.
    if (!r.Bits(b == 0 ? 4 : 5, x)) return false;
    distance = (b == 0 ? 17 : 33) + x;
    return true;
  }
  if (b == 0) {
    if (!r.Bits(2, x)) return false;  // 0000 + 2 bits: 1..4
    distance = 1 + x;
    return true;
  }
  if (!r.Bits(1, b)) return false;
  // 00010 + 2 bits: 5..8; 00011 + 3 bits: 9..16.
  if (!r.Bits(b == 0 ? 2 : 3, x)) return false;
  distance = (b == 0 ? 5 : 9) + x;
  return true;
}

struct TWalk {
  std::size_t pos = 0;
  std::size_t end = 0;  // the furthest stream byte read, plus one
  TStop stop = TStop::kEnd;
  bool restZero = false;  // at the end code: the bits after it are 0
};

struct TNoHook {
  static bool Literal(std::size_t /*pos*/, std::uint8_t /*v*/) { return true; }
  static bool Copy(std::size_t /*pos*/, std::size_t /*len*/, std::size_t /*dist*/) { return true; }
};

// d[i] = d[i - distance] for i = 0 .. n - 1 in order, as a byte loop writes it, in wider
// moves where the distance allows (copies of up to 255 bytes, zero runs from one back).
inline void CopyFromBehind(std::uint8_t* d, std::size_t distance, std::size_t n) {
  std::size_t i = 0;
  if (distance == 1) {
    std::memset(d, d[-1], n);
    return;
  }
  const std::uint8_t* from = d - distance;
  if (distance >= 8) {
    for (; i + 8 <= n; i += 8) lz::Store8(d + i, lz::Load8(from + i));
  }
  for (; i < n; ++i) d[i] = from[i];
}

// Takes the literal a set flag announces into out[w.pos] (kWrite) or only counts it; where the
// walk must stop, why.
template <bool kWrite, class Hook>
[[gnu::always_inline]] inline std::optional<TStop> TakeLiteral(TReader& r, TWalk& w,
                                                               std::uint8_t* out, std::size_t limit,
                                                               Hook& hook) {
  std::uint8_t v = 0;
  if (!r.Byte(v)) return TStop::kTruncated;
  if (w.pos >= limit) return TStop::kFull;
  if (!hook.Literal(w.pos, v)) return TStop::kInvalid;
  if constexpr (kWrite) out[w.pos] = v;
  ++w.pos;
  return std::nullopt;
}

// Decodes into out[0..limit); without kWrite only walks, as far as the output would go (the
// scan's checker reads nothing of the output).
template <bool kWrite = true, class Hook>
TWalk Walk(std::span<const std::uint8_t> s, std::uint8_t* out, std::size_t limit, Hook& hook) {
  TReader r(s);
  TWalk w;
  const auto stop = [&](TStop why) {
    w.end = std::min(r.End(), s.size());
    w.stop = why;
    return w;
  };
  for (;;) {
    unsigned flag = 0;
    if (!r.Flag(flag)) return stop(TStop::kTruncated);
    if (flag != 0) {
      if (const std::optional<TStop> why = TakeLiteral<kWrite>(r, w, out, limit, hook)) {
        return stop(*why);
      }
      continue;
    }
    std::size_t length = 0;
    std::size_t distance = 0;
    if (!ReadLength(r, length)) return stop(TStop::kTruncated);
    if (length == 0) {
      w.restZero = r.RestZero();
      return stop(TStop::kEnd);
    }
    if (!ReadDistance(r, distance)) return stop(TStop::kTruncated);
    if (distance > w.pos || !hook.Copy(w.pos, length, distance)) return stop(TStop::kInvalid);
    const std::size_t end = std::min(w.pos + length, limit);
    if constexpr (kWrite) CopyFromBehind(out + w.pos, distance, end - w.pos);
    const bool full = end < w.pos + length;
    w.pos = end;
    if (full) return stop(TStop::kFull);
  }
}

}  // namespace tegulo::koei::walk
