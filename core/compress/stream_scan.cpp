// The scan over a whole ROM: each scheme's positions checked and scored (stream_checks.cpp,
// stream_score.cpp), then the overlaps settled by score.
#include "compress/stream_scan.h"

#include <algorithm>

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

// The linear LZ77-10 scan, each stream scored as it is found. Only a stream that scores
// hides the positions inside it: a chance stream that does not must not hide a real one that
// starts inside it. False when stopped.
bool ScanLZ10Pass(std::span<const std::uint8_t> rom, const TScanOptions& options,
                  const TPassProgress& report, std::vector<TScanHit>& hits) {
  TLZ10ScanOptions lz{options.minSize, options.align, options.overlaps, nullptr, nullptr};
  bool stopped = false;
  lz.progress = [&](std::size_t done, std::size_t) {
    stopped = stopped || !report(done);
    return !stopped;
  };
  lz.accept = [&](const TLZ10Stream& s) {
    auto hit = CheckAndScore(rom, s.address, kSchemeLZ10, options.minSize);
    if (!hit || !ScoreIsEnough(*hit, options)) return false;
    hits.push_back(*hit);
    return true;
  };
  ScanLZ10(rom, lz);
  return !stopped && (!options.progress || report(rom.size() - 1));
}

// Every position is checked (chance hits must not hide the streams they overlap); the
// overlaps are settled by score afterwards. False when stopped.
bool ScanPositionsPass(std::span<const std::uint8_t> rom, int scheme, const TScanOptions& options,
                       const TPassProgress& report, std::vector<TScanHit>& hits) {
  const std::size_t align = options.align == 0 ? 1 : options.align;
  std::size_t nextReport = 0;
  for (std::size_t pos = 0; pos < rom.size(); pos += align) {
    if (pos >= nextReport) {
      nextReport = pos + kProgressStride;
      if (!report(pos)) return false;
    }
    const auto hit = CheckAndScore(rom, pos, scheme, options.minSize);
    if (hit && ScoreIsEnough(*hit, options)) hits.push_back(*hit);
  }
  return true;
}

// Among overlapping hits the best score wins (the earlier on a tie).
std::vector<TScanHit> KeepBestOfOverlaps(const std::vector<TScanHit>& hits) {
  std::vector<std::size_t> order(hits.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return hits[a].score > hits[b].score; });
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

}  // namespace

std::vector<TScanHit> ScanStreams(std::span<const std::uint8_t> rom, std::span<const int> schemes,
                                  const TScanOptions& options) {
  std::vector<TScanHit> hits;
  const std::size_t total = rom.size() * schemes.size();
  for (std::size_t k = 0; k < schemes.size(); ++k) {
    const TPassProgress report{options, rom.size() * k, total};
    const bool done = schemes[k] == kSchemeLZ10
                          ? ScanLZ10Pass(rom, options, report, hits)
                          : ScanPositionsPass(rom, schemes[k], options, report, hits);
    if (!done) break;
  }
  std::sort(hits.begin(), hits.end(), [](const TScanHit& a, const TScanHit& b) {
    return a.address != b.address ? a.address < b.address : a.scheme < b.scheme;
  });
  return options.overlaps ? hits : KeepBestOfOverlaps(hits);
}

}  // namespace tegulo
