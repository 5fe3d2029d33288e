// "Konami-1", "Konami-2" and "Konami-2R": the shortest stream, from an exact cheapest path
// over every command and count, copies found over the 1024-byte ring and the zeros before it.
#include <algorithm>
#include <limits>
#include <string>
#include <vector>

#include "base/uCommon.h"
#include "compress/konami/konami.h"
#include "compress/konami/konami_walk.h"
#include "compress/search/nearest_pair.h"
#include "compress/search/optimal_parse.h"

namespace tegulo {

using namespace konami::walk;

namespace {

// The longest copy at each position (0 below 2 bytes) and its distance, from up to 1024
// bytes back, the zeros before the data included.
using TCopies = TLongestMatches;

TCopies LongestCopies(std::span<const std::uint8_t> data) {
  const std::size_t n = data.size();
  std::vector<std::uint8_t> text(kZeroReach + n, 0);
  std::copy(data.begin(), data.end(), text.begin() + kZeroReach);
  TCopies c = FindLongestMatches(text, {1, kRingSize, kMaxCount}, kZeroReach);
  // Two-byte copies, which the match finder does not look for: the last place of each pair.
  TNearestPair pairs(text, kRingSize);
  for (std::size_t t = 0; t + 1 < text.size(); ++t) {
    const std::size_t pair = pairs.Next(t);
    if (t >= kZeroReach && pair != 0 && c.length[t - kZeroReach] < 3) {
      c.length[t - kZeroReach] = 2;
      c.distance[t - kZeroReach] = static_cast<std::uint16_t>(pair);
    }
  }
  return c;
}

struct TPick {
  std::uint8_t kind = 0;    // as TCommand; 5: Konami-2's long zero run
  std::uint16_t count = 0;  // raw bytes, pairs, or output bytes
};

// A pick in 16 bits, kind above count (at most kMaxLongZeros): two bytes a position.
constexpr unsigned kCountBits = 9;
static_assert(kMaxLongZeros < 1U << kCountBits);

// The cheapest stream from the end: every command, every count.
class TPath {
public:
  TPath(std::span<const std::uint8_t> d, TKonami v)
      : d_(d), v_(v), copies_(LongestCopies(d)), cost_(d.size() + 1, 0), pick_(d.size(), 0) {
    // The runs from i on, carried down from the end: equal bytes, and pairs 00 v (the pairs'
    // count at i + 1 and i + 2).
    std::size_t run = 0;
    std::size_t pairs1 = 0;
    std::size_t pairs2 = 0;
    for (std::size_t i = d.size(); i-- > 0;) {
      run = i + 1 < d.size() && d[i + 1] == d[i] ? run + 1 : 1;
      const std::size_t pairs = i + 1 < d.size() && d[i] == 0 ? pairs2 + 1 : 0;
      pairs2 = pairs1;
      pairs1 = pairs;
      Solve(i, run, pairs);
    }
  }

  std::uint32_t Cost() const { return cost_[0]; }
  TPick Pick(std::size_t i) const {
    return {static_cast<std::uint8_t>(pick_[i] >> kCountBits),
            static_cast<std::uint16_t>(pick_[i] & ((1U << kCountBits) - 1))};
  }
  std::size_t Distance(std::size_t i) const { return copies_.distance[i]; }

private:
  void Try(std::size_t i, std::uint8_t kind, std::size_t count, std::size_t bytes,
           std::uint32_t price, std::uint32_t& best) {
    const std::uint32_t c = price + cost_[i + bytes];
    if (c < best) {
      best = c;
      pick_[i] = static_cast<std::uint16_t>(kind << kCountBits | count);
    }
  }

  // `run`: bytes equal to d[i] from i on; `zeroPairs`: pairs 00 v from i on.
  void Solve(std::size_t i, std::size_t run, std::size_t zeroPairs) {
    const std::size_t left = d_.size() - i;
    std::uint32_t best = std::numeric_limits<std::uint32_t>::max();
    // The longest raw run of those that cost the least: a raw run then never follows one
    // short of 31 (the scan takes that for chance bytes).
    for (std::size_t k = std::min(kMaxRaw, left); k >= 1; --k) {
      Try(i, 1, k, k, static_cast<std::uint32_t>(1 + k), best);
    }
    for (std::size_t k = 2; k <= std::min(kMaxCount, zeroPairs); ++k) {
      Try(i, 2, k, 2 * k, static_cast<std::uint32_t>(1 + k), best);
    }
    for (std::size_t k = 2; k <= std::min(kMaxCount, run); ++k) Try(i, 3, k, k, 2, best);
    if (d_[i] == 0) {
      const std::size_t shortest = v_ == TKonami::k1 ? kMaxCount : kMaxCount - 1;
      for (std::size_t k = 2; k <= std::min(shortest, run); ++k) Try(i, 4, k, k, 1, best);
      if (v_ != TKonami::k1) {
        for (std::size_t k = shortest + 1; k <= std::min(kMaxLongZeros, run); ++k) {
          Try(i, 5, k, k, 2, best);
        }
      }
    }
    for (std::size_t k = 2; k <= copies_.length[i]; ++k) Try(i, 0, k, k, 2, best);
    cost_[i] = best;
  }

  std::span<const std::uint8_t> d_;
  TKonami v_;
  TCopies copies_;
  std::vector<std::uint32_t> cost_;
  std::vector<std::uint16_t> pick_;  // kind << kCountBits | count
};

const char* VersionName(TKonami v) {
  switch (v) {
    case TKonami::k1: return "Konami-1";
    case TKonami::k2: return "Konami-2";
    case TKonami::k2R: break;
  }
  return "Konami-2R";
}

std::vector<std::uint8_t> Write(std::span<const std::uint8_t> d, const TPath& path) {
  std::vector<std::uint8_t> out(2, 0);
  out.reserve(2 + path.Cost());
  for (std::size_t i = 0; i < d.size();) {
    const TPick c = path.Pick(i);
    switch (c.kind) {
      case 0: {
        const std::size_t ring = (kRingStart + i - path.Distance(i)) % kRingSize;
        const std::size_t w = (c.count - 2) << 10 | ring;  // big-endian
        out.push_back(static_cast<std::uint8_t>(w >> 8));
        out.push_back(static_cast<std::uint8_t>(w));
        i += c.count;
        break;
      }
      case 1:
        out.push_back(static_cast<std::uint8_t>(0x80 | c.count));
        out.insert(out.end(), d.begin() + static_cast<std::ptrdiff_t>(i),
                   d.begin() + static_cast<std::ptrdiff_t>(i + c.count));
        i += c.count;
        break;
      case 2:
        out.push_back(static_cast<std::uint8_t>(0xA0 | (c.count - 2)));
        for (std::size_t k = 0; k < c.count; ++k) out.push_back(d[i + 2 * k + 1]);
        i += 2 * c.count;
        break;
      case 3:
        out.push_back(static_cast<std::uint8_t>(0xC0 | (c.count - 2)));
        out.push_back(d[i]);
        i += c.count;
        break;
      case 4:
        out.push_back(static_cast<std::uint8_t>(0xE0 | (c.count - 2)));
        i += c.count;
        break;
      default:
        out.push_back(0xFF);
        out.push_back(static_cast<std::uint8_t>(c.count - 2));
        i += c.count;
        break;
    }
  }
  return out;
}

}  // namespace

template <TKonami V>
std::vector<std::uint8_t> CompressKonami(std::span<const std::uint8_t> data,
                                         const TCompressOptions& /*options*/) {
  constexpr TKonami version = V;
  const char* name = VersionName(version);
  if (data.size() > kDecodeBufferSize) {
    throw TError(std::string(name) + " data of " + std::to_string(data.size()) +
                 " bytes do not fit the working buffer (" + std::to_string(kDecodeBufferSize) +
                 " bytes)");
  }
  std::vector<std::uint8_t> planes;
  if (version == TKonami::k2R) {
    if (data.size() % 16 != 0) {
      throw TError(std::string(name) + " needs whole 16-byte blocks; the data are " +
                   std::to_string(data.size()) + " bytes");
    }
    planes.assign(data.begin(), data.end());
    Reorder(planes.data(), planes.size(), true);
    data = planes;
  }
  const TPath path(data, version);
  std::vector<std::uint8_t> out = Write(data, path);
  const std::size_t most = version == TKonami::k1 ? konami::kMaxStream1 : konami::kMaxStream2;
  if (out.size() > most) {
    throw TError("The " + std::string(name) + " stream would be " + std::to_string(out.size()) +
                 " bytes; the format allows at most " + std::to_string(most));
  }
  const std::uint32_t header =
      static_cast<std::uint32_t>(out.size()) | (version == TKonami::k2R ? kReorderFlag : 0);
  out[0] = static_cast<std::uint8_t>(header);
  out[1] = static_cast<std::uint8_t>(header >> 8);
  return out;
}

template std::vector<std::uint8_t> CompressKonami<TKonami::k1>(std::span<const std::uint8_t>,
                                                               const TCompressOptions&);
template std::vector<std::uint8_t> CompressKonami<TKonami::k2>(std::span<const std::uint8_t>,
                                                               const TCompressOptions&);
template std::vector<std::uint8_t> CompressKonami<TKonami::k2R>(std::span<const std::uint8_t>,
                                                                const TCompressOptions&);

}  // namespace tegulo
