// The scan over a whole ROM: each scheme's positions checked and scored (stream_checks.cpp,
// stream_score.cpp), then the overlaps settled by score.
#include "compress/scan/stream_scan.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "compress/bios/diff_walk.h"
#include "compress/scan/command_lead_in.h"
#include "compress/scan/filter_score.h"
#include "compress/scan/scan_repeat.h"
#include "compress/scheme_formats.h"
#include "compress/uCompress.h"

namespace tegulo {
namespace {

constexpr std::size_t kProgressStride = 1U << 16U;

bool ScoreIsEnough(const TScanHit& hit, const TScanOptions& options) {
  return hit.score >= options.minScore;
}

// The progress of one scheme's pass, as a share of all the passes.
struct TPassProgress {
  const TScanOptions& options;
  std::size_t base;
  std::size_t total;
  bool operator()(std::size_t done) const {
    return !options.progress || options.progress(base + done, total);
  }
};

// Whether a hit hides the positions inside it from the rest of its scheme's pass: only one
// that meets the facts does. A chance stream that scores lower, taken where the minimum score
// asked is lower, must not hide a real one that starts inside it; the overlaps are settled
// by score afterwards.
bool Hides(const TScanHit& hit) { return hit.score >= kDefaultMinScore; }

// The linear LZ77-10 scan, each stream scored as it is found. False when stopped.
bool ScanLZ10Pass(std::span<const std::uint8_t> rom, const TScanOptions& options,
                  const TPassProgress& report, std::vector<TScanHit>& hits) {
  TLZ10ScanOptions lz{options.minSize, options.align, options.overlaps, nullptr, nullptr};
  lz.refuseZeroRuns = true;  // the checker refuses five equal literals in a row
  bool stopped = false;
  lz.progress = [&](std::size_t done, std::size_t) {
    stopped = stopped || !report(done);
    return !stopped;
  };
  lz.accept = [&](const TLZ10Stream& s) {
    using TAccept = TLZ10ScanOptions::TAccept;
    auto hit = CheckAndScore(rom, s.address, kSchemeLZ10, options.minSize);
    if (!hit || !ScoreIsEnough(*hit, options)) return TAccept::kRefuse;
    hits.push_back(*hit);
    return Hides(*hit) ? TAccept::kTakeAndHide : TAccept::kTake;
  };
  ScanLZ10(rom, lz);
  return !stopped && (!options.progress || report(rom.size() - 1));
}

// Whether the checkers may refuse a candidate as soon as it misses a fact of the score.
bool FactsOnly(const TScanOptions& options) {
  return options.minScore >= kDefaultMinScore || options.factsAlways;
}

// The hit of `format`'s scheme at `pos`, or nothing; a refusal whose bytes the checker told
// is kept in `refusals`. Most positions fail the plain check in a few tokens; only survivors
// that meet the facts are scored (one that misses them scores below kDefaultMinScore).
std::optional<TScanHit> CheckPosition(std::span<const std::uint8_t> rom, std::size_t pos,
                                      const TSchemeFormat& format, const TScanOptions& options,
                                      TRefusals& refusals) {
  const bool factsOnly = FactsOnly(options);
  TStreamStats quick;
  quick.factsOnly = factsOnly;
  if (options.checks != nullptr) ++*options.checks;
  const auto candidate = format.check(rom, pos, options.minSize, &quick);
  if (!candidate) {
    if (quick.readEnd != 0) {
      refusals.Keep(pos, quick.readEnd == kReadToEnd ? TRefusals::kToEnd : pos + quick.readEnd);
    }
    return std::nullopt;
  }
  quick.comprSize = candidate->comprSize;
  if (factsOnly && quick.factsMinOutput != kNoFacts && !MeetsFacts(quick)) return std::nullopt;
  auto hit = CheckAndScore(rom, pos, format.row, options.minSize, options.minScore);
  if (!hit || !ScoreIsEnough(*hit, options)) return std::nullopt;
  return hit;
}

// Positions from `from` to `end` (not included) at multiples of `align`.
struct TPositions {
  std::size_t from;
  std::size_t end;
  std::size_t align;
};

// The first position of `span` from `pos` on that `start` accepts; span.end or past it when
// none. One type byte is looked for by memchr, which passes over fillers and noise at once.
std::size_t NextTypeByte(std::span<const std::uint8_t> rom, TPositions span, std::size_t pos,
                         const TScanStart& start) {
  if (start.count != 1) {
    while (pos < span.end && !start.Accepts(rom, pos)) pos += span.align;
    return pos;
  }
  while (pos < span.end) {
    const void* at = std::memchr(rom.data() + pos, start.types[0], span.end - pos);
    if (at == nullptr) return span.end;
    const auto found = static_cast<std::size_t>(static_cast<const std::uint8_t*>(at) - rom.data());
    pos += (found - pos + span.align - 1) / span.align * span.align;  // the next at the alignment
    if (pos != found) continue;
    if (start.Accepts(rom, pos)) return pos;
    pos += span.align;  // off the row's own alignment
  }
  return pos;
}

// The first of `span` that the row's start rule and quick pass let through and no refusal
// handed on refuses (scan_repeat.h); span.end or past it when none.
std::size_t NextCandidate(std::span<const std::uint8_t> rom, TPositions span,
                          const TSchemeFormat& format, const TSkipFacts& facts,
                          TRefusals& refusals) {
  std::size_t pos = span.from;
  while (pos < span.end) {
    if (format.scanStart.count != 0) {
      // A type byte refuses almost every position, for less than anything else.
      pos = NextTypeByte(rom, span, pos, format.scanStart);
      if (pos >= span.end) break;
    }
    // A refusal handed on costs less than the quick pass (fillers).
    if (refusals.Refused(pos)) {
      pos = refusals.PassOver(pos);
      continue;
    }
    if (format.skip == nullptr) return pos;
    const std::size_t next = format.skip(rom, pos, span.end, span.align, facts);
    if (next == pos) return pos;
    pos = next;
  }
  return pos;
}

// Where the positions that `hit` hides from the rest of its pass begin (they end with it). A
// list of commands hides none of those that may start a stream it is a lead-in of
// (IsCommandLeadIn): settling the overlaps drops it for that stream.
std::size_t HiddenFrom(std::span<const std::uint8_t> rom, const TSchemeFormat& format,
                       const TScanHit& hit) {
  if (format.commandFormat == nullptr) return hit.address + 1;
  return hit.address + std::min<std::size_t>(CommandLeadInReach(rom, hit), hit.comprSize) + 1;
}

// The positions inside a hit that it hides from the rest of its pass: [from, to).
struct THidden {
  std::size_t from = 0;
  std::size_t to = 0;
  bool Holds(std::size_t pos) const { return pos >= from && pos < to; }
};

// The candidates of rows whose prefilter shares a pass with other rows of the scan
// (TSchemeFormat::sharedPrefilter): found for all of them when the first is scanned, then
// taken by each in turn, so that only those not yet taken are held. Those held stay within
// kMostHeld bytes (a bit per position and row): a larger ROM's rows take their own passes.
class TSharedCandidates {
public:
  static constexpr std::size_t kMostHeld = std::size_t{32} << 20U;

  // The candidates of `format`'s row; `later` the rows the scan takes after it.
  std::vector<std::uint64_t> Take(std::span<const std::uint8_t> rom, const TSchemeFormat& format,
                                  std::span<const int> later, const TScanOptions& options) {
    for (auto it = found_.begin(); it != found_.end(); ++it) {
      if (it->first != format.row) continue;
      std::vector<std::uint64_t> candidates = std::move(it->second);
      found_.erase(it);
      return candidates;
    }
    std::vector<int> rows{format.row};
    for (const int row : later) {
      const TSchemeFormat* f = FindSchemeFormat(row);
      if (f != nullptr && format.sharedPrefilter != nullptr &&
          f->sharedPrefilter == format.sharedPrefilter &&
          std::find(rows.begin(), rows.end(), row) == rows.end()) {
        rows.push_back(row);
      }
    }
    std::vector<std::vector<std::uint64_t>> candidates(rows.size());
    const std::size_t held = (rows.size() - 1) * ((rom.size() + 63) / 64 * 8);
    if (rows.size() == 1 || held > kMostHeld) {
      format.prefilter(rom, options.minSize, FactsOnly(options), candidates[0]);
      return std::move(candidates[0]);
    }
    format.sharedPrefilter(rom, options.minSize, FactsOnly(options), rows, candidates);
    for (std::size_t k = 1; k < rows.size(); ++k) {
      found_.emplace_back(rows[k], std::move(candidates[k]));
    }
    return std::move(candidates[0]);
  }

private:
  std::vector<std::pair<int, std::vector<std::uint64_t>>> found_;
};

// The same for a scheme whose row finds its candidates over the whole ROM at once: only those
// are checked, in order. False when stopped.
bool ScanCandidatesPass(std::span<const std::uint8_t> rom, const TSchemeFormat& format,
                        const TScanOptions& options, const TPassProgress& report,
                        const std::vector<std::uint64_t>& candidates, std::vector<TScanHit>& hits) {
  const std::size_t align = options.align == 0 ? 1 : options.align;
  TRefusals refusals(rom, align);  // CheckPosition's, handed on where candidates repeat (fillers)
  std::size_t nextReport = 0;
  THidden hidden;
  for (std::size_t word = 0; word < candidates.size(); ++word) {
    for (std::uint64_t bits = candidates[word]; bits != 0; bits &= bits - 1) {
      const std::size_t pos = word * 64 + static_cast<std::size_t>(std::countr_zero(bits));
      if (pos >= nextReport) {
        nextReport = pos + kProgressStride;
        if (!report(pos)) return false;
      }
      if (hidden.Holds(pos) || pos % align != 0 || !format.scanStart.Accepts(rom, pos)) continue;
      if (refusals.Refused(pos)) continue;
      const auto hit = CheckPosition(rom, pos, format, options, refusals);
      if (!hit) continue;
      hits.push_back(*hit);
      if (!options.overlaps && Hides(*hit)) {
        // A hit in the head an earlier one leaves open is the stream that head may lead into:
        // it hides all it holds, so that a run of commands reads as two hits, not as one at
        // every few commands (each a walk to the run's end, each pair weighed in settling).
        const bool inHead = pos < hidden.to;
        hidden = {inHead ? pos + 1 : HiddenFrom(rom, format, *hit), pos + hit->comprSize};
      }
    }
  }
  return true;
}

// A filter's stream (Diff-8, Diff-16) that meets the facts.
bool FilterStream(const TScanHit& hit) {
  const TSchemeFormat* format = FindSchemeFormat(hit.scheme);
  return format != nullptr && format->scoreOnly && hit.score >= kDefaultMinScore;
}

// The least body before a later filter's stream that tells whether an earlier header starts
// a stream.
constexpr std::size_t kLeadInJudged = 32;

// Whether the filter's stream `first` is a chance header before the filter's stream `later`
// that starts inside it. The running sum reads the later stream's differences as its own (the
// later stream's data shifted by a constant, as simple as the stream itself), so only the
// body before the later header tells: it does not score as filtered data on its own. A body
// whose running sum mostly stands at its first value tells nothing (the blank start of sparse
// data scores low on its own too).
bool IsFilterLeadIn(std::span<const std::uint8_t> rom, const TScanHit& first,
                    const TScanHit& later) {
  constexpr std::size_t kHeader = 4;
  if (later.address < first.address + kHeader + kLeadInJudged) return false;
  const int unitBytes = first.scheme == kSchemeDiff16 ? 2 : 1;
  const auto unit = static_cast<std::size_t>(unitBytes);
  const std::size_t n =
      std::min(later.address - first.address - kHeader, kScoreSample) / unit * unit;
  thread_local std::vector<std::uint8_t> output;
  output.resize(n);
  const unsigned mask = unitBytes == 2 ? 0xFFFFU : 0xFFU;
  const std::span<const std::uint8_t> stream = rom.subspan(first.address, kHeader + n);
  const unsigned start = (unitBytes == 2 ? stream[4] | stream[5] << 8U : stream[4]) & mask;
  std::size_t standing = 0;  // units of the running sum at its first value
  WalkDiffUnits(stream, n, unit, [&](std::size_t o, unsigned acc) {
    output[o] = static_cast<std::uint8_t>(acc);
    if (unit == 2) output[o + 1] = static_cast<std::uint8_t>(acc >> 8U);
    standing += (acc & mask) == start ? 1 : 0;
  });
  if (standing * 2 * unit >= n) return false;
  return FilteredScore(stream, output, unitBytes, kDefaultMinScore) < kDefaultMinScore;
}

// The filter's stream of the pass whose first hit inside is still looked for (`open`): a
// filter's body is any bytes, so a chance header before a real stream reads it as its own
// body, and only that first hit tells whether the header is one (IsFilterLeadIn). Where the
// positions that `hit` hides from the rest of its pass end: 0 for none. A filter's stream
// hides none until the first hit inside it; then the rest of it when it stays, and that hit
// is the one looked into next when it gives way.
std::size_t HiddenUntil(std::span<const std::uint8_t> rom, const TScanHit& hit,
                        std::optional<TScanHit>& open) {
  if (!Hides(hit)) return 0;
  const std::size_t end = hit.address + hit.comprSize;
  if (!FilterStream(hit)) return end;
  if (open && hit.address < open->address + open->comprSize && !IsFilterLeadIn(rom, *open, hit)) {
    const std::size_t openEnd = open->address + open->comprSize;
    open.reset();
    return openEnd;
  }
  open = hit;
  return 0;
}

// Every position is checked but those inside a hit (a stream that scores: chance streams
// that do not must not hide the streams they overlap), and those whose bytes repeat a
// refused candidate's a period before (fillers); the overlaps between schemes are settled by
// score afterwards. False when stopped.
// `later`: the schemes the scan takes after this one (TSharedCandidates).
bool ScanPositionsPass(std::span<const std::uint8_t> rom, int scheme, std::span<const int> later,
                       const TScanOptions& options, const TPassProgress& report,
                       TSharedCandidates& shared, std::vector<TScanHit>& hits) {
  const std::size_t align = options.align == 0 ? 1 : options.align;
  const TSchemeFormat* format = FindSchemeFormat(scheme);
  if (format == nullptr || format->check == nullptr) return true;
  if (format->prefilter != nullptr) {
    const auto candidates = shared.Take(rom, *format, later, options);
    return ScanCandidatesPass(rom, *format, options, report, candidates, hits);
  }
  const TSkipFacts facts{options.minSize, FactsOnly(options)};
  TRefusals refusals(rom, align);
  std::size_t nextReport = 0;
  std::size_t freeFrom = 0;      // positions before this lie inside a hit
  std::optional<TScanHit> open;  // HiddenUntil's
  std::size_t pos = 0;
  while (pos < rom.size()) {
    if (pos >= nextReport) {
      nextReport = pos + kProgressStride;
      if (!report(pos)) return false;
    }
    if (pos < freeFrom) {
      pos = (freeFrom + align - 1) / align * align;
      continue;
    }
    const std::size_t end = std::min(rom.size(), nextReport);
    pos = NextCandidate(rom, {pos, end, align}, *format, facts, refusals);
    if (pos >= end) continue;
    const auto hit = CheckPosition(rom, pos, *format, options, refusals);
    if (hit) {
      hits.push_back(*hit);
      if (!options.overlaps) freeFrom = std::max(freeFrom, HiddenUntil(rom, *hit, open));
    }
    pos += align;
  }
  return true;
}

// An FF6 stream that packs little also reads as a longer FF5 one, which runs on past the
// length the FF6 header states into the bytes after. Where the FF6 reading stops there with
// the rest of its last group's flags clear, it wins: a real FF5 stream read as FF6 stops
// inside the stream, where the flags after the stop are those of the tokens that follow.
bool StopsWhereStated(const TScanHit& ff6, const TStreamEnd& end, const TScanHit& ff5) {
  return ff6.scheme == kSchemeFF6 && ff5.scheme == kSchemeFF5 && end.tidy && end.midGroup &&
         ff5.comprSize > ff6.comprSize;
}

// Among overlapping hits one that meets the facts (kDefaultMinScore or more) wins over one
// that does not; among those that do, the first: a real stream holds positions where other
// streams seem to start, a packed run of literals above all, and those run on past its end
// into whatever follows. Else the best score wins (the earlier on a tie).
//
// A list of commands up to an end byte (the command formats) is the weakest evidence: chance
// bytes before a real stream read as a few fills that run into it. Among hits that meet the
// facts, the others come first (a headerless stream with an end code, Koei's or LC_LZ17's, is
// seldom met by chance: a chance stream with a header inside it must not hide it).
int Rank(const TScanHit& h) {
  if (h.score < kDefaultMinScore) return 0;
  const TSchemeFormat* f = FindSchemeFormat(h.scheme);
  return f != nullptr && f->commandFormat != nullptr ? 1 : 2;
}

// Where a Konami-1 and a Konami-2 hit read one stream alike (no command 0xFF, where the
// versions differ), the stream is named Konami-2, the version of by far the more games.
bool YieldsToOtherVersion(std::span<const std::uint8_t> rom, const TScanHit& k1,
                          const TScanHit& k2) {
  return k1.scheme == kSchemeKonami1 && k2.scheme == kSchemeKonami2 && k1.address == k2.address &&
         k1.comprSize == k2.comprSize &&
         KonamiVersionsReadAlike(rom.subspan(k1.address, k1.comprSize));
}

// Where HAL and an LC format (LC_LZ2, LC_LZ1, LC_LZ5) read one list of commands to one end
// byte, HAL writing more, the list is the LC format's: HAL counts a word fill's pairs, so every
// copy that reads written bytes under the LC reading does so under HAL's too, not the other way
// round. (Of 375 HAL test streams none read as an LC list that meets the facts and writes
// otherwise; of 755 LC_LZ2 and LC_LZ1 ones, 11 read so as HAL, 10 scoring at least as well.)
bool YieldsToLCReading(const TScanHit& hal, const TScanHit& lc) {
  const bool lcFormat =
      lc.scheme == kSchemeLCLZ2 || lc.scheme == kSchemeLCLZ1 || lc.scheme == kSchemeLCLZ5;
  return hal.scheme == kSchemeHAL && lcFormat && hal.address == lc.address &&
         hal.comprSize == lc.comprSize && lc.rawSize < hal.rawSize;
}

bool Before(std::span<const std::uint8_t> rom, const TScanHit& a, const TScanHit& b) {
  const int rankA = Rank(a);
  const int rankB = Rank(b);
  if (rankA != rankB) return rankA > rankB;
  const bool factsA = rankA != 0;
  if (factsA && a.address != b.address) return a.address < b.address;
  if (factsA && a.scheme != b.scheme) {
    // At one address the reading that ends where an encoder stops (an FF5 stream of literals
    // reads as a shorter FF6 one that stops inside a group), then the one that explains more
    // of the bytes.
    const TStreamEnd endA = EndOf(rom, a);
    const TStreamEnd endB = EndOf(rom, b);
    if (endA.tidy != endB.tidy) return endA.tidy;
    if (StopsWhereStated(a, endA, b)) return true;
    if (StopsWhereStated(b, endB, a)) return false;
    if (a.comprSize != b.comprSize) return a.comprSize > b.comprSize;
    if (YieldsToLCReading(a, b)) return false;
    if (YieldsToLCReading(b, a)) return true;
  }
  if (YieldsToOtherVersion(rom, a, b)) return false;
  if (YieldsToOtherVersion(rom, b, a)) return true;
  return a.score > b.score;
}

// The hits of the command formats that meet the facts and are lead-ins of chance bytes into
// another such hit that ends with them (IsCommandLeadIn): the later one is the stream. Of
// several that end at one byte, each is weighed against those after it that stay.
std::vector<bool> CommandLeadIns(std::span<const std::uint8_t> rom,
                                 const std::vector<TScanHit>& hits) {
  std::vector<bool> dropped(hits.size(), false);
  std::vector<std::size_t> lists;
  for (std::size_t i = 0; i < hits.size(); ++i) {
    if (Rank(hits[i]) == 1) lists.push_back(i);
  }
  const auto end = [&](std::size_t i) { return hits[i].address + hits[i].comprSize; };
  std::stable_sort(lists.begin(), lists.end(), [&](std::size_t a, std::size_t b) {
    return end(a) != end(b) ? end(a) < end(b) : hits[a].address > hits[b].address;
  });
  for (std::size_t first = 0; first < lists.size();) {
    std::size_t last = first + 1;
    while (last < lists.size() && end(lists[last]) == end(lists[first])) ++last;
    for (std::size_t k = first + 1; k < last; ++k) {  // latest first
      for (std::size_t m = first; m < k && !dropped[lists[k]]; ++m) {
        dropped[lists[k]] =
            !dropped[lists[m]] && IsCommandLeadIn(rom, hits[lists[k]], hits[lists[m]]);
      }
    }
    first = last;
  }
  return dropped;
}

// The filters' streams that meet the facts and are chance headers before another such stream
// that starts inside them (IsFilterLeadIn): the later one is the stream. Each is weighed
// against the first one inside it only: a real stream's body holds chance headers of its own.
std::vector<bool> FilterLeadIns(std::span<const std::uint8_t> rom,
                                const std::vector<TScanHit>& hits) {
  std::vector<bool> dropped(hits.size(), false);
  for (std::size_t i = 0; i < hits.size(); ++i) {
    if (!FilterStream(hits[i])) continue;
    const std::size_t end = hits[i].address + hits[i].comprSize;
    for (std::size_t k = i + 1; k < hits.size() && hits[k].address < end; ++k) {
      if (!FilterStream(hits[k]) || hits[k].address == hits[i].address) continue;
      dropped[i] = IsFilterLeadIn(rom, hits[i], hits[k]);
      break;
    }
  }
  return dropped;
}

std::vector<TScanHit> KeepBestOfOverlaps(std::span<const std::uint8_t> rom,
                                         const std::vector<TScanHit>& hits) {
  const std::vector<bool> leadIns = CommandLeadIns(rom, hits);
  const std::vector<bool> filterLeadIns = FilterLeadIns(rom, hits);
  std::vector<std::size_t> order;
  for (std::size_t i = 0; i < hits.size(); ++i) {
    if (!leadIns[i] && !filterLeadIns[i]) order.push_back(i);
  }
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return Before(rom, hits[a], hits[b]); });
  std::vector<std::pair<std::size_t, std::size_t>> kept;  // [start, end) by start
  std::vector<bool> keep(hits.size(), false);
  for (std::size_t i : order) {
    const std::size_t start = hits[i].address;
    const std::size_t end = start + std::max<std::uint32_t>(hits[i].comprSize, 1);
    auto it = std::lower_bound(kept.begin(), kept.end(), std::make_pair(start, std::size_t{0}));
    const bool clashNext = it != kept.end() && it->first < end;
    const bool clashPrev = it != kept.begin() && std::prev(it)->second > start;
    if (clashNext || clashPrev) continue;
    kept.insert(it, {start, end});
    keep[i] = true;
  }
  std::vector<TScanHit> result;
  for (std::size_t i = 0; i < hits.size(); ++i) {
    if (keep[i]) result.push_back(hits[i]);
  }
  return result;
}

// A hit hides the positions inside it from the rest of its scheme's pass; where settling then
// drops it for a stream of another scheme (a chance reading that runs over both), a stream of
// its own scheme that starts inside it was never checked. The positions after the start of
// each dropped hit that hid them are checked again, hiding nothing, but those inside a kept
// hit past its start (`kept`, by address, apart), where a stream would lose anyway: the hits
// found there that the pass lacks.
std::vector<TScanHit> BehindDroppedHits(std::span<const std::uint8_t> rom,
                                        const std::vector<TScanHit>& hits,
                                        const std::vector<TScanHit>& kept,
                                        const TScanOptions& options) {
  const auto key = [](const TScanHit& h) { return std::pair{h.address, h.scheme}; };
  std::vector<std::pair<std::size_t, int>> known;
  known.reserve(hits.size());
  for (const TScanHit& h : hits) known.push_back(key(h));
  std::sort(known.begin(), known.end());
  // The end of the kept hit that holds `pos` past its start, or `pos` where none does (one
  // that starts at `pos` may lose to another reading there).
  const auto keptEnd = [&](std::size_t pos) -> std::size_t {
    auto it = std::lower_bound(kept.begin(), kept.end(), pos,
                               [](const TScanHit& h, std::size_t p) { return h.address < p; });
    if (it == kept.begin()) return pos;
    --it;
    return std::max<std::size_t>(pos, it->address + std::max<std::uint32_t>(it->comprSize, 1));
  };
  const std::size_t align = options.align == 0 ? 1 : options.align;
  std::vector<TScanHit> found;
  for (const TScanHit& dropped : hits) {
    if (!Hides(dropped) ||
        std::binary_search(kept.begin(), kept.end(), dropped,
                           [&](const TScanHit& a, const TScanHit& b) { return key(a) < key(b); })) {
      continue;
    }
    const TSchemeFormat* format = FindSchemeFormat(dropped.scheme);
    if (format == nullptr || format->check == nullptr) continue;
    TRefusals refusals(rom, align);
    const std::size_t end = std::min(rom.size(), dropped.address + dropped.comprSize);
    std::size_t pos = (dropped.address / align + 1) * align;
    while (pos < end) {
      const std::size_t free = keptEnd(pos);
      if (free != pos) {
        pos = (free + align - 1) / align * align;
        continue;
      }
      if (format->scanStart.Accepts(rom, pos) && !refusals.Refused(pos)) {
        const auto hit = CheckPosition(rom, pos, *format, options, refusals);
        if (hit && !std::binary_search(known.begin(), known.end(), key(*hit))) {
          found.push_back(*hit);
        }
      }
      pos += align;
    }
  }
  return found;
}

}  // namespace

std::vector<int> ScannableSchemes() {
  std::vector<int> rows;
  for (const TSchemeFormat& f : SchemeFormats()) {
    if (f.check != nullptr) rows.push_back(f.row);
  }
  return rows;
}

std::vector<int> SchemesOfScanAll() {
  std::vector<int> rows;
  for (const TSchemeFormat& f : SchemeFormats()) {
    if (f.check != nullptr && !f.scoreOnly) rows.push_back(f.row);
  }
  return rows;
}

std::vector<TScanHit> ScanStreams(std::span<const std::uint8_t> rom, std::span<const int> schemes,
                                  const TScanOptions& options) {
  std::vector<TScanHit> hits;
  const std::size_t total = rom.size() * schemes.size();
  TSharedCandidates shared;
  bool cancelled = false;
  for (std::size_t k = 0; k < schemes.size() && !cancelled; ++k) {
    const TPassProgress report{options, rom.size() * k, total};
    cancelled =
        !(schemes[k] == kSchemeLZ10 ? ScanLZ10Pass(rom, options, report, hits)
                                    : ScanPositionsPass(rom, schemes[k], schemes.subspan(k + 1),
                                                        options, report, shared, hits));
  }
  const auto byAddress = [](const TScanHit& a, const TScanHit& b) {
    return a.address != b.address ? a.address < b.address : a.scheme < b.scheme;
  };
  std::sort(hits.begin(), hits.end(), byAddress);
  if (options.overlaps) return hits;
  std::vector<TScanHit> kept = KeepBestOfOverlaps(rom, hits);
  if (cancelled) return kept;  // no second look where the user stopped the scan
  const std::vector<TScanHit> behind = BehindDroppedHits(rom, hits, kept, options);
  if (behind.empty()) return kept;
  hits.insert(hits.end(), behind.begin(), behind.end());
  std::sort(hits.begin(), hits.end(), byAddress);
  return KeepBestOfOverlaps(rom, hits);
}

}  // namespace tegulo
