// "LC_LZ14": decoder, extent walk, shortest-stream compressor and scan checker.
#include <algorithm>
#include <string>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "base/stream_view.h"
#include "base/uCommon.h"
#include "compress/flag/flag_writer.h"
#include "compress/flag/lc_lz14.h"
#include "compress/search/optimal_parse.h"

namespace tegulo {
namespace {

using lclz14::kMaxDistance;
using lclz14::kMaxLength;
using lclz14::kMaxSize;
using lclz14::kMinLength;
// How far before the output the encoders' copies reach: their zeros stand before the data.
constexpr std::size_t kZeroReach = kMaxLength;

enum class TStop : std::uint8_t { kSize, kTruncated, kInvalid, kFull };

struct TWalk {
  std::size_t in = 2;
  std::size_t pos = 0;
  TStop stop = TStop::kSize;
  unsigned flagsLeft = 0;  // flag bits after the last token
  unsigned flags = 0;
};

// Told of every token; returning false stops the walk as invalid.
struct TNoHook {
  static bool Literal(std::size_t /*pos*/, std::uint8_t /*v*/) { return true; }
  static bool Copy(std::size_t /*pos*/, std::size_t /*len*/, std::size_t /*dist*/) { return true; }
};

// One copy token at the stream position; false where the walk stops (w.stop says why).
template <class Hook>
bool Copy(std::span<const std::uint8_t> s, std::uint8_t* out, std::size_t size, std::size_t limit,
          Hook& hook, TWalk& w) {
  if (w.in + 2 > s.size()) {
    w.in = s.size();
    w.stop = TStop::kTruncated;
    return false;
  }
  const unsigned word = s[w.in] | s[w.in + 1] << 8;
  w.in += 2;
  const std::size_t dist = word >> 4;
  const std::size_t len = (word & 15u) + kMinLength;
  if (dist == 0 || !hook.Copy(w.pos, len, dist)) {
    w.stop = TStop::kInvalid;
    return false;
  }
  const std::size_t target = std::min(w.pos + len, size);
  const std::size_t end = std::min(target, limit);
  // The zeros before the output first, then plain bytes.
  for (; w.pos < std::min(end, dist); ++w.pos) out[w.pos] = 0;
  for (; w.pos < end; ++w.pos) out[w.pos] = out[w.pos - dist];
  if (end < target) w.stop = TStop::kFull;
  return end == target;
}

// Decodes into out[0..limit) (limit <= out.size()); the size is the header's.
template <class Hook>
TWalk Walk(std::span<const std::uint8_t> s, std::uint8_t* out, std::size_t size, std::size_t limit,
           Hook& hook) {
  TWalk w;
  w.in = std::min<std::size_t>(2, s.size());
  if (s.size() < 2) {
    w.stop = TStop::kTruncated;
    return w;
  }
  while (w.pos < size) {
    if (w.flagsLeft == 0) {
      if (w.in >= s.size()) return w.stop = TStop::kTruncated, w;
      w.flags = s[w.in++];
      w.flagsLeft = 8;
    }
    const bool literal = (w.flags & 1u) != 0;
    w.flags >>= 1;
    --w.flagsLeft;
    if (!literal) {
      if (!Copy(s, out, size, limit, hook, w)) return w;
      continue;
    }
    if (w.in >= s.size()) return w.stop = TStop::kTruncated, w;
    if (w.pos >= limit) return w.stop = TStop::kFull, w;
    if (!hook.Literal(w.pos, s[w.in])) return w.stop = TStop::kInvalid, w;
    out[w.pos++] = s[w.in++];
  }
  return w;
}

}  // namespace

std::uint32_t DecompressLCLZ14(std::span<const std::uint8_t> stream, TDecodeBuffer& output,
                               bool* notValid) {
  const std::size_t size = ReadLePadded(stream, 0, 2);
  TNoHook hook;
  const TWalk w = Walk(stream, output.data(), size, std::min(size, output.size()), hook);
  *notValid = w.stop == TStop::kInvalid;
  return static_cast<std::uint32_t>(w.in);
}

std::size_t StreamExtentLCLZ14(std::span<const std::uint8_t> stream) {
  // No stream writes more than its 16-bit size: a buffer of that size reads what the working
  // buffer does.
  thread_local TDecodeBuffer out(kMaxSize);
  bool notValid = false;
  return DecompressLCLZ14(stream, out, &notValid);
}

std::vector<std::uint8_t> CompressLCLZ14(std::span<const std::uint8_t> data,
                                         const TCompressOptions& /*options*/) {
  if (data.size() > kMaxSize) {
    throw TError("LC_LZ14 holds at most " + std::to_string(kMaxSize) + " bytes; the data are " +
                 std::to_string(data.size()) + " bytes");
  }
  // The zeros the decoder gives before the output, as sources: no copy is longer than them.
  std::vector<std::uint8_t> text(kZeroReach + data.size(), 0);
  std::copy(data.begin(), data.end(), text.begin() + kZeroReach);
  const std::vector<TParseToken> tokens =
      ShortestParse(text, {1, kMaxDistance, kMaxLength}, kZeroReach);
  std::vector<std::uint8_t> out;
  out.reserve(2 + data.size() * 9 / 8 + 1);
  PutLe16(out, data.size());
  TFlagBytes flags(out, false);
  std::size_t pos = 0;
  for (const TParseToken& t : tokens) {
    flags.Token(t.length == 0);
    if (t.length == 0) {
      out.push_back(data[pos++]);
      continue;
    }
    PutLe16(out, t.distance << 4 | (t.length - kMinLength));
    pos += t.length;
  }
  return out;
}

namespace {

struct TScanHook {
  TStreamStats& st;
  std::size_t size;
  const std::uint8_t* out;  // the output written so far
  TLiteralRun run;
  std::size_t firstDistance = 0;  // of the first copy
  // Whether a copy writes a byte other than zero read from the output: an encoder's copy of
  // its own data. Chance readings of few tokens lie in zero-rich tables, whose copies read
  // the zeros before the output or zeros written.
  bool ownCopy = false;
  // Literals in a row, each the byte two before: from the fourth on, one copy from two back
  // writes them for 2 stream bytes less than the literals, and every parse that looks for
  // copies takes it. Rows of alternating bytes in tiles (00 FF 00 FF) read so.
  std::size_t pairedLiterals = 0;
  static constexpr std::size_t kMostPairedLiterals = 3;
  bool Literal(std::size_t pos, std::uint8_t v) {
    // Literals are not marked for the score: an exact shortest parse leaves literals where a
    // three-byte copy would also fit (a copy further on gains more), which the score takes
    // for a chance stream's.
    ++st.literals;
    pairedLiterals = pos >= 2 && out[pos - 2] == v ? pairedLiterals + 1 : 0;
    if (pairedLiterals == kMostPairedLiterals + 1) ++st.wastefulTokens;
    return run.Add(v);
  }
  bool Copy(std::size_t pos, std::size_t len, std::size_t dist) {
    run.Break();
    pairedLiterals = 0;
    ++st.references;
    st.referenceBytes += static_cast<std::uint32_t>(len);
    if (firstDistance == 0) firstDistance = dist;
    // The copy repeats its source bytes inside the output, the ring's zeros aside.
    const std::size_t from = dist < pos ? pos - dist : 0;
    const std::size_t to = dist < pos + len ? std::min(pos, pos + len - dist) : 0;
    ownCopy = ownCopy || std::any_of(out + from, out + std::max(from, to),
                                     [](std::uint8_t b) { return b != 0; });
    // The zeros before the output that the copy reads: an encoder reads them only where the
    // data start with zeros, chance streams in tables of small numbers read little else.
    if (dist > pos) st.zeroRingBytes += static_cast<std::uint32_t>(std::min(len, dist - pos));
    return dist <= pos + kZeroReach && pos + len <= size;
  }
};

}  // namespace

std::optional<TScanHit> CheckLCLZ14Hit(std::span<const std::uint8_t> rom, std::size_t pos,
                                       std::uint32_t minSize, TStreamStats* stats) {
  TStreamStats local;
  TStreamStats& st = FreshStats(stats, local);
  if (pos >= rom.size() || rom.size() - pos < 3) return std::nullopt;
  const auto s = rom.subspan(pos);
  const std::size_t size = s[0] | s[1] << 8;
  if (size == 0 || size < minSize || size % 16 != 0) return std::nullopt;
  thread_local TDecodeBuffer out;
  out.resize(kMaxSize);
  TScanHook hook{st, size, out.data(), {}};
  const TWalk w = Walk(s, out.data(), size, size, hook);
  // Encoders leave the flags after the last token 0.
  if (w.stop != TStop::kSize || w.flags != 0) return std::nullopt;
  st.comprSize = static_cast<std::uint32_t>(w.in);
  // The size reached by the last token and the flags after it 0 (both asked above) are facts
  // chance bytes seldom meet, once there are enough tokens to tell.
  HoldToFacts(st, st.literals + st.references, {out.data(), size});
  // Blank tiles: every source within a run of one value gives its bytes, and an encoder's
  // first copy of the run takes the nearest; chance words of a table read from anywhere.
  const bool blank = std::all_of(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(size),
                                 [&](std::uint8_t b) { return b == out[0]; });
  if (blank && hook.firstDistance == 1) st.factsMinOutput = kStrictFactsMinOutput;
  // Four tokens or more, one a copy of the stream's own bytes other than zero, and more than
  // one value written: of the few-token readings of chance bytes in the scan bench's ROMs (8
  // seeds, 156) one has such a copy, of its tiny planted streams every one.
  constexpr std::uint32_t kOwnCopyTokens = kFactsTokens / 2;
  if (hook.ownCopy && !blank && st.literals + st.references >= kOwnCopyTokens) {
    st.factsMinOutput = kStrictFactsMinOutput;
  }
  return TScanHit{pos, kSchemeLCLZ14, static_cast<std::uint32_t>(size),
                  static_cast<std::uint32_t>(w.in), 0};
}

namespace {

// The size as CheckLCLZ14Hit refuses it, then the copies of the first group as far as the
// output goes (bytes past the ROM are left to the checker).
bool LCLZ14Maybe(std::span<const std::uint8_t> rom, std::size_t pos, std::uint32_t minSize) {
  const std::size_t n = rom.size() - pos;
  if (n < 3) return false;
  const std::uint8_t* s = rom.data() + pos;
  const std::size_t size = s[0] | s[1] << 8;
  if (size == 0 || size < minSize || size % 16 != 0) return false;
  unsigned flags = s[2];
  std::size_t in = 3;
  std::size_t out = 0;
  for (int token = 0; token < 8 && out < size; ++token, flags >>= 1U) {
    if ((flags & 1U) != 0) {  // a literal
      ++in;
      ++out;
      continue;
    }
    if (in + 2 > n) return true;
    const unsigned word = s[in] | s[in + 1] << 8;
    const std::size_t dist = word >> 4;
    const std::size_t len = (word & 15U) + kMinLength;
    if (dist == 0 || dist > out + kZeroReach || out + len > size) return false;
    in += 2;
    out += len;
  }
  return true;
}

// LCLZ14Maybe's first refusal, where 3 bytes or more lie from `s` to the ROM's end: a size of
// 0 or one that is no multiple of 16.
unsigned LCLZ14Gate(const std::uint8_t* s) {
  return (s[0] & 15U) == 0 && (s[0] | s[1]) != 0 ? 1U : 0U;
}

}  // namespace

namespace detail {

std::uint64_t LCLZ14GatesPlain(std::span<const std::uint8_t> rom, std::size_t pos) {
  return GateBlock(pos, [&](std::size_t p) { return LCLZ14Gate(rom.data() + p); });
}

std::uint64_t LCLZ14Gates(std::span<const std::uint8_t> rom, std::size_t pos) {
#ifdef __SSE2__
  const std::uint8_t* s = rom.data() + pos;
  const __m128i zero = _mm_setzero_si128();
  std::uint64_t bits = 0;
  for (std::size_t k = 0; k < 64; k += 16) {
    const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + k));
    const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + k + 1));
    const __m128i whole = _mm_cmpeq_epi8(_mm_and_si128(low, _mm_set1_epi8(15)), zero);
    const __m128i none = _mm_cmpeq_epi8(_mm_or_si128(low, high), zero);
    const auto lanes = static_cast<unsigned>(_mm_movemask_epi8(_mm_andnot_si128(none, whole)));
    bits |= std::uint64_t{lanes} << k;
  }
  return bits;
#else
  return LCLZ14GatesPlain(rom, pos);
#endif
}

}  // namespace detail

std::size_t SkipLCLZ14(std::span<const std::uint8_t> rom, std::size_t pos, std::size_t end,
                       std::size_t align, const TSkipFacts& facts) {
  constexpr std::size_t kReach = 2 + 1 + 8 * 2;  // the size, a flag byte, eight copies
  return SkipGatedInRuns<kReach, kReach>(
      rom, pos, end, align, [&](std::size_t p) { return detail::LCLZ14Gates(rom, p); },
      [&](std::size_t p) { return LCLZ14Maybe(rom, p, facts.minSize); });
}

}  // namespace tegulo
