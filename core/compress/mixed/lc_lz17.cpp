// "LC_LZ17": decoder, shortest-stream compressor and scan checker. No header: flag bits in
// 16-bit little-endian words taken from bit 0 (the next word read as soon as one is used up,
// before the bytes of the token), each token's bytes after its bits; an end token closes it.
#include <algorithm>
#include <array>
#include <bit>
#include <limits>
#include <string>

#include "base/uCommon.h"
#include "compress/mixed/lc_lz17.h"
#include "compress/search/optimal_parse.h"

namespace tegulo {
namespace {

constexpr std::size_t kShortMax = 5;  // `0 0 a b` + distance byte: 2..5
constexpr std::size_t kShortDistance = 256;
constexpr std::size_t kNearMax = 9;  // `0 1` + 2 bytes: 3..9
constexpr std::size_t kFarMin = 10;  // `0 1` + 3 bytes: the compressor's 10..256
constexpr std::size_t kLongMax = lclz17::kMaxLength;
constexpr std::size_t kLongDistance = lclz17::kMaxDistance;

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
bool ReadToken(TReader& r, TToken& t, std::uint8_t& literal) {
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

}  // namespace

std::uint32_t DecompressLCLZ17(std::span<const std::uint8_t> stream, TDecodeBuffer& output,
                               bool* notValid) {
  TNoHook hook;
  const TWalk w = Walk(stream, output.data(), output.size(), hook);
  *notValid = w.stop == TStop::kInvalid;
  return static_cast<std::uint32_t>(w.pos);
}

std::size_t StreamExtentLCLZ17(std::span<const std::uint8_t> stream) {
  TNoHook hook;
  return Walk(stream, nullptr, kDecodeBufferSize, hook).in;
}

namespace {

// The smallest of the last positions' values over a range of up to 256, for the long copies'
// band: a sparse table over a ring of positions, filled from the end down.
class TRingMin {
public:
  static constexpr std::uint32_t kNone = std::numeric_limits<std::uint32_t>::max();
  void Set(std::size_t i, std::uint32_t v) {
    std::uint32_t* row = Row(i);
    row[0] = v;
    for (std::size_t k = 1; k < kLevels; ++k) {
      row[k] = std::min(row[k - 1], Row(i + (std::size_t{1} << (k - 1)))[k - 1]);
    }
  }
  // Positions first..first+count-1, all set since the ring last passed them (count >= 1).
  std::uint32_t Min(std::size_t first, std::size_t count) const {
    const std::size_t k = static_cast<std::size_t>(std::bit_width(count)) - 1;
    return std::min(Row(first)[k], Row(first + count - (std::size_t{1} << k))[k]);
  }
  void Clear() { t_.fill(kNone); }

private:
  static constexpr std::size_t kLevels = 9;  // counts up to 256
  static constexpr std::size_t kSize = 512;  // twice the widest reach
  std::uint32_t* Row(std::size_t i) { return &t_[(i % kSize) * kLevels]; }
  const std::uint32_t* Row(std::size_t i) const { return &t_[(i % kSize) * kLevels]; }
  std::array<std::uint32_t, kSize * kLevels> t_{};
};

// The longest copies at each position: near (distance <= 256, up to 5 bytes, from 2) and
// far (distance <= 8192, up to 256 bytes, from 3).
struct TReach {
  std::vector<std::uint8_t> nearLength;
  std::vector<std::uint16_t> nearDistance;
  std::vector<std::uint16_t> farLength;
  std::vector<std::uint16_t> farDistance;
};

TReach FindReach(std::span<const std::uint8_t> d) {
  const std::size_t n = d.size();
  TLongestMatches nearM = FindLongestMatches(d, {1, kShortDistance, kShortMax});
  // The finder stops at 255 bytes; a 256th equal byte at the same source is taken too.
  TLongestMatches farM = FindLongestMatches(d, {1, kLongDistance, 255});
  TReach r{std::move(nearM.length), std::move(nearM.distance), std::vector<std::uint16_t>(n),
           std::move(farM.distance)};
  std::vector<std::int32_t> last(1 << 16, -1);
  for (std::size_t i = 0; i < n; ++i) {
    std::size_t len = farM.length[i];
    if (len == 255 && i + len < n && d[i + len] == d[i + len - r.farDistance[i]]) ++len;
    r.farLength[i] = static_cast<std::uint16_t>(len);
    if (i + 1 >= n) break;
    const std::size_t pair = d[i] | d[i + 1] << 8;
    if (r.nearLength[i] == 0 && last[pair] >= 0 &&
        i - static_cast<std::size_t>(last[pair]) <= kShortDistance) {
      r.nearLength[i] = 2;
      r.nearDistance[i] = static_cast<std::uint16_t>(i - static_cast<std::size_t>(last[pair]));
    }
    last[pair] = static_cast<std::int32_t>(i);
  }
  return r;
}

// Costs in bytes with the state "bits used of the current word" (0..15): a token of b bits
// and y bytes from state s costs y + 2 * ((s + b) / 16) and leaves state (s + b) % 16; the
// last word counts 2 at the end. This is exact in bytes, where a parse by bits is not.
class TPath {
public:
  explicit TPath(std::span<const std::uint8_t> d)
      : n_(d.size()), r_(FindReach(d)), cost_((n_ + 1) * 16), pick_((n_ + 1) * 16) {
    for (auto& m : far_) m.Clear();
    for (unsigned s = 0; s < 16; ++s) Set(n_, s, 3 + Words(s, 2) + 2, {0, 3});
    for (std::size_t i = n_; i-- > 0;) {
      for (unsigned s = 0; s < 16; ++s) Solve(i, s);
    }
  }

  struct TPick {
    std::uint16_t length;  // 1 for a literal
    std::uint8_t kind;     // as TToken
  };
  TPick Pick(std::size_t i, unsigned s) const { return pick_[i * 16 + s]; }
  const TReach& Reach() const { return r_; }
  std::uint32_t Cost() const { return cost_[0]; }

private:
  static std::uint32_t Words(unsigned s, unsigned bits) { return 2 * ((s + bits) / 16); }

  void Set(std::size_t i, unsigned s, std::uint32_t c, TPick p) {
    cost_[i * 16 + s] = c;
    pick_[i * 16 + s] = p;
    far_[s].Set(i, c);
  }

  std::uint32_t At(std::size_t i, unsigned s) const { return cost_[i * 16 + s]; }

  void Solve(std::size_t i, unsigned s) {
    std::uint32_t best = 1 + Words(s, 1) + At(i + 1, (s + 1) % 16);
    TPick pick{1, 0};
    const auto take = [&](std::uint32_t c, std::size_t len, std::uint8_t kind) {
      if (c < best) {
        best = c;
        pick = {static_cast<std::uint16_t>(len), kind};
      }
    };
    const unsigned shortState = (s + 4) % 16;
    for (std::size_t len = 2; len <= r_.nearLength[i]; ++len) {
      take(1 + Words(s, 4) + At(i + len, shortState), len, 1);
    }
    const std::size_t far = r_.farLength[i];
    const unsigned longState = (s + 2) % 16;
    for (std::size_t len = 3; len <= std::min(far, kNearMax); ++len) {
      take(2 + Words(s, 2) + At(i + len, longState), len, 2);
    }
    if (far >= kFarMin) {
      const std::uint32_t rest = far_[longState].Min(i + kFarMin, far - kFarMin + 1);
      const std::uint32_t c = 3 + Words(s, 2) + rest;
      if (c < best) {
        // The length whose rest is the minimum.
        std::size_t len = kFarMin;
        while (At(i + len, longState) != rest) ++len;
        take(c, len, 2);
      }
    }
    Set(i, s, best, pick);
  }

  std::size_t n_;
  TReach r_;
  std::vector<std::uint32_t> cost_;
  std::vector<TPick> pick_;
  std::array<TRingMin, 16> far_;
};

class TWriter {
public:
  TWriter() : out_(2, 0) {}
  void Bit(unsigned b) {
    if (b != 0) out_[word_ + used_ / 8] |= static_cast<std::uint8_t>(1u << (used_ % 8));
    if (++used_ == 16) {
      word_ = out_.size();
      out_.insert(out_.end(), {0, 0});
      used_ = 0;
    }
  }
  void Byte(std::size_t v) { out_.push_back(static_cast<std::uint8_t>(v)); }
  std::vector<std::uint8_t> Take() { return std::move(out_); }

private:
  std::vector<std::uint8_t> out_;
  std::size_t word_ = 0;
  unsigned used_ = 0;
};

void PutLong(TWriter& w, std::size_t len, std::size_t dist) {
  const std::size_t d = (kLongDistance - dist) & 0x1FFF;
  w.Bit(0);
  w.Bit(1);
  w.Byte(d);
  if (len <= kNearMax) {
    w.Byte((d >> 8) << 3 | (len - 2));
    return;
  }
  w.Byte((d >> 8) << 3);
  w.Byte(len - 1);
}

}  // namespace

std::vector<std::uint8_t> CompressLCLZ17(std::span<const std::uint8_t> data,
                                         const TCompressOptions& /*options*/) {
  if (data.size() > kDecodeBufferSize) {
    throw TError("LC_LZ17 data of " + std::to_string(data.size()) +
                 " bytes do not fit the working buffer (" + std::to_string(kDecodeBufferSize) +
                 " bytes)");
  }
  const TPath path(data);
  const TReach& r = path.Reach();
  TWriter w;
  unsigned state = 0;
  for (std::size_t i = 0; i < data.size();) {
    const TPath::TPick p = path.Pick(i, state);
    if (p.kind == 0) {
      w.Bit(1);
      w.Byte(data[i]);
      state = (state + 1) % 16;
    } else if (p.kind == 1) {
      const std::size_t code = p.length - 2;
      w.Bit(0);
      w.Bit(0);
      w.Bit(code >> 1);
      w.Bit(code & 1u);
      w.Byte(0x100 - r.nearDistance[i]);
      state = (state + 4) % 16;
    } else {
      PutLong(w, p.length, r.farDistance[i]);
      state = (state + 2) % 16;
    }
    i += p.length;
  }
  // The end: distance bits as the usual encoder writes them.
  w.Bit(0);
  w.Bit(1);
  w.Byte(0x00);
  w.Byte(0xF0);
  w.Byte(0x00);
  return w.Take();
}

namespace {

// The tokens a stream needs before its facts count (see ScoreStream); one with fewer is
// scored by its content alone.
constexpr std::uint32_t kFactsTokens = 8;

// What a scan asks beyond the format's rules: few equal literals in a row; the literal and
// copy figures of the score. (Long copies of 2..9 bytes in the three-byte form are the
// format's too: some encoders write every long copy so.)
struct TScanHook {
  TStreamStats& st;
  TLiteralRun run;
  bool Token(const TToken& t, std::size_t /*pos*/, std::uint8_t literal) {
    if (t.kind == 0) {
      // Literals are not marked for the score: an exact shortest parse leaves literals where a
      // three-byte copy would also fit (a copy further on gains more), which the score takes
      // for a chance stream's.
      ++st.literals;
      return run.Add(literal);
    }
    run.Break();
    ++st.references;
    st.referenceBytes += static_cast<std::uint32_t>(t.length);
    return true;
  }
};

}  // namespace

std::optional<TScanHit> CheckLCLZ17Hit(std::span<const std::uint8_t> rom, std::size_t pos,
                                       std::uint32_t minSize, TStreamStats* stats) {
  TStreamStats local;
  TStreamStats& st = FreshStats(stats, local);
  if (pos >= rom.size()) return std::nullopt;
  const auto s = rom.subspan(pos);
  constexpr std::size_t kMostOutput = 0x10000;
  thread_local TDecodeBuffer out;
  out.resize(kMostOutput);
  TScanHook hook{st, {}};
  const TWalk w = Walk(s, out.data(), kMostOutput, hook);
  if (w.stop != TStop::kEnd || w.pos < std::max<std::uint32_t>(minSize, 1) || w.pos % 16 != 0) {
    return std::nullopt;
  }
  st.comprSize = static_cast<std::uint32_t>(w.in);
  // Facts an encoder's stream meets and chance bytes seldom do: the bits after the end token
  // left 0, and enough tokens to tell.
  st.unusedFlagsZero = w.restZero;
  // Output of one value throughout (blank tiles, or chance copies of the zeros before the
  // output) tells an encoder's stream from chance bytes no better: its content decides.
  const auto first = out.begin();
  const bool oneValue = std::all_of(first, first + static_cast<std::ptrdiff_t>(w.pos),
                                    [&](std::uint8_t b) { return b == *first; });
  if (st.literals + st.references >= kFactsTokens && !oneValue) {
    st.factsMinOutput = kStrictFactsMinOutput;
  }
  return TScanHit{pos, kSchemeLCLZ17, static_cast<std::uint32_t>(w.pos),
                  static_cast<std::uint32_t>(w.in), 0};
}

}  // namespace tegulo
