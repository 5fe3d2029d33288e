// The cheapest CT stream from the end, over the states a control byte's group can be in:
// at a group boundary (F), k tokens into a group of eight (D1..D7), or k tokens into a group
// whose record sets its count (R1..R8, with or without a reference so far: a control byte of
// 0 means eight raw bytes, so a group of more than eight needs a reference among its first
// eight). A group of count 8 under a record is never cheaper than one without, so a record
// group ends before its eighth token or runs on into 1..55 literals.
#include "compress/ct/ct_records.h"

#include <emmintrin.h>

#include <algorithm>
#include <array>
#include <cassert>
#include <cstring>
#include <limits>

#include "compress/ct/ct_distinct_rows.h"
#include "compress/ct/ct_layout.h"
#include "compress/flag/flag_writer.h"
#include "compress/search/optimal_parse.h"

namespace tegulo {
namespace {

constexpr std::uint32_t kInf = std::numeric_limits<std::uint32_t>::max() / 4;
constexpr std::size_t kMaxCount = 63;  // a record's count
constexpr std::size_t kFlagged = 8;    // tokens with a flag bit
constexpr std::size_t kMaxTail = kMaxCount - kFlagged;

// State lanes at each position: F, D1..D7, R1..R8 with a reference, R1..R8 without one.
// A reference only ever leads into the first 16.
constexpr std::size_t kF = 0;
constexpr std::size_t D(std::size_t k) { return k; }
constexpr std::size_t R(std::size_t k, bool ref) { return 7 + k + (ref ? 0 : 8); }
constexpr std::size_t kStates = 24;
constexpr std::size_t kReferenceStates = 16;

using TRow = std::array<std::uint32_t, kStates>;
constexpr std::size_t kRing = 64;  // above a reference's longest (34) and the tails' (55)
// A kept row's lanes: a byte each (lane F's unused). Code 0: out of reach, 1: in the list of
// wide ones, else the difference from F plus kBias (-126..127; -11..7 seen).
constexpr std::uint8_t kFar = 0;
constexpr std::uint8_t kWide = 1;
constexpr std::int32_t kBias = ct::kCodeBias;
static_assert(kStates % 4 == 0 && kStates == ct::kLaneCodes);

using ct::TCodes;

struct TGroup {
  bool record = false;
  std::vector<TParseToken> tokens;  // the flagged ones
  std::size_t tail = 0;             // literals after the eighth token
};

// Data up to this size keep costs and row numbers in 16 bits: a stream of literals in groups
// of eight stays below 65,536 bytes. The distinct rows may outgrow 16 bits where most of them
// are whole (two units each; never seen): the search then runs again with 32 bits.
constexpr std::size_t kNarrowLimit = 32768;

// T: the type of the costs of lane F and of the row numbers kept for every position.
template <class T>
class TSolver {
public:
  TSolver(std::span<const std::uint8_t> data, const ct::TMode& mode)
      : n_(data.size()), mode_(mode), match_(Matches(data, mode)), f_(n_ + 1), rowOf_(n_ + 1, 0) {}

  void Solve() {
    TRow end;
    end.fill(kInf);
    end[kF] = 1;  // the end record
    for (std::size_t k = 1; k <= 7; ++k) end[R(k, false)] = end[R(k, true)] = 1;
    ring_[n_ & (kRing - 1)] = end;
    Keep(n_, end);
    for (std::size_t i = n_; i-- > 0;) {
      PushTail(i + 1);
      Row(i);
    }
  }

  std::uint32_t Cost() const { return f_[0]; }
  bool Overflowed() const { return rows_.Overflowed(); }

  std::size_t Size() const { return n_; }

  // The group of the cheapest stream that starts at boundary i, found again from the costs;
  // moves i past it.
  TGroup GroupAt(std::size_t& i) const {
    TGroup g;
    const std::uint32_t here = f_[i];
    g.record = here != 1 + Token(i, D(1), D(1));
    bool ref = false;
    std::uint32_t cost = here - (g.record ? 4 : 1);  // what the first token and on cost
    for (std::size_t k = 0;;) {
      const std::size_t lane =
          TokenAt(i, Next(g.record, k, ref, false), Next(g.record, k, ref, true), cost, g.tokens);
      ref = ref || g.tokens.back().length != 0;
      ++k;
      cost = V(i, lane);
      if (!g.record) {
        if (k == kFlagged) return g;
      } else if (k < kFlagged && cost == f_[i]) {
        return g;  // the record's count ends the group here
      } else if (k == kFlagged) {
        g.tail = TailLength(i, cost);
        i += g.tail;
        return g;
      }
    }
  }

private:
  // The token at i whose rest costs what `cost` leaves: appends it, moves i past it and
  // returns the lane it leads to.
  std::size_t TokenAt(std::size_t& i, std::size_t lit, std::size_t refLane, std::uint32_t cost,
                      std::vector<TParseToken>& tokens) const {
    if (i < n_ && 1 + V(i + 1, lit) == cost) {
      tokens.push_back({0, 0});
      ++i;
      return lit;
    }
    const std::size_t len = FindLength(i, refLane, cost - 2);
    tokens.push_back({static_cast<std::uint32_t>(len), match_[i] & mode_.distanceMask});
    i += len;
    return refLane;
  }

  // The lane after one more token: in a group of eight, D(k + 1) or F; under a record,
  // R(k + 1) with the reference mark.
  static std::size_t Next(bool record, std::size_t k, bool ref, bool isRef) {
    if (!record) return k + 1 == kFlagged ? kF : D(k + 1);
    return R(k + 1, ref || isRef);
  }

  // The cheapest token at i: a literal into lane `lit`, a reference of any length into `ref`.
  std::uint32_t Token(std::size_t i, std::size_t lit, std::size_t ref) const {
    std::uint32_t best = 1 + V(i + 1, lit);
    const std::size_t longest = Longest(i);
    for (std::size_t len = 3; len <= longest; ++len) best = std::min(best, 2 + V(i + len, ref));
    return best;
  }

  std::size_t FindLength(std::size_t i, std::size_t lane, std::uint32_t rest) const {
    std::size_t len = 3;
    while (len < Longest(i) && V(i + len, lane) != rest) ++len;
    return len;
  }

  std::size_t TailLength(std::size_t i, std::uint32_t cost) const {
    std::size_t t = 1;
    while (t < kMaxTail && i + t < n_ && t + f_[i + t] != cost) ++t;
    return t;
  }

  // Every lane at i from the rows after it: a literal reads the next row, a reference of
  // any length the smallest of the rows it may end on, lane by lane.
  void Row(std::size_t i) {
    const TRow& lit = Recent(i + 1);
    const TRow far = ReferenceLanes(i);
    const auto token = [&](std::size_t litLane, std::size_t refLane) {
      return std::min(1 + lit[litLane], 2 + far[refLane]);
    };
    TRow& row = ring_[i & (kRing - 1)];
    row.fill(kInf);
    // Group boundary: a control byte and a first token, with a record (3 bytes) or without.
    row[kF] = std::min(1 + token(D(1), D(1)), 4 + token(R(1, false), R(1, true)));
    for (std::size_t k = 1; k < kFlagged; ++k) {
      row[D(k)] = token(Next(false, k, false, false), Next(false, k, false, true));
      for (const bool ref : {false, true}) {
        // The count may end the group here.
        row[R(k, ref)] = std::min(row[kF], token(R(k + 1, ref), R(k + 1, true)));
      }
    }
    // t literals and the rest from i + t, t = 1..55: the smallest F(j) + j in the window.
    while (Window(front_) > i + kMaxTail) ++front_;
    row[R(kFlagged, true)] = Gain(Window(front_)) - static_cast<std::uint32_t>(i);
    Keep(i, row);
  }

  // The smallest of the reference lanes of the rows a reference from i may end on (the rest
  // kInf), four lanes at a time: every value lies below 2^31, so a signed compare orders them.
  TRow ReferenceLanes(std::size_t i) const {
    static_assert(kReferenceStates == 16);
    const auto min = [](__m128i a, const std::uint32_t* r) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r));
      const __m128i less = _mm_cmplt_epi32(v, a);
      return _mm_or_si128(_mm_and_si128(less, v), _mm_andnot_si128(less, a));
    };
    // Four named lanes of four, so that they stay in registers.
    __m128i m0 = _mm_set1_epi32(static_cast<std::int32_t>(kInf));
    __m128i m1 = m0;
    __m128i m2 = m0;
    __m128i m3 = m0;
    const std::size_t longest = Longest(i);
    for (std::size_t len = 3; len <= longest; ++len) {
      const std::uint32_t* r = Recent(i + len).data();
      m0 = min(m0, r);
      m1 = min(m1, r + 4);
      m2 = min(m2, r + 8);
      m3 = min(m3, r + 12);
    }
    TRow far;
    _mm_storeu_si128(reinterpret_cast<__m128i*>(far.data()), m0);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(far.data() + 4), m1);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(far.data() + 8), m2);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(far.data() + 12), m3);
    std::fill(far.begin() + kReferenceStates, far.end(), kInf);
    return far;
  }

  const TRow& Recent(std::size_t j) const { return ring_[j & (kRing - 1)]; }
  std::size_t Window(std::size_t k) const { return window_[k & (kRing - 1)]; }

  // Four lanes at a time, as each row costs this once.
  void Keep(std::size_t i, const TRow& row) {
    const std::uint32_t f = row[kF];
    assert(f <= std::numeric_limits<T>::max());
    f_[i] = static_cast<T>(f);
    const __m128i sign = _mm_set1_epi32(std::numeric_limits<std::int32_t>::min());
    const __m128i shift = _mm_set1_epi32(kBias - static_cast<std::int32_t>(f));
    const __m128i infLast = _mm_set1_epi32(static_cast<std::int32_t>((kInf - 1) ^ 0x80000000U));
    const __m128i fitLast = _mm_set1_epi32(static_cast<std::int32_t>(253U ^ 0x80000000U));
    const __m128i two = _mm_set1_epi32(2);
    const __m128i wide = _mm_set1_epi32(kWide);
    // A plain array: std::array would drop the vector type's attributes.
    __m128i codes[kStates / 4];
    __m128i anyWide = _mm_setzero_si128();
    for (std::size_t q = 0; q < kStates / 4; ++q) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row.data() + 4 * q));
      const __m128i x = _mm_add_epi32(v, shift);  // the code where it fits 2..255
      const __m128i far = _mm_cmpgt_epi32(_mm_xor_si128(v, sign), infLast);
      const __m128i over = _mm_andnot_si128(
          far, _mm_cmpgt_epi32(_mm_xor_si128(_mm_sub_epi32(x, two), sign), fitLast));
      const __m128i code =
          _mm_or_si128(_mm_andnot_si128(_mm_or_si128(far, over), x), _mm_and_si128(over, wide));
      anyWide = _mm_or_si128(anyWide, over);
      codes[q] = code;
    }
    TCodes out;
    const __m128i low =
        _mm_packus_epi16(_mm_packs_epi32(codes[0], codes[1]), _mm_packs_epi32(codes[2], codes[3]));
    const __m128i high = _mm_packus_epi16(_mm_packs_epi32(codes[4], codes[5]), low);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out.data()), low);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out.data() + 16), high);
    rowOf_[i] = rows_.Index(out);
    if (_mm_movemask_epi8(anyWide) != 0) KeepWide(i, row, out);
  }

  // The lanes too far from F for their codes, in the list; keys falling.
  void KeepWide(std::size_t i, const TRow& row, const TCodes& codes) {
    for (std::size_t s = kStates; s-- > 1;) {
      if (codes[s] == kWide) {
        wide_.emplace_back(static_cast<std::uint32_t>(i * kStates + s), row[s]);
      }
    }
  }

  // Lane s of row i, as Row found it (any value of kInf or more as kInf).
  std::uint32_t V(std::size_t i, std::size_t s) const {
    if (s == kF) return f_[i];
    const std::uint8_t code = rows_.Code(rowOf_[i], s);
    if (code == kFar) return kInf;
    if (code != kWide) return f_[i] + static_cast<std::uint32_t>(code) - kBias;
    const auto key = static_cast<std::uint32_t>(i * kStates + s);
    // Kept from the last position down: keys falling.
    const auto it = std::lower_bound(wide_.begin(), wide_.end(), key,
                                     [](const auto& e, std::uint32_t v) { return e.first > v; });
    return it->second;
  }

  std::uint32_t Gain(std::size_t j) const { return f_[j] + static_cast<std::uint32_t>(j); }

  // Adds boundary j to the window of the literal tails; positions it beats leave, as they
  // would leave the window first.
  void PushTail(std::size_t j) {
    while (back_ > front_ && Gain(Window(back_ - 1)) >= Gain(j)) --back_;
    window_[back_++ & (kRing - 1)] = static_cast<std::uint32_t>(j);
  }

  // Each position's longest match as the reference's 16 bits (0: none, as no match has
  // distance 0): two bytes a position instead of three.
  static std::vector<std::uint16_t> Matches(std::span<const std::uint8_t> data,
                                            const ct::TMode& mode) {
    const TLongestMatches m = FindLongestMatches(data, {1, mode.maxDistance, mode.maxLength});
    std::vector<std::uint16_t> words(data.size());
    for (std::size_t i = 0; i < words.size(); ++i) {
      if (m.length[i] != 0)
        words[i] = static_cast<std::uint16_t>(ct::JoinReference(m.length[i], m.distance[i], mode));
    }
    return words;
  }

  std::size_t Longest(std::size_t i) const {
    return match_[i] == 0 ? 0 : (match_[i] >> mode_.lengthShift) + 3;
  }

  std::size_t n_;
  ct::TMode mode_;
  std::vector<std::uint16_t> match_;
  // The rows the next ones read (a reference's longest and a literal's): in a ring.
  std::array<TRow, kRing> ring_{};
  // Every row for finding the path again: lane F as it is, the others as byte differences
  // from it (kept once for each distinct row), the rare larger ones in a list.
  std::vector<T> f_;
  ct::TDistinctRows<T> rows_;
  std::vector<T> rowOf_;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> wide_;  // (kStates i + lane, value)
  // The literal tails' window: indices, falling, in a ring (55 at most at once).
  std::array<std::uint32_t, kRing> window_{};
  std::size_t front_ = 0;
  std::size_t back_ = 0;
};

// Writes the groups as the solver finds them again; the header and each record point to the
// next record.
template <class T>
std::optional<std::vector<std::uint8_t>> Write(std::span<const std::uint8_t> data,
                                               const TSolver<T>& solver, const ct::TMode& layout,
                                               bool eleven) {
  std::vector<std::uint8_t> out;
  out.reserve(ct::kHeaderSize + solver.Cost());  // the stream's size, as the search counted it
  out.resize(ct::kHeaderSize);
  std::size_t link = 0;  // where the position of the next record goes
  bool first = true;
  const auto record = [&](unsigned count) {
    const std::size_t at = out.size();
    const std::size_t value = first ? at - ct::kHeaderSize : at;
    if (value > 0xFFFF) return false;
    out[link] = static_cast<std::uint8_t>(value);
    out[link + 1] = static_cast<std::uint8_t>(value >> 8);
    out.push_back(ct::FirstRecordByte(eleven, count));
    first = false;
    if (count != 0) {
      link = out.size();
      PutLe16(out, 0);
    }
    return true;
  };
  std::size_t pos = 0;
  for (std::size_t at = 0; at < solver.Size();) {
    const TGroup g = solver.GroupAt(at);
    const std::size_t count = g.tokens.size() + g.tail;
    if (g.record && !record(static_cast<unsigned>(count))) return std::nullopt;
    const std::size_t ctl = out.size();
    out.push_back(0);
    for (std::size_t j = 0; j < g.tokens.size(); ++j) {
      const TParseToken& t = g.tokens[j];
      if (t.length == 0) {
        out.push_back(data[pos++]);
        continue;
      }
      out[ctl] |= static_cast<std::uint8_t>(1U << j);
      PutLe16(out, ct::JoinReference(t.length, t.distance, layout));
      pos += t.length;
    }
    out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(pos),
               data.begin() + static_cast<std::ptrdiff_t>(pos + g.tail));
    pos += g.tail;
    // Under a count below 8 the high bits are ignored: bit 7 keeps an all-literal control
    // byte from meaning "eight raw bytes".
    if (out[ctl] == 0 && g.record) out[ctl] = 0x80;
  }
  if (!record(0)) return std::nullopt;
  return out;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> CompressCTRecords(std::span<const std::uint8_t> data,
                                                           TCTMode mode) {
  const bool eleven = mode == TCTMode::Bits11;
  const ct::TMode& layout = eleven ? ct::kMode11 : ct::kMode12;
  if (data.size() <= kNarrowLimit) {
    TSolver<std::uint16_t> solver(data, layout);
    solver.Solve();
    if (!solver.Overflowed()) return Write(data, solver, layout, eleven);
  }
  TSolver<std::uint32_t> solver(data, layout);
  solver.Solve();
  return Write(data, solver, layout, eleven);
}

}  // namespace tegulo
