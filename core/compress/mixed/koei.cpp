// "Koei": decoder, extent walk, fewest-bits compressor and scan checker. Flag bytes, literals
// and code words share one byte sequence in reading order; each code word's place is
// reserved when the word before it is loaded.
#include "compress/mixed/koei.h"

#include <algorithm>
#include <array>
#include <bit>
#include <string>

#include "base/uCommon.h"
#include "compress/search/optimal_parse.h"
#include "compress/search/range_min.h"

namespace tegulo {
namespace {

using koei::kMaxDistance;
using koei::kMaxLength;
using koei::kMinLength;

constexpr unsigned kEndCode = 127;  // 0000000 1111111
constexpr unsigned kEndBits = 14;

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
  bool Bits(unsigned count, unsigned& v) {
    v = 0;
    for (unsigned k = 0; k < count; ++k) {
      if (wordLeft_ == 0) {
        if (q_ + 2 > s_.size()) return false;
        word_ = s_[q_] | s_[q_ + 1] << 8;
        Read(q_, 2);
        // The place of the next word is taken now, ahead of later flags and literals.
        q_ = p_;
        p_ += 2;
        wordLeft_ = 16;
      }
      v = v << 1 | ((word_ >> 15) & 1U);
      word_ = (word_ << 1) & 0xFFFFU;
      --wordLeft_;
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
bool ReadLength(TReader& r, std::size_t& length) {
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

bool ReadDistance(TReader& r, std::size_t& distance) {
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

// Decodes into out[0..limit).
template <class Hook>
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
      std::uint8_t v = 0;
      if (!r.Byte(v)) return stop(TStop::kTruncated);
      if (w.pos >= limit) return stop(TStop::kFull);
      if (!hook.Literal(w.pos, v)) return stop(TStop::kInvalid);
      out[w.pos++] = v;
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
    for (std::size_t p = w.pos; p < end; ++p) out[p] = out[p - distance];
    const bool full = end < w.pos + length;
    w.pos = end;
    if (full) return stop(TStop::kFull);
  }
}

}  // namespace

std::uint32_t DecompressKoei(std::span<const std::uint8_t> stream, TDecodeBuffer& output,
                             bool* notValid) {
  TNoHook hook;
  const TWalk w = Walk(stream, output.data(), output.size(), hook);
  *notValid = w.stop == TStop::kInvalid;
  return static_cast<std::uint32_t>(w.pos);
}

std::size_t StreamExtentKoei(std::span<const std::uint8_t> stream) {
  thread_local TDecodeBuffer out(kDecodeBufferSize);
  TNoHook hook;
  return Walk(stream, out.data(), out.size(), hook).end;
}

namespace {

// The distance classes: the largest distance of each and its code's bits.
constexpr std::array<std::size_t, 9> kClassMax = {4, 8, 32, 128, 256, 512, 1024, 2048, 4096};
constexpr std::array<unsigned, 9> kClassBits = {6, 7, 8, 9, 10, 11, 12, 13, 14};
constexpr std::size_t kNearClasses = 3;  // up to 32 back: found by trying each distance

// The length code's bits for `length` 2..255.
unsigned LengthBits(std::size_t length) {
  if (length >= 129) return 14;
  // 2^z + 1 .. 2^(z+1): z zeros, a one, z bits.
  return 2 * static_cast<unsigned>(std::bit_width(length - 1) - 1) + 1;
}

// The length ranges of one code size: first, last, bits.
struct TRange {
  std::size_t first;
  std::size_t last;
};
constexpr std::array<TRange, 8> kLengthRanges = {
    {{2, 2}, {3, 4}, {5, 8}, {9, 16}, {17, 32}, {33, 64}, {65, 128}, {129, 255}}};

// The longest copy at each position for each distance class, and for the far classes a
// distance that gives it.
struct TReach {
  std::array<std::vector<std::uint8_t>, 9> length;
  std::array<std::vector<std::uint16_t>, 9> distance;  // far classes only
};

TReach FindReach(std::span<const std::uint8_t> d) {
  const std::size_t n = d.size();
  TReach r;
  // Near classes: the run of equal bytes at each distance up to 32, from the end down.
  std::vector<std::uint8_t> run(n + 1, 0);
  for (std::size_t k = 0; k < kNearClasses; ++k) r.length[k].assign(n, 0);
  for (std::size_t dist = 1; dist <= kClassMax[kNearClasses - 1]; ++dist) {
    run[n] = 0;
    for (std::size_t i = n; i-- > dist;) {
      run[i] = d[i] == d[i - dist]
                   ? static_cast<std::uint8_t>(std::min<std::size_t>(run[i + 1] + 1U, kMaxLength))
                   : 0;
    }
    for (std::size_t i = dist; i < n; ++i) {
      for (std::size_t k = 0; k < kNearClasses; ++k) {
        if (dist <= kClassMax[k]) r.length[k][i] = std::max(r.length[k][i], run[i]);
      }
    }
  }
  // Far classes: the match finder (3 bytes and more), two-byte copies from the nearest pair.
  std::vector<std::int32_t> last(1 << 16, -1);
  std::vector<std::uint16_t> pairDistance(n, 0);
  for (std::size_t i = 0; i + 1 < n; ++i) {
    const std::size_t pair = d[i] | d[i + 1] << 8;
    if (last[pair] >= 0)
      pairDistance[i] = static_cast<std::uint16_t>(
          std::min<std::size_t>(i - static_cast<std::size_t>(last[pair]), 0xFFFF));
    last[pair] = static_cast<std::int32_t>(i);
  }
  for (std::size_t k = kNearClasses; k < kClassMax.size(); ++k) {
    TLongestMatches m = FindLongestMatches(d, {1, kClassMax[k], kMaxLength});
    for (std::size_t i = 0; i < n; ++i) {
      if (m.length[i] == 0 && pairDistance[i] != 0 && pairDistance[i] <= kClassMax[k]) {
        m.length[i] = 2;
        m.distance[i] = pairDistance[i];
      }
    }
    r.length[k] = std::move(m.length);
    r.distance[k] = std::move(m.distance);
  }
  return r;
}

struct TPick {
  std::uint8_t length = 1;  // 1: a literal
  std::uint8_t cls = 0;
};

// The parse with the fewest bits, from the end: each length of each distance class at one
// cost per length range, the cheapest rest found by a range minimum.
std::vector<TPick> ShortestKoeiParse(std::span<const std::uint8_t> d, const TReach& r) {
  const std::size_t n = d.size();
  TRangeMin rest(n + 1);
  rest.Set(n, 0);
  std::vector<TPick> pick(n);
  for (std::size_t i = n; i-- > 0;) {
    std::uint32_t best = 9 + rest.At(i + 1);
    TPick choice;
    std::size_t covered = 1;  // lengths up to this have a cheaper class
    for (std::size_t k = 0; k < kClassMax.size(); ++k) {
      const std::size_t longest = std::min<std::size_t>(r.length[k][i], n - i);
      if (longest <= covered) continue;
      for (const TRange& range : kLengthRanges) {
        const std::size_t first = std::max(range.first, covered + 1);
        const std::size_t last = std::min(range.last, longest);
        if (first > last) continue;
        std::size_t at = 0;
        const std::uint32_t tail = rest.Min(i + first, i + last, at);
        const std::uint32_t cost = 1 + LengthBits(range.first) + kClassBits[k] + tail;
        if (cost < best) {
          best = cost;
          choice = {static_cast<std::uint8_t>(at - i), static_cast<std::uint8_t>(k)};
        }
      }
      covered = longest;
    }
    rest.Set(i, best);
    pick[i] = choice;
  }
  return pick;
}

// Writes flags, bytes and code bits in the order the reader takes them.
class TWriter {
public:
  TWriter() : out_(2, 0) {}
  void Flag(bool set) {
    if (flagsLeft_ == 0) {
      flagAt_ = out_.size();
      out_.push_back(0);
      flagsLeft_ = 8;
    }
    --flagsLeft_;
    if (set) out_[flagAt_] |= static_cast<std::uint8_t>(1U << flagsLeft_);
  }
  void Byte(std::uint8_t v) { out_.push_back(v); }
  void Bits(unsigned count, unsigned v) {
    for (unsigned k = count; k-- > 0;) {
      if (wordLeft_ == 0) {
        wordAt_ = next_;
        next_ = out_.size();
        out_.insert(out_.end(), {0, 0});
        wordLeft_ = 16;
      }
      --wordLeft_;
      if (((v >> k) & 1U) != 0) {
        out_[wordAt_ + wordLeft_ / 8] |= static_cast<std::uint8_t>(1U << (wordLeft_ % 8));
      }
    }
  }
  std::vector<std::uint8_t> Take() {
    // A reserved place with nothing after it is left out, as the decoder never reads it.
    if (next_ + 2 == out_.size()) out_.resize(next_);
    return std::move(out_);
  }

private:
  std::vector<std::uint8_t> out_;
  std::size_t flagAt_ = 0;
  unsigned flagsLeft_ = 0;
  std::size_t wordAt_ = 0;
  std::size_t next_ = 0;  // the reserved place of the next code word
  unsigned wordLeft_ = 0;
};

void PutLength(TWriter& w, std::size_t length) {
  if (length >= 129) {
    w.Bits(14, static_cast<unsigned>(length - 129));
    return;
  }
  const unsigned z = (LengthBits(length) - 1) / 2;
  w.Bits(z + 1, 1);
  w.Bits(z, static_cast<unsigned>(length - (std::size_t{1} << z) - 1));
}

void PutDistance(TWriter& w, std::size_t distance) {
  const auto at = std::lower_bound(kClassMax.begin(), kClassMax.end(), distance);
  const auto k = static_cast<std::size_t>(at - kClassMax.begin());
  // The first distance of each class is coded as the class's smallest code.
  constexpr std::array<unsigned, 9> kBase = {0x00,  0x08,  0x18,   0x60,  0x180,
                                             0x400, 0xA00, 0x1800, 0x3800};
  constexpr std::array<std::size_t, 9> kFirst = {1, 5, 9, 33, 129, 257, 513, 1025, 2049};
  w.Bits(kClassBits[k], kBase[k] + static_cast<unsigned>(distance - kFirst[k]));
}

// A distance of class k (up to 32 back) that copies `length` bytes at i.
std::size_t NearDistance(std::span<const std::uint8_t> d, std::size_t i, std::size_t length,
                         std::size_t k) {
  for (std::size_t dist = 1; dist <= std::min(kClassMax[k], i); ++dist) {
    std::size_t l = 0;
    while (l < length && d[i + l] == d[i + l - dist]) ++l;
    if (l == length) return dist;
  }
  return 0;  // not reached: the reach was found this way
}

}  // namespace

std::vector<std::uint8_t> CompressKoei(std::span<const std::uint8_t> data,
                                       const TCompressOptions& /*options*/) {
  if (data.size() > kDecodeBufferSize) {
    throw TError("Koei data of " + std::to_string(data.size()) +
                 " bytes do not fit the working buffer (" + std::to_string(kDecodeBufferSize) +
                 " bytes)");
  }
  const TReach reach = FindReach(data);
  const std::vector<TPick> pick = ShortestKoeiParse(data, reach);
  TWriter w;
  for (std::size_t i = 0; i < data.size();) {
    const TPick p = pick[i];
    if (p.length == 1) {
      w.Flag(true);
      w.Byte(data[i]);
      ++i;
      continue;
    }
    w.Flag(false);
    PutLength(w, p.length);
    PutDistance(w, p.cls < kNearClasses ? NearDistance(data, i, p.length, p.cls)
                                        : reach.distance[p.cls][i]);
    i += p.length;
  }
  w.Flag(false);
  w.Bits(kEndBits, kEndCode);
  return w.Take();
}

namespace {

// The tokens a stream needs before its facts count (see ScoreStream); one with fewer is
// scored by its content alone.
constexpr std::uint32_t kFactsTokens = 8;

// The bits of a length code of 2..255.
unsigned CodeBitsOfLength(std::size_t length) {
  return length >= 129 ? 14 : 2 * static_cast<unsigned>(std::bit_width(length - 1) - 1) + 1;
}

// Whether two copies in a row from one distance cost more bits than the cheapest way to copy
// their bytes from there: one copy where they fit in one, else one of the longest and the
// rest. No encoder writes them (each takes the longest match, or the fewest bits); chance
// streams in zero-rich data read as endless copies of 129 from one byte back.
bool SplitsOneCopy(std::size_t first, std::size_t second) {
  const std::size_t total = first + second;
  if (total <= kMaxLength) return true;
  const unsigned cheapest =
      CodeBitsOfLength(kMaxLength) + CodeBitsOfLength(std::max<std::size_t>(2, total - kMaxLength));
  return CodeBitsOfLength(first) + CodeBitsOfLength(second) > cheapest;
}

// What a scan asks beyond the format's rules: few equal literals in a row, no copies in a row
// from one distance that split what one copy or a cheaper pair writes; the literal and copy
// figures of the score.
struct TScanHook {
  TStreamStats& st;
  TLiteralRun run;
  std::size_t lastDistance = 0;  // of the copy just before, 0 after a literal
  std::size_t lastLength = 0;
  bool Literal(std::size_t /*pos*/, std::uint8_t v) {
    // Not marked for the score: a shortest parse leaves literals where a short copy fits.
    ++st.literals;
    lastDistance = 0;
    return run.Add(v);
  }
  bool Copy(std::size_t /*pos*/, std::size_t length, std::size_t dist) {
    run.Break();
    ++st.references;
    st.referenceBytes += static_cast<std::uint32_t>(length);
    const bool split = dist == lastDistance && SplitsOneCopy(lastLength, length);
    lastDistance = dist;
    lastLength = length;
    return !split;
  }
};

}  // namespace

std::optional<TScanHit> CheckKoeiHit(std::span<const std::uint8_t> rom, std::size_t pos,
                                     std::uint32_t minSize, TStreamStats* stats) {
  TStreamStats local;
  TStreamStats& st = FreshStats(stats, local);
  if (pos >= rom.size()) return std::nullopt;
  constexpr std::size_t kMostOutput = 0x10000;
  thread_local TDecodeBuffer out;
  out.resize(kMostOutput);
  TScanHook hook{st, {}};
  const TWalk w = Walk(rom.subspan(pos), out.data(), kMostOutput, hook);
  if (w.stop != TStop::kEnd || w.pos < std::max<std::uint32_t>(minSize, 1) || w.pos % 16 != 0) {
    return std::nullopt;
  }
  st.comprSize = static_cast<std::uint32_t>(w.end);
  // Facts an encoder's stream meets and chance bytes seldom do: the bits after the end code
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
  return TScanHit{pos, kSchemeKoei, static_cast<std::uint32_t>(w.pos),
                  static_cast<std::uint32_t>(w.end), 0};
}

}  // namespace tegulo
