// Finding compressed streams of every scheme with a scan checker in a ROM image, each hit with
// a score.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "compress/scan/lz10_scan.h"
#include "compress/shared/stream_check.h"
#include "compress/uCompress.h"

namespace tegulo {

// Schemes are named by their row in Compressions. The scannable ones are the rows of the
// scheme table with a checker, in row order; a scan of "all" takes those whose checker has
// rules that chance bytes break (the others are scanned by name, the score deciding).
std::vector<int> ScannableSchemes();
std::vector<int> SchemesOfScanAll();

// Scores below this are, on random bytes and on uncompressed tile data, almost all chance.
inline constexpr int kDefaultMinScore = 80;

static_assert(kStrictFactsMinOutput == kDefaultScanMinSize);

// FF5, FF6: literals in a row that each equal the literal two before (a, b, a, b, a) before
// the checker refuses the candidate, unless a lazy encoder's longer reference ends them; see
// TTwoPeriodRun.
inline constexpr std::uint32_t kMaxTwoPeriodRepeats = 3;

// The plausibility check of one scheme at `pos`, without a score. The header must be whole
// and its sizes at least minSize (the raw size) and, where it states one, the stream's length
// must lie inside the ROM; decoding must read nothing past the ROM and follow the scheme's
// rules:
//  - every scheme: fewer than kMaxEqualLiterals literals of one value in a row;
//  - LZ77-10: as CheckLZ10Stream;
//  - FF5, FF6: at most kMaxZeroRingReferences references read the zero ring before the
//    first output byte (an encoder takes a zero run from there only now and then, chance
//    data does it at almost every reference); fewer than kMaxTwoPeriodRepeats literals in a
//    row equal to the one two before, unless a reference longer than a lazy encoder's chain of
//    deferred literals ends them (TTwoPeriodRun); three references in a row that copy the same
//    bytes again count as wasteful tokens (refused when factsOnly is set);
//  - CT: every record is met at a control-byte boundary and the stream ends with its end record; no
//  back-reference
//    reaches before the output start or has distance 0; at most 1 MiB of output.
// Returns the hit with score 0 and the decoding's figures, or nothing. The scheme table's
// scan checkers (scheme_formats.h) are the four functions after it; CheckStream runs the
// one of `scheme`'s row and returns nothing for a row without one.
inline constexpr std::uint32_t kMaxZeroRingReferences = 9;
// How far before the output's start in the ring (index ff::kRingStart) an encoder's reference
// to the ring's zeros begins.
inline constexpr std::size_t kZeroRingReach = 128;
std::optional<TScanHit> CheckStream(std::span<const std::uint8_t> rom, std::size_t pos, int scheme,
                                    std::uint32_t minSize, TStreamStats* stats = nullptr);
std::optional<TScanHit> CheckLZ10Hit(std::span<const std::uint8_t> rom, std::size_t pos,
                                     std::uint32_t minSize, TStreamStats* stats);
std::optional<TScanHit> CheckFF5Hit(std::span<const std::uint8_t> rom, std::size_t pos,
                                    std::uint32_t minSize, TStreamStats* stats);
std::optional<TScanHit> CheckFF6Hit(std::span<const std::uint8_t> rom, std::size_t pos,
                                    std::uint32_t minSize, TStreamStats* stats);
std::optional<TScanHit> CheckCTHit(std::span<const std::uint8_t> rom, std::size_t pos,
                                   std::uint32_t minSize, TStreamStats* stats);
// Their quick passes (TScanSkip): FF5 and FF6 pass over a header out of bounds and, with
// factsOnly, a first group with a reference that neither reaches inside the output nor reads
// the ring's zeros within kZeroRingReach before it; CT over a first record past the end, and
// a first group with a reference before the output or one that passes the first record.
std::size_t SkipFF5(std::span<const std::uint8_t> rom, std::size_t pos, std::size_t end,
                    std::size_t align, const TSkipFacts& facts);
std::size_t SkipFF6(std::span<const std::uint8_t> rom, std::size_t pos, std::size_t end,
                    std::size_t align, const TSkipFacts& facts);
std::size_t SkipCT(std::span<const std::uint8_t> rom, std::size_t pos, std::size_t end,
                   std::size_t align, const TSkipFacts& facts);

// 0..100 from the decoding figures and the output (the first bytes of it at least): how much
// the stream shrinks its data, the share of back-references and of bytes taken from the zero
// ring, whether the last token ends the output (FF6: the stated length) exactly, the size,
// and whether the output looks like tile data (a few byte values, neither all zero nor noise,
// bytes repeating at tile-row and tile strides), and whether literals stand where a
// back-reference would have done (an encoder avoids that).
int ContentScore(const TStreamStats& stats, std::span<const std::uint8_t> output);

// The score of a hit. Where the checker set factsMinOutput, facts that chance data almost
// never meets decide: the last token ends the output (FF6: the stated length) exactly, the
// flags after it are 0 (LZ77-10), the stream is no longer than an encoder could make it
// (9 bits a byte, plus headers and a Huffman tree), and (FF5, FF6) no token is one an encoder never
// writes (CountWastefulTokens), every reference to the ring's zeros starts within kZeroRingReach
// before the output's start and those zeros are at most half the output. A stream that meets them
// and writes at least factsMinOutput bytes scores kDefaultMinScore or more, whatever its output
// holds; ContentScore only raises it. One that misses any scores below kDefaultMinScore; one that
// meets them with less output, and any stream of the other schemes, scores its ContentScore.
bool MeetsFacts(const TStreamStats& stats);  // stats.comprSize set
int ScoreStream(const TStreamStats& stats, std::span<const std::uint8_t> output);

// CheckStream, then the score from the output of the scheme's decoder (at most the first
// kScoreSample bytes). A hit that cannot score `needed` may come with any score below it.
inline constexpr std::size_t kScoreSample = kScoreSampleSize;
std::optional<TScanHit> CheckAndScore(std::span<const std::uint8_t> rom, std::size_t pos,
                                      int scheme, std::uint32_t minSize, int needed = 0);

struct TScanOptions {
  std::uint32_t minSize = kDefaultScanMinSize;  // smallest raw size reported
  std::uint32_t align = kDefaultScanAlign;  // positions checked: multiples of this (0 counts as 1)
  int minScore = kDefaultMinScore;
  bool overlaps = false;  // keep hits that start inside a better hit
  // Below kDefaultMinScore every candidate the checker passes is scored; with this set, those
  // that miss the facts encoders keep are still refused unscored (a search that tries every
  // likely stream whatever its score, at the cost of a scan at the default).
  bool factsAlways = false;
  TScanProgress progress = nullptr;
  // When set, counts the candidates handed to a checker (LZ77-10's linear scan aside): the
  // work of a scan, for tests.
  std::size_t* checks = nullptr;
};

// Whether a hit's stream leaves the flags after its last token 0 (FF5, FF6; true for the
// others): where an FF5 and an FF6 reading of one run of literals start at one address, the
// one that ends where the encoder stopped.
bool EndsTidily(std::span<const std::uint8_t> rom, const TScanHit& hit);
// The same, and whether the last token leaves unused flags in its group (FF5, FF6).
struct TStreamEnd {
  bool tidy = true;
  bool midGroup = false;
};
TStreamEnd EndOf(std::span<const std::uint8_t> rom, const TScanHit& hit);

// The hits of the given schemes with at least minScore, ordered by address, then scheme.
// Unless `overlaps` is set, the positions inside a hit are not checked again for its scheme
// (as ScanLZ10 does; a command list's first commands that chance bytes make aside), and among
// overlapping hits one is kept: a command list that is a lead-in of chance bytes into another
// (IsCommandLeadIn) never, else one that meets the facts over one that does not, among those
// the first (at one address the one that ends tidily, then the longer), else the best score
// (the earlier on a tie). Progress counts positions over all
// schemes; a stop returns what was found so far. Time: linear in the ROM's size for each
// scheme (see ScanLZ10; the other schemes' checks give up early on chance data, and repeated
// bytes cost little), plus the scoring of the candidates that meet the facts.
std::vector<TScanHit> ScanStreams(std::span<const std::uint8_t> rom, std::span<const int> schemes,
                                  const TScanOptions& options);

}  // namespace tegulo
