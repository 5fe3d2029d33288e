// "LC_LZ17": decoder, shortest-stream compressor and scan checker. No header: flag bits in
// 16-bit little-endian words taken from bit 0 (the next word read as soon as one is used up,
// before the bytes of the token), each token's bytes after its bits; an end token closes it.
#include <algorithm>
#include <array>
#include <bit>
#include <cassert>
#include <string>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "base/uCommon.h"
#include "compress/mixed/lc_lz17.h"
#include "compress/search/nearest_pair.h"
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

// The least value over positions left..last, where the left end moves down one position at a
// time and `last` lies at most kSpan past it: the positions whose value is below that of every
// position nearer the left end (their values fall as the positions grow), in a ring. Only the
// positions are kept (their low byte, as they lie within kSpan of the left end): the values
// come from `value`, which holds them already.
class TLeftMin {
public:
  static constexpr std::size_t kSpan = kLongMax - kFarMin;

  // Position `left` joins, one below the last one.
  template <class TValue>
  void Push(std::size_t left, const TValue& value) {
    left_ = left;
    const std::uint32_t v = value(left);
    while (size_ > 0 && value(At(0)) >= v) {
      head_ = (head_ + 1) & (kRing - 1);
      --size_;
    }
    head_ = (head_ + kRing - 1) & (kRing - 1);
    ring_[head_] = static_cast<std::uint8_t>(left);
    ++size_;
    while (At(size_ - 1) > left + kSpan) --size_;
  }

  // The position of the least value up to `last`; false when none is queued there.
  bool Min(std::size_t last, std::size_t& at) const {
    if (size_ == 0 || At(0) > last) return false;
    std::size_t lo = 0;
    std::size_t hi = size_ - 1;
    while (lo < hi) {
      const std::size_t mid = (lo + hi + 1) / 2;
      if (At(mid) <= last) {
        lo = mid;
      } else {
        hi = mid - 1;
      }
    }
    at = At(lo);
    return true;
  }

private:
  static constexpr std::size_t kRing = 256;  // above kSpan + 1 entries, a power of two
  static_assert(kSpan + 2 <= kRing);
  std::size_t At(std::size_t k) const {
    return left_ + ((ring_[(head_ + k) & (kRing - 1)] - left_) & 0xFFU);
  }

  std::array<std::uint8_t, kRing> ring_{};
  std::size_t left_ = 0;
  std::size_t head_ = 0;
  std::size_t size_ = 0;
};

// The longest copies at each position, in 32 bits: near (distance <= 256, up to 5 bytes, from
// 2) and far (distance <= 8192, up to 256 bytes, from 3).
class TReach {
public:
  explicit TReach(std::size_t n) : packed_(n, 0) {}
  std::size_t NearLength(std::size_t i) const { return packed_[i] & 7U; }
  std::size_t NearDistance(std::size_t i) const { return ((packed_[i] >> 3) & 0xFFU) + 1; }
  std::size_t FarLength(std::size_t i) const {
    const std::uint32_t x = (packed_[i] >> 11) & 0xFFU;
    return x == 0 ? 0 : x + 2;
  }
  std::size_t FarDistance(std::size_t i) const { return (packed_[i] >> 19) + 1; }

  // A near copy of 2..5 bytes (length 0: none).
  void SetNear(std::size_t i, std::size_t length, std::size_t distance) {
    if (length == 0) return;
    packed_[i] = (packed_[i] & ~0x7FFU) | static_cast<std::uint32_t>(length) |
                 static_cast<std::uint32_t>(distance - 1) << 3;
  }
  // A far copy of 3..256 bytes (shorter lengths: none).
  void SetFar(std::size_t i, std::size_t length, std::size_t distance) {
    if (length < 3) return;
    packed_[i] = (packed_[i] & 0x7FFU) | static_cast<std::uint32_t>(length - 2) << 11 |
                 static_cast<std::uint32_t>(distance - 1) << 19;
  }

private:
  std::vector<std::uint32_t> packed_;
};
static_assert(kShortMax < 8 && kShortDistance <= 0x100 && kLongMax - 2 <= 0xFF &&
              kLongDistance <= 0x2000);

TReach FindReach(std::span<const std::uint8_t> d) {
  const std::size_t n = d.size();
  // The far finder first, before the packed matches are taken: its trees are the larger.
  TLongestMatches farM = FindLongestMatches(d, {1, kLongDistance, 255});
  TReach r(n);
  for (std::size_t i = 0; i < n; ++i) {
    std::size_t len = farM.length[i];
    const std::size_t dist = farM.distance[i];
    // The finder stops at 255 bytes; a 256th equal byte at the same source is taken too.
    if (len == 255 && i + len < n && d[i + len] == d[i + len - dist]) ++len;
    r.SetFar(i, len, dist);
  }
  farM = {};
  const TLongestMatches nearM = FindLongestMatches(d, {1, kShortDistance, kShortMax});
  TNearestPair pairs(d, kShortDistance);
  // The last position has no two-byte copy, nor a longer one.
  for (std::size_t i = 0; i + 1 < n; ++i) {
    const std::size_t pair = pairs.Next(i);
    if (nearM.length[i] != 0) {
      r.SetNear(i, nearM.length[i], nearM.distance[i]);
    } else if (pair != 0) {
      r.SetNear(i, 2, pair);
    }
  }
  return r;
}

// Costs in bytes with the state "bits used of the current word" (0..15): a token of b bits
// and y bytes from state s costs y + 2 * ((s + b) / 16) and leaves state (s + b) % 16; the
// last word counts 2 at the end. This is exact in bytes, where a parse by bits is not. Only
// the costs are kept; the writer finds at each step a token that gives the rest. A rest from
// one state costs at most a word more than from another (the same tokens complete at most one
// word more), so a position keeps its least cost and each state's excess in two bits.
class TPath {
public:
  explicit TPath(std::span<const std::uint8_t> d)
      : n_(d.size()), r_(FindReach(d)), least_(n_ + 1), excess_(n_ + 1) {
    std::array<std::uint32_t, 16> row{};
    for (unsigned s = 0; s < 16; ++s) row[s] = 3 + Words(s, 2) + 2;
    Set(n_, row);
    for (std::size_t i = n_; i-- > 0;) {
      if (i + kFarMin <= n_) {
        for (unsigned s = 0; s < 16; ++s) {
          far_[s].Push(i + kFarMin, [this, s](std::size_t at) { return At(at, s); });
        }
      }
      for (unsigned s = 0; s < 16; ++s) row[s] = Solve(i, s);
      Set(i, row);
    }
  }

  struct TPick {
    std::uint16_t length;  // 1 for a literal
    std::uint8_t kind;     // as TToken
  };
  // A first token of a cheapest rest from i in state s.
  TPick Pick(std::size_t i, unsigned s) const {
    const std::uint32_t goal = At(i, s);
    if (1 + Words(s, 1) + At(i + 1, (s + 1) % 16) == goal) return {1, 0};
    for (std::size_t len = 2; len <= r_.NearLength(i); ++len) {
      if (1 + Words(s, 4) + At(i + len, (s + 4) % 16) == goal)
        return {static_cast<std::uint16_t>(len), 1};
    }
    const unsigned longState = (s + 2) % 16;
    for (std::size_t len = 3; len <= r_.FarLength(i); ++len) {
      const std::uint32_t bytes = len <= kNearMax ? 2 : 3;  // from kFarMin on, the length byte
      if (bytes + Words(s, 2) + At(i + len, longState) == goal) {
        return {static_cast<std::uint16_t>(len), 2};
      }
    }
    return {1, 0};  // not reached: the cost came from one of these
  }
  const TReach& Reach() const { return r_; }
  std::uint32_t Cost() const { return At(0, 0); }

private:
  static std::uint32_t Words(unsigned s, unsigned bits) { return 2 * ((s + bits) / 16); }

  void Set(std::size_t i, const std::array<std::uint32_t, 16>& row) {
    const std::uint32_t least = *std::min_element(row.begin(), row.end());
    std::uint32_t excess = 0;
    for (unsigned s = 0; s < 16; ++s) {
      assert(row[s] - least <= 3);
      excess |= std::min<std::uint32_t>(row[s] - least, 3) << (2 * s);
    }
    least_[i] = least;
    excess_[i] = excess;
  }

  std::uint32_t At(std::size_t i, unsigned s) const {
    return least_[i] + ((excess_[i] >> (2 * s)) & 3U);
  }

  std::uint32_t Solve(std::size_t i, unsigned s) const {
    std::uint32_t best = 1 + Words(s, 1) + At(i + 1, (s + 1) % 16);
    const unsigned shortState = (s + 4) % 16;
    for (std::size_t len = 2; len <= r_.NearLength(i); ++len) {
      best = std::min(best, 1 + Words(s, 4) + At(i + len, shortState));
    }
    const std::size_t far = r_.FarLength(i);
    const unsigned longState = (s + 2) % 16;
    for (std::size_t len = 3; len <= std::min(far, kNearMax); ++len) {
      best = std::min(best, 2 + Words(s, 2) + At(i + len, longState));
    }
    if (far >= kFarMin) {
      std::size_t at = 0;
      if (far_[longState].Min(i + far, at))
        best = std::min(best, 3 + Words(s, 2) + At(at, longState));
    }
    return best;
  }

  std::size_t n_;
  TReach r_;
  std::vector<std::uint32_t> least_;
  std::vector<std::uint32_t> excess_;  // 2 bits a state
  std::array<TLeftMin, 16> far_{};
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
      w.Byte(0x100 - r.NearDistance(i));
      state = (state + 4) % 16;
    } else {
      PutLong(w, p.length, r.FarDistance(i));
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
  TScanHook hook{st, {}};
  // The rules read nothing of the output: the walk only counts it.
  const TWalk w = Walk(s, nullptr, kMostOutput, hook);
  // The walk reads nothing but the stream's bytes, in order: a refusal is decided by those up
  // to where it stopped, or by the end of the ROM where it ran out. The scan hands it on to
  // candidates that repeat them.
  st.readEnd = w.stop == TStop::kTruncated ? kReadToEnd : w.in;
  if (w.stop != TStop::kEnd || w.pos < std::max<std::uint32_t>(minSize, 1) || w.pos % 16 != 0) {
    return std::nullopt;
  }
  st.comprSize = static_cast<std::uint32_t>(w.in);
  // Facts an encoder's stream meets and chance bytes seldom do: the bits after the end token
  // left 0. They decide however few the tokens and whatever the output holds: chance bytes
  // that reach an end token in step, each copy reading written output, are rare even in short
  // streams, and blank tiles (a literal and copies of it) are streams encoders write.
  st.unusedFlagsZero = w.restZero;
  st.factsMinOutput = kStrictFactsMinOutput;
  return TScanHit{pos, kSchemeLCLZ17, static_cast<std::uint32_t>(w.pos),
                  static_cast<std::uint32_t>(w.in), 0};
}

namespace {

// Whether the checker may pass a stream at `s` (n bytes left, 2 or more): the first flag
// word's leading literals (at least one: a first copy reads before the output), then the first
// copy where its bits end inside that word. That copy, at output 11 or less, must come from no
// further back than the literals; an end token there ends too short an output.
bool LCLZ17Maybe(const std::uint8_t* s, std::size_t n) {
  const unsigned word = s[0] | s[1] << 8U;
  const auto literals = static_cast<unsigned>(std::countr_one(word));
  if (literals == 0) return false;
  constexpr unsigned kDecided = 12;  // a copy after fewer literals ends its bits in the word
  const unsigned checked = std::min(literals, kDecided);
  if (2 + checked + 2 > n) return true;
  TLiteralRun run;
  for (unsigned k = 0; k < checked; ++k) {
    if (!run.Add(s[2 + k])) return false;
  }
  if (literals >= kDecided) return true;
  const std::uint8_t* token = s + 2 + literals;  // its bytes, 2 or more left
  if (((word >> (literals + 1)) & 1U) == 0) return kShortDistance - token[0] <= literals;
  // A long copy, or the end token, whose distance bits are refused alike.
  const std::size_t d = static_cast<std::size_t>(token[1] >> 3U) << 8U | token[0];
  return kLongDistance - d <= literals;
}

// LCLZ17Maybe's first refusals, where the first 16 bytes lie in the ROM: the first flag must
// announce a literal, and where the first byte holds the first copy's flag (1 to 7 literals
// before it, L), the copy's first byte must be 256 - L or more (a short copy's distance byte
// and a long copy's low distance byte alike: a distance of L or less). A first byte of 0xFF is
// left to LCLZ17Maybe.
unsigned LCLZ17Gate(const std::uint8_t* s) {
  const unsigned first = s[0];
  unsigned may = first == 0xFFU ? 1U : 0U;
  for (unsigned literals = 1; literals < 8; ++literals) {
    const unsigned ones = (1U << literals) - 1;
    may |= (first & (2 * ones + 1)) == ones && s[2 + literals] >= 256 - literals ? 1U : 0U;
  }
  return may;
}

}  // namespace

namespace detail {

std::uint64_t LCLZ17GatesPlain(std::span<const std::uint8_t> rom, std::size_t pos) {
  return GateBlock(pos, [&](std::size_t p) { return LCLZ17Gate(rom.data() + p); });
}

std::uint64_t LCLZ17Gates(std::span<const std::uint8_t> rom, std::size_t pos) {
#ifdef __SSE2__
  const std::uint8_t* s = rom.data() + pos;
  const auto load = [](const std::uint8_t* at) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
  };
  const auto byte = [](unsigned v) { return _mm_set1_epi8(static_cast<char>(v)); };
  std::uint64_t bits = 0;
  for (std::size_t k = 0; k < 64; k += 16) {
    const __m128i first = load(s + k);
    __m128i may = _mm_cmpeq_epi8(first, byte(0xFF));
    for (unsigned literals = 1; literals < 8; ++literals) {
      const unsigned ones = (1U << literals) - 1;
      const __m128i flags = _mm_cmpeq_epi8(_mm_and_si128(first, byte(2 * ones + 1)), byte(ones));
      // x >= least, unsigned: x is its maximum with least.
      const __m128i copy = load(s + k + 2 + literals);
      const __m128i near = _mm_cmpeq_epi8(_mm_max_epu8(copy, byte(256 - literals)), copy);
      may = _mm_or_si128(may, _mm_and_si128(flags, near));
    }
    bits |= std::uint64_t{static_cast<unsigned>(_mm_movemask_epi8(may))} << k;
  }
  return bits;
#else
  return LCLZ17GatesPlain(rom, pos);
#endif
}

}  // namespace detail

std::size_t SkipLCLZ17(std::span<const std::uint8_t> rom, std::size_t pos, std::size_t end,
                       std::size_t align, const TSkipFacts& /*facts*/) {
  constexpr std::size_t kReach = 2 + 12 + 2;  // the flag word, literals, a copy's two bytes
  constexpr std::size_t kGateReach = kReach;  // LCLZ17Maybe refuses by its bytes alone from here
  return SkipGatedInRuns<kReach, kGateReach>(
      rom, pos, end, align, [&](std::size_t p) { return detail::LCLZ17Gates(rom, p); },
      [&](std::size_t p) {
        return rom.size() - p >= 2 && LCLZ17Maybe(rom.data() + p, rom.size() - p);
      });
}

}  // namespace tegulo
