// "LC_LZ17" in the scan: the checker and its figures, and the quick pass with its gate over
// the first flag word and the first copy.
#include <algorithm>
#include <bit>
#include <optional>
#include <span>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "base/uCommon.h"
#include "compress/mixed/lc_lz17.h"
#include "compress/mixed/lc_lz17_walk.h"

namespace tegulo {

using namespace lclz17::walk;

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
