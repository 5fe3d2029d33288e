// "Koei" in the scan: the checker and the copies an encoder would not write, and the quick
// pass with its gate over the first flag byte and the first copy's codes.
#include <algorithm>
#include <bit>
#include <optional>
#include <span>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "base/uCommon.h"
#include "compress/mixed/koei.h"
#include "compress/mixed/koei_walk.h"

namespace tegulo {

using namespace koei::walk;

namespace {

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
  if (total <= koei::kMaxLength) return true;
  const unsigned cheapest = CodeBitsOfLength(koei::kMaxLength) +
                            CodeBitsOfLength(std::max<std::size_t>(2, total - koei::kMaxLength));
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
  TScanHook hook{st, {}};
  const TWalk w = Walk<false>(rom.subspan(pos), nullptr, kMostOutput, hook);
  // The walk reads nothing but the stream's bytes: a refusal is decided by those it read, or
  // by the end of the ROM where it ran out. The scan hands it on to candidates that repeat them.
  st.readEnd = w.stop == TStop::kTruncated ? kReadToEnd : w.end;
  if (w.stop != TStop::kEnd || w.pos < std::max<std::uint32_t>(minSize, 1) || w.pos % 16 != 0) {
    return std::nullopt;
  }
  st.comprSize = static_cast<std::uint32_t>(w.end);
  // Facts an encoder's stream meets and chance bytes seldom do: the bits after the end code
  // left 0. They decide however few the tokens and whatever the output holds: chance bytes
  // that reach an end code in step, each copy reading written output, are rare even in short
  // streams, and blank tiles (a literal and copies of it) are streams encoders write.
  st.unusedFlagsZero = w.restZero;
  st.factsMinOutput = kStrictFactsMinOutput;
  return TScanHit{pos, kSchemeKoei, static_cast<std::uint32_t>(w.pos),
                  static_cast<std::uint32_t>(w.end), 0};
}

namespace {

// Whether the checker may pass a stream at `s` (n bytes left, 3 or more): the leading literals
// (at least one: a first copy reads before the output), then the first copy. That copy, at
// output 15 or less, must come from no further back than the literals; the end code there
// ends too short an output. Its codes lie in the first code word and the next one, whose
// place the first took right after the literals.
bool KoeiMaybe(const std::uint8_t* s, std::size_t n) {
  if (n < 12) return true;
  // Up to two flag bytes of literals: one at 2, its literals from 3, the next at 11.
  auto literals = static_cast<unsigned>(std::countl_one(s[2]));
  if (literals == 0) return false;
  if (literals == 8) literals += static_cast<unsigned>(std::countl_one(s[11]));
  const auto literalAt = [](unsigned k) { return k < 8 ? 3 + k : 4 + k; };
  const unsigned next = literalAt(literals);  // the place the second code word takes
  if (next + 2 > n) return true;
  TLiteralRun run;
  for (unsigned k = 0; k < literals; ++k) {
    if (!run.Add(s[literalAt(k)])) return false;
  }
  if (literals == 16) return true;
  // The code bits from the top: a length code (14 bits at most), then the distance code.
  const std::uint32_t code =
      static_cast<std::uint32_t>(s[0] | s[1] << 8) << 16 | s[next] | s[next + 1] << 8;
  const auto zeros = static_cast<unsigned>(std::countl_zero(code));
  unsigned used = zeros >= 7 ? 14 : 2 * zeros + 1;  // the length code's bits
  if (zeros >= 7 && ((code >> 18) & 0x7FU) == koei::kEndCode) return false;
  const auto bits = [&](unsigned count) {
    const unsigned v = (code >> (32 - used - count)) & ((1U << count) - 1);
    used += count;
    return v;
  };
  // A distance of 17 or more starts with a 3-bit group other than 000.
  if (bits(3) != 0) return false;
  if (bits(1) == 0) return 1 + bits(2) <= literals;  // 1..4
  const unsigned wide = bits(1);                     // 5..8 from 2 bits, 9..16 from 3
  return (wide == 0 ? 5 : 9) + bits(2 + wide) <= literals;
}

// KoeiMaybe's first refusals, where the first 21 bytes lie in the ROM: the first flag must
// announce a literal, and (unless two flag bytes of literals come first, which KoeiMaybe passes
// on that alone) the first copy's distance code must start as one of 16 or less. Where the
// length code takes 5 bits or fewer the 3 bits after it lie in the top byte of the first code
// word, the stream's second byte v: 1000xxxx, 01x000xx and 001xx000 leave them 0, and 000xxxxx
// leaves them to KoeiMaybe.
unsigned KoeiGate(const std::uint8_t* s) {
  const unsigned v = s[1];
  const unsigned flags = s[2];
  const bool shortDistance =
      (v & 0xF0U) == 0x80U || (v & 0xDCU) == 0x40U || (v & 0xE7U) == 0x20U || (v & 0xE0U) == 0;
  return (flags >> 7U) & (shortDistance || flags == 0xFFU ? 1U : 0U);
}

}  // namespace

namespace detail {

std::uint64_t KoeiGatesPlain(std::span<const std::uint8_t> rom, std::size_t pos) {
  return GateBlock(pos, [&](std::size_t p) { return KoeiGate(rom.data() + p); });
}

std::uint64_t KoeiGates(std::span<const std::uint8_t> rom, std::size_t pos) {
#ifdef __SSE2__
  const std::uint8_t* s = rom.data() + pos;
  const auto masked = [](__m128i v, int mask, int value) {
    return _mm_cmpeq_epi8(_mm_and_si128(v, _mm_set1_epi8(static_cast<char>(mask))),
                          _mm_set1_epi8(static_cast<char>(value)));
  };
  std::uint64_t bits = 0;
  for (std::size_t k = 0; k < 64; k += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + k + 1));
    const __m128i flags = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + k + 2));
    const __m128i shortDistance =
        _mm_or_si128(_mm_or_si128(masked(v, 0xF0, 0x80), masked(v, 0xDC, 0x40)),
                     _mm_or_si128(masked(v, 0xE7, 0x20), masked(v, 0xE0, 0)));
    const __m128i may = _mm_or_si128(shortDistance, _mm_cmpeq_epi8(flags, _mm_set1_epi8(-1)));
    const auto lanes = static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(flags, may)));
    bits |= std::uint64_t{lanes} << k;
  }
  return bits;
#else
  return KoeiGatesPlain(rom, pos);
#endif
}

}  // namespace detail

std::size_t SkipKoei(std::span<const std::uint8_t> rom, std::size_t pos, std::size_t end,
                     std::size_t align, const TSkipFacts& /*facts*/) {
  constexpr std::size_t kReach = 2 + 2 * 9 + 2;  // code word, flag bytes, literals, code word
  constexpr std::size_t kGateReach = 21;         // KoeiMaybe refuses by its bytes alone from here
  return SkipGatedInRuns<kReach, kGateReach>(
      rom, pos, end, align, [&](std::size_t p) { return detail::KoeiGates(rom, p); },
      [&](std::size_t p) {
        return rom.size() - p >= 3 && KoeiMaybe(rom.data() + p, rom.size() - p);
      });
}

}  // namespace tegulo
