// What a scheme's scan checker returns: the hit and the figures of its decoding, which the
// scan scores. The checkers live beside their schemes; the scan (scan/) runs them.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>

namespace tegulo {

struct TScanHit {
  std::size_t address = 0;      // the stream's first byte
  int scheme = 0;               // row in Compressions, 1..kCompressionCount-1
  std::uint32_t rawSize = 0;    // LZ77-10, FF5: the announced size; FF6, CT: the bytes written
  std::uint32_t comprSize = 0;  // the stream bytes a decode reads, header and end included
  int score = 0;                // 0..100: how much the stream looks like packed tile data
  bool operator==(const TScanHit&) const = default;
};

inline constexpr std::size_t kScoreSampleSize = 16384;

// Output from which the facts of a stream decide its score (ScoreStream): none for the
// schemes whose checkers do not check them; the scan's smallest size for the checkers of
// LZ77-10, FF5, FF6 and CT, which check every literal run, ring reference and the exact end.
inline constexpr std::uint32_t kNoFacts = UINT32_MAX;
inline constexpr std::uint32_t kStrictFactsMinOutput = 32;  // the scan's default smallest size
inline constexpr std::size_t kReadToEnd = SIZE_MAX;

// What decoding a candidate showed, the input of the score.
struct TStreamStats {
  std::uint32_t literals = 0;
  std::uint32_t references = 0;
  std::uint32_t referenceBytes = 0;      // output written by back-references
  std::uint32_t zeroRingReferences = 0;  // FF5, FF6: references reading the ring before output
  std::uint32_t zeroRingBytes = 0;       // and the bytes they write
  std::uint32_t strayZeroRing = 0;  // of those, the ones whose index lies far from the output start
  std::uint32_t comprSize = 0;      // the stream's length
  std::uint32_t tableBytes = 0;     // Huffman: the tree table, which an encoder spends apart
  std::uint32_t wastefulTokens = 0;  // FF5, FF6: set by the scorer (CountWastefulTokens)
  bool endExact = true;   // the stream's last token ends the output (and, FF6, the input) exactly
  bool zeroRing = false;  // FF5, FF6: zeros lie before the output
  bool unusedFlagsZero = true;  // LZ77-10: the flags after the last token are 0
  bool lastFlagsZero = true;    // FF5, FF6: the same, not a fact of the score (see ScanStreams)
  bool endsMidGroup = false;    // FF5, FF6: the last token is not its group's eighth
  bool enoughTokens = true;     // command formats: enough commands to tell from chance bytes
  // Set by the caller, kept by the checker: a stream that misses a fact of ScoreStream may be
  // refused as soon as that shows (its score could not reach kDefaultMinScore).
  bool factsOnly = false;
  std::uint32_t factsMinOutput = kNoFacts;  // set by the checker (see ScoreStream)
  // Set by a checker whose outcome depends on nothing but the candidate's bytes: those from
  // its first byte up to readEnd decided it (kReadToEnd: the end of the ROM took part, and a
  // candidate that reads the same bytes nearer the end meets the same fate). 0: not told.
  // The scan hands a refusal on to the candidates whose bytes repeat these (scan_repeat.h).
  std::size_t readEnd = 0;
  // When set, kScoreSampleSize bytes, all 0; the checker sets the byte of each literal's output
  // position and marksEnd past the last one it set, so that the caller clears only those.
  std::uint8_t* literalMarks = nullptr;
  std::uint32_t marksEnd = 0;
  void MarkLiteral(std::uint32_t out) {
    if (literalMarks != nullptr && out < kScoreSampleSize) {
      literalMarks[out] = 1;
      marksEnd = std::max(marksEnd, out + 1);
    }
  }
};

// Whether the facts decide the score of a stream of `tokens` tokens (or commands) that wrote
// `output`: only with enough tokens to tell it from chance bytes, and an output of more than
// one value (blank tiles, or chance copies of the zeros before the output, tell an encoder's
// stream from chance bytes no better); else its content decides. Sets factsMinOutput so.
inline constexpr std::uint32_t kFactsTokens = 8;
inline void HoldToFacts(TStreamStats& st, std::uint32_t tokens,
                        std::span<const std::uint8_t> output) {
  const bool oneValue = std::all_of(output.begin(), output.end(),
                                    [&](std::uint8_t b) { return b == output.front(); });
  if (tokens >= kFactsTokens && !oneValue) st.factsMinOutput = kStrictFactsMinOutput;
}

// No encoder writes this many literals of one byte value in a row: from the third on, a
// back-reference to the byte before is shorter, and one without distance 1 copies two bytes
// back once three or more follow (a run of four is the longest it leaves). Fillers of one
// value read as such literals under every scheme; a candidate that has them is refused.
inline constexpr std::uint32_t kMaxEqualLiterals = 5;

// Counts the literals of one value in a row; a reference ends the row.
struct TLiteralRun {
  std::uint32_t length = 0;
  unsigned value = 0x100;
  // False once the row reaches kMaxEqualLiterals.
  bool Add(unsigned byte) {
    length = byte == value ? length + 1 : 1;
    value = byte;
    return length < kMaxEqualLiterals;
  }
  void Break() { length = 0; }
};

// What a scan's quick pass over positions (TScanSkip) knows of the scan.
struct TSkipFacts {
  std::uint32_t minSize = 0;  // the smallest raw size reported
  bool factsOnly = false;     // as TStreamStats::factsOnly
};

// A checker's quick pass: from `pos`, a multiple of `align`, the first of pos, pos + align,
// ... that the checker might pass, or the first of them at or past `end` when none before it
// may. Every position passed over is one the checker refuses (with `facts`), so a scan gives
// the same hits with it as without it; it only spares the checker's setup at positions whose
// first bytes already break a rule. Reads only rom's bytes.
using TScanSkip = std::size_t (*)(std::span<const std::uint8_t> rom, std::size_t pos,
                                  std::size_t end, std::size_t align, const TSkipFacts& facts);

// The loop of a quick pass around a test of one position (`Maybe(pos)`).
template <class F>
std::size_t SkipWhileRefused(std::size_t pos, std::size_t end, std::size_t align, F&& maybe) {
  while (pos < end && !maybe(pos)) pos += align;
  return pos;
}

// Where the run of rom[p]'s value that holds p ends: `runEnd` itself where it lies past p (the
// run it ends was measured from a position before p), else measured from p.
inline std::size_t RunEndFrom(std::span<const std::uint8_t> rom, std::size_t p,
                              std::size_t runEnd) {
  if (runEnd > p) return runEnd;
  runEnd = p + 1;
  while (runEnd < rom.size() && rom[runEnd] == rom[p]) ++runEnd;
  return runEnd;
}

// SkipWhileRefused for a test that reads at most kReach bytes from the position (and refuses
// alike wherever they lie, the end of the ROM but nearer): in a run of one byte value the
// positions whose bytes lie inside it are passed over together.
template <std::size_t kReach, class F>
std::size_t SkipWhileRefusedInRuns(std::span<const std::uint8_t> rom, std::size_t pos,
                                   std::size_t end, std::size_t align, F&& maybe) {
  std::size_t runEnd = 0;  // rom[pos, runEnd) holds one value, once measured from pos
  while (pos < end) {
    if (maybe(pos)) return pos;
    runEnd = RunEndFrom(rom, pos, runEnd);
    const std::size_t next = pos + align;
    pos = runEnd - pos >= kReach + align ? pos + (runEnd - kReach - pos) / align * align + align
                                         : next;
  }
  return pos;
}

// SkipWhileRefusedInRuns behind a gate: `gates(p)` tells for each of p .. p + 63 (bit k for p + k)
// whether `maybe` may pass it, with a test of a few bytes and no branch; it is false only where
// `maybe` is, at every position with kGateReach bytes or more from it to the ROM's end, and
// may read up to kGateReach - 1 bytes past p + 63. `maybe` is asked only where the gate holds,
// so that chance bytes cost a few instructions a position and no missed branch; the last
// positions, and an alignment that does not divide 64, go the plain way.
template <std::size_t kReach, std::size_t kGateReach, class G, class F>
std::size_t SkipGatedInRuns(std::span<const std::uint8_t> rom, std::size_t pos, std::size_t end,
                            std::size_t align, G&& gates, F&& maybe) {
  constexpr std::size_t kBlock = 64;
  const std::size_t gated = rom.size() >= kGateReach + kBlock ? rom.size() - kGateReach : 0;
  std::size_t blockEnd = std::min(end, gated + 1);  // the blocks lie below both
  if (align == 0 || align > kBlock || kBlock % align != 0) blockEnd = 0;
  // The positions of a block at the alignment: every align-th bit (a quick pass is asked once
  // a candidate, so this is reckoned without a loop).
  const std::uint64_t aligned =
      blockEnd == 0 || align == kBlock ? 1 : ~std::uint64_t{0} / ((std::uint64_t{1} << align) - 1);
  std::size_t runEnd = 0;  // rom[p, runEnd) holds one value, once measured from a refused p
  while (pos + kBlock <= blockEnd) {
    std::uint64_t bits = gates(pos) & aligned;
    std::size_t next = pos + kBlock;
    if (bits == 0) {
      // pos refused: in a filler the positions whose reach lies inside it are refused alike.
      runEnd = RunEndFrom(rom, pos, runEnd);
      if (runEnd - pos >= kReach + align + kBlock) {
        next = pos + (runEnd - kReach - pos) / align * align + align;
      }
    }
    while (bits != 0) {
      const std::size_t p = pos + static_cast<std::size_t>(std::countr_zero(bits));
      if (maybe(p)) return p;
      bits &= bits - 1;
      runEnd = RunEndFrom(rom, p, runEnd);
      if (runEnd - p < kReach + align) continue;
      // The positions whose reach lies inside the run are refused alike.
      const std::size_t after = p + (runEnd - kReach - p) / align * align + align;
      if (after >= pos + kBlock) {
        next = after;
        break;
      }
      bits &= ~std::uint64_t{0} << (after - pos);
    }
    pos = next;
  }
  return SkipWhileRefusedInRuns<kReach>(rom, pos, end, align, maybe);
}

// The gates of 64 positions from a test of one position (`gate(p)`, 0 or 1), for
// SkipGatedInRuns.
template <class G>
std::uint64_t GateBlock(std::size_t pos, G&& gate) {
  std::uint64_t bits = 0;
  for (std::size_t k = 0; k < 64; ++k) bits |= std::uint64_t{gate(pos + k)} << k;
  return bits;
}

// For the checkers: resets `stats` (or a local) keeping its literal marks.
TStreamStats& FreshStats(TStreamStats* stats, TStreamStats& local);

}  // namespace tegulo
