// The quick passes of the FF5, FF6 and CT checkers (stream_scan.h): the first bytes of most
// positions already break a rule of the checker, told here in a few steps and no setup.
#include <bit>

#include "compress/ct/ct_layout.h"
#include "compress/flag/ff_layout.h"
#include "compress/scan/stream_scan.h"

namespace tegulo {
namespace {

// Whether a reference made at output `out` (below kRingSize - kZeroRingReach) reaches inside
// the output or the ring's zeros just before it: the sources the FF checker lets through when
// it refuses what misses the facts.
bool ReachesNearOutput(const ff::TReference& r, std::uint64_t out) {
  constexpr std::size_t kFrom = ff::kRingStart - kZeroRingReach;
  return ((r.index - kFrom) & ff::kRingMask) < kZeroRingReach + out;
}

// The header as CheckFF refuses it, then the first group as far as the stream goes on (its
// end and bytes past the ROM are left to the checker): no five equal literals in a row and,
// with factsOnly, no reference the checker refuses.
// The first reference of the first group alone, with few branches: most positions of any
// data fail there, and the literals before it are its output position.
// `h` the header (a valid one): the walk ends before a token once it is reached.
template <bool kFF6>
bool FFFirstReferenceMaybe(const std::uint8_t* s, std::size_t n, std::uint32_t h) {
  const unsigned literals = static_cast<unsigned>(std::countr_one(unsigned{s[ff::kHeaderSize]}));
  const std::size_t at = ff::kHeaderSize + 1 + literals;
  if (literals == 8 || at + 2 > n || (kFF6 ? at >= h : literals >= h)) return true;
  return ReachesNearOutput(ff::SplitReference<kFF6>(s[at], s[at + 1]), literals);
}

// The most bytes FFMaybe reads: the header, the flag byte and eight references.
constexpr std::size_t kFFReach = ff::kHeaderSize + 1 + 8 * 2;

template <bool kFF6>
bool FFMaybe(std::span<const std::uint8_t> rom, std::size_t pos, const TSkipFacts& facts) {
  const std::size_t n = rom.size() - pos;
  if (n < 3) return false;
  const std::uint8_t* s = rom.data() + pos;
  const std::uint32_t h = s[0] | static_cast<std::uint32_t>(s[1]) << 8;
  if (kFF6 ? (h <= ff::kHeaderSize || h > n) : (h < facts.minSize || h == 0)) return false;
  if (facts.factsOnly && !FFFirstReferenceMaybe<kFF6>(s, n, h)) return false;
  unsigned flags = s[ff::kHeaderSize];
  std::size_t in = ff::kHeaderSize + 1;
  std::uint64_t out = 0;
  TLiteralRun run;
  for (int token = 0; token < 8; ++token, flags >>= 1U) {
    if (kFF6 ? in >= h : out >= h) return true;
    if ((flags & 1U) != 0) {  // a literal
      if (in >= n) return true;
      if (!run.Add(s[in])) return false;
      ++in;
      ++out;
      continue;
    }
    if (in + 2 > n) return true;
    const ff::TReference r = ff::SplitReference<kFF6>(s[in], s[in + 1]);
    if (facts.factsOnly && !ReachesNearOutput(r, out)) return false;
    run.Break();
    in += 2;
    out += r.length;
  }
  return true;
}

// The first record as CheckCT refuses it, then the first group when no record comes first:
// its references must copy from inside the output, no five equal literals, and it must not
// pass the first record.
bool CTMaybe(std::span<const std::uint8_t> rom, std::size_t pos, std::uint32_t minSize) {
  const std::size_t n = rom.size() - pos;
  if (n < 3) return false;
  const std::uint8_t* s = rom.data() + pos;
  const std::size_t first = (s[0] | static_cast<std::size_t>(s[1]) << 8) + ct::kHeaderSize;
  if (first >= n) return false;
  const unsigned ctl = s[ct::kHeaderSize];
  // A record at once that ends the stream writes nothing.
  if (first == ct::kHeaderSize) return minSize == 0 || (ctl & ct::kCountMask) != 0;
  if (ctl == 0) return true;
  // The first reference, before the mode is read (the first record's byte may lie far off):
  // the low 11 bits of its distance, which both modes take, and those 12 that one may.
  const unsigned literals = static_cast<unsigned>(std::countr_zero(ctl));
  if (n >= literals + 5) {
    const unsigned bits = s[3 + literals] | static_cast<unsigned>(s[4 + literals]) << 8;
    if ((bits & ct::kMode11.distanceMask) > literals || (bits & ct::kMode12.distanceMask) == 0) {
      return false;
    }
  }
  const ct::TMode& mode = ct::ModeOfFirstRecord(s[first]);
  std::size_t in = ct::kHeaderSize + 1;
  std::uint64_t out = 0;
  TLiteralRun run;
  for (unsigned j = 0; j < ct::kDefaultCount; ++j) {
    if (((ctl >> j) & 1U) == 0) {
      if (in >= n) return true;
      if (!run.Add(s[in])) return false;
      ++in;
      ++out;
      continue;
    }
    if (n < in + 2) return true;
    const ct::TReference r =
        ct::SplitReference(s[in] | static_cast<unsigned>(s[in + 1]) << 8, mode);
    run.Break();
    if (r.distance == 0 || r.distance > out) return false;
    in += 2;
    out += r.length;
  }
  return in <= first;
}

}  // namespace

std::size_t SkipFF5(std::span<const std::uint8_t> rom, std::size_t pos, std::size_t end,
                    std::size_t align, const TSkipFacts& facts) {
  return SkipWhileRefusedInRuns<kFFReach>(
      rom, pos, end, align, [&](std::size_t p) { return FFMaybe<false>(rom, p, facts); });
}

std::size_t SkipFF6(std::span<const std::uint8_t> rom, std::size_t pos, std::size_t end,
                    std::size_t align, const TSkipFacts& facts) {
  return SkipWhileRefusedInRuns<kFFReach>(
      rom, pos, end, align, [&](std::size_t p) { return FFMaybe<true>(rom, p, facts); });
}

std::size_t SkipCT(std::span<const std::uint8_t> rom, std::size_t pos, std::size_t end,
                   std::size_t align, const TSkipFacts& facts) {
  return SkipWhileRefused(pos, end, align,
                          [&](std::size_t p) { return CTMaybe(rom, p, facts.minSize); });
}

}  // namespace tegulo
