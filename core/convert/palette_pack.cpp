// Palette packing: dominance, best fit, then a bounded exact search for fewer palettes.
#include "convert/palette_pack.h"

#include <algorithm>

namespace tegulo {
namespace {

using TClock = std::chrono::steady_clock;

// The search's limits: its depth is one step per set, so larger problems keep the best fit.
constexpr int kMaxSearchPalettes = 64;
constexpr std::size_t kMaxSearchSets = 2048;

// The sets that matter: distinct, non-empty, none a subset of another; largest first.
std::vector<TColourBits> Dominant(std::span<const TColourBits> sets) {
  std::vector<TColourBits> sorted;
  for (const TColourBits& s : sets) {
    if (s.Count() > 0) sorted.push_back(s);
  }
  std::stable_sort(sorted.begin(), sorted.end(), [](const TColourBits& a, const TColourBits& b) {
    return a.Count() > b.Count();
  });
  std::vector<TColourBits> kept;
  for (const TColourBits& s : sorted) {
    const bool covered =
        std::any_of(kept.begin(), kept.end(), [&s](const TColourBits& k) { return s.SubsetOf(k); });
    if (!covered) kept.push_back(s);
  }
  return kept;
}

// Each set into the palette it adds fewest colours to (of those it fits), else a new one;
// with `apart`, a set that shares no colour with any palette opens a new one while it can.
std::vector<TColourBits> BestFit(std::span<const TColourBits> sets, int capacity, bool apart) {
  std::vector<TColourBits> palettes;
  for (const TColourBits& s : sets) {
    int best = -1;
    int bestAdded = capacity + 1;
    for (std::size_t p = 0; p < palettes.size(); ++p) {
      const int size = (palettes[p] | s).Count();
      const int added = size - palettes[p].Count();
      if (size <= capacity && added < bestAdded && (!apart || added < s.Count())) {
        best = static_cast<int>(p);
        bestAdded = added;
      }
    }
    if (best < 0) {
      palettes.push_back(s);
    } else {
      palettes[static_cast<std::size_t>(best)] = palettes[static_cast<std::size_t>(best)] | s;
    }
  }
  // Palettes that fit together become one.
  for (std::size_t a = 0; a < palettes.size(); ++a) {
    for (std::size_t b = a + 1; b < palettes.size();) {
      if ((palettes[a] | palettes[b]).Count() <= capacity) {
        palettes[a] = palettes[a] | palettes[b];
        palettes.erase(palettes.begin() + static_cast<std::ptrdiff_t>(b));
      } else {
        ++b;
      }
    }
  }
  return palettes;
}

// A lower bound: the colours over the room of a palette, and a group of sets no two of
// which fit one palette together (each needs its own).
int LowerBound(std::span<const TColourBits> sets, int capacity) {
  TColourBits all;
  for (const TColourBits& s : sets) all = all | s;
  const int byColours = (all.Count() + capacity - 1) / capacity;
  std::vector<const TColourBits*> apart;
  for (const TColourBits& s : sets) {
    const bool alone = std::all_of(apart.begin(), apart.end(), [&](const TColourBits* a) {
      return (*a | s).Count() > capacity;
    });
    if (alone) apart.push_back(&s);
  }
  return std::max(byColours, static_cast<int>(apart.size()));
}

// Whether the sets fit `count` palettes; a depth-first search over the placements.
class TFitSearch {
public:
  TFitSearch(std::span<const TColourBits> sets, int capacity, TClock::time_point deadline,
             std::int64_t& nodes)
      : sets_(sets),
        capacity_(capacity),
        deadline_(deadline),
        nodes_(nodes),
        rest_(sets.size() + 1) {
    for (std::size_t i = sets.size(); i-- > 0;) rest_[i] = rest_[i + 1] | sets[i];
  }

  // True with `palettes` filled when found; false when none exists or time ran out
  // (TimedOut() tells which).
  bool Fits(int count, std::vector<TColourBits>& palettes) {
    palettes_.assign(static_cast<std::size_t>(count), TColourBits{});
    used_ = 0;
    if (!Place(0)) return false;
    palettes = palettes_;
    palettes.resize(static_cast<std::size_t>(used_));
    return true;
  }
  bool TimedOut() const { return timedOut_; }

private:
  bool Place(std::size_t i) {
    // A set already inside a palette costs nothing there: no other choice can be better.
    while (i < sets_.size() && Covered(sets_[i])) ++i;
    if (i == sets_.size()) return true;
    if (timedOut_ || ((++nodes_ & 1023) == 0 && TClock::now() > deadline_)) {
      timedOut_ = true;
      return false;
    }
    const TColourBits& s = sets_[i];
    TColourBits placed;
    int room = 0;
    for (int p = 0; p < used_; ++p) {
      const TColourBits& pal = palettes_[static_cast<std::size_t>(p)];
      placed = placed | pal;
      room += capacity_ - pal.Count();
    }
    room += capacity_ * (static_cast<int>(palettes_.size()) - used_);
    if (rest_[i].Without(placed).Count() > room) return false;
    // Palettes it shares most colours with first, then a new palette (all empty ones are
    // alike, so only the first), then the palettes it shares nothing with.
    int order[kMaxSearchPalettes];
    int shared[kMaxSearchPalettes];
    int n = 0;
    for (int p = 0; p < used_; ++p) {
      const TColourBits& pal = palettes_[static_cast<std::size_t>(p)];
      if ((pal | s).Count() <= capacity_) {
        shared[p] = (pal & s).Count();
        order[n++] = p;
      }
    }
    std::sort(order, order + n, [&](int a, int b) { return shared[a] > shared[b]; });
    const auto withShared = static_cast<int>(
        std::find_if(order, order + n, [&](int p) { return shared[p] == 0; }) - order);
    for (int k = 0; k <= n; ++k) {
      if (k == withShared && TryNew(i)) return true;
      if (timedOut_ || k == n) break;
      TColourBits& pal = palettes_[static_cast<std::size_t>(order[k])];
      const TColourBits before = pal;
      pal = pal | s;
      if (Place(i + 1)) return true;
      pal = before;
      if (timedOut_) return false;
    }
    return false;
  }

  bool TryNew(std::size_t i) {
    if (used_ >= static_cast<int>(palettes_.size())) return false;
    palettes_[static_cast<std::size_t>(used_++)] = sets_[i];
    if (Place(i + 1)) return true;
    palettes_[static_cast<std::size_t>(--used_)] = TColourBits{};
    return false;
  }

  bool Covered(const TColourBits& s) const {
    for (int p = 0; p < used_; ++p) {
      if (s.SubsetOf(palettes_[static_cast<std::size_t>(p)])) return true;
    }
    return false;
  }

  std::span<const TColourBits> sets_;
  int capacity_;
  TClock::time_point deadline_;
  std::int64_t& nodes_;
  std::vector<TColourBits> rest_;  // rest_[i]: the colours of sets i and after
  std::vector<TColourBits> palettes_;
  int used_ = 0;
  bool timedOut_ = false;
};

}  // namespace

TPalettePacking PackPalettes(std::span<const TColourBits> sets, int capacity, int maxPalettes,
                             std::chrono::milliseconds bound) {
  const TClock::time_point deadline = TClock::now() + bound;
  TPalettePacking result;
  const std::vector<TColourBits> kept = Dominant(sets);
  for (const TColourBits& s : kept) {
    if (s.Count() > capacity) {
      result.proven = true;  // no palette holds it
      return result;
    }
  }
  const int lower = kept.empty() ? 0 : LowerBound(kept, capacity);
  if (lower > maxPalettes) {
    result.proven = true;
    return result;
  }
  std::vector<TColourBits> best = BestFit(kept, capacity, false);
  std::vector<TColourBits> grouped = BestFit(kept, capacity, true);
  if (grouped.size() < best.size()) best = std::move(grouped);
  int bestCount = static_cast<int>(best.size());
  TFitSearch search(kept, capacity, deadline, result.nodes);
  bool proven = bestCount == lower;
  if (kept.size() > kMaxSearchSets || maxPalettes > kMaxSearchPalettes) {
    proven = proven || bestCount <= lower;
    if (bestCount > maxPalettes) return result;
    result.palettes = std::move(best);
    result.found = true;
    result.proven = proven;
    return result;
  }
  // Fewer palettes, one at a time, until one fails for good or time runs out.
  while (!proven) {
    std::vector<TColourBits> found;
    const int target = std::min(bestCount - 1, maxPalettes);
    if (search.Fits(target, found)) {
      best = std::move(found);
      bestCount = static_cast<int>(best.size());
      proven = bestCount == lower;
    } else {
      proven = !search.TimedOut();
      if (!proven) break;
      if (bestCount > maxPalettes) {
        result.proven = true;  // nothing fits maxPalettes
        return result;
      }
    }
  }
  if (bestCount > maxPalettes) return result;  // not proven impossible, but none found
  result.palettes = std::move(best);
  result.found = true;
  result.proven = proven;
  return result;
}

std::vector<TColourBits> FirstFitPalettes(std::span<const TColourBits> sets, int capacity) {
  std::vector<TColourBits> palettes;
  for (const TColourBits& s : sets) {
    if (s.Count() == 0) continue;
    bool placed = false;
    for (TColourBits& p : palettes) {
      if ((p | s).Count() <= capacity) {
        p = p | s;
        placed = true;
        break;
      }
    }
    if (!placed) palettes.push_back(s);
  }
  return palettes;
}

}  // namespace tegulo
