// LZSS-CT with section records wherever they make the stream shortest: equal to an
// exhaustive search over parses and record placements, and decoded back exactly.
#include "compress/ct/ct_records.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "compress/compressors.h"
#include "compress/uCompress.h"

using namespace tegulo;

namespace {

using Bytes = std::vector<std::uint8_t>;

// The fewest bytes after the header: every group of eight, every record count 1..63 (not 8:
// the same as no record, three bytes dearer), every token at every distance and length.
// A group of more than eight needs a reference among its first eight (a control byte of 0
// means eight raw bytes).
class TBruteForce {
public:
  TBruteForce(const Bytes& d, std::size_t maxDistance, std::size_t maxLength)
      : d_(d), maxDistance_(maxDistance), maxLength_(maxLength) {}

  std::size_t Boundary(std::size_t i) {
    if (i == d_.size()) return 1;
    std::size_t best = 1 + Group(i, 8, 0, false);
    for (std::size_t count = 1; count <= 63; ++count) {
      if (count != 8) best = std::min(best, 4 + Group(i, count, 0, false));
    }
    return best;
  }

private:
  // Tokens j.. of a group of `count` at i.
  std::size_t Group(std::size_t i, std::size_t count, std::size_t j, bool ref) {
    if (j == count) return count > 8 && !ref ? kInf : Boundary(i);
    if (i == d_.size()) return kInf;
    const auto key = std::make_tuple(i, count, j, ref);
    if (const auto it = memo_.find(key); it != memo_.end()) return it->second;
    std::size_t best = 1 + Group(i + 1, count, j + 1, ref);
    if (j < 8) {
      for (std::size_t dist = 1; dist <= std::min(i, maxDistance_); ++dist) {
        for (std::size_t len = 1; len <= maxLength_ && i + len <= d_.size(); ++len) {
          if (d_[i + len - 1] != d_[i + len - 1 - dist]) break;
          if (len >= 3) best = std::min(best, 2 + Group(i + len, count, j + 1, true));
        }
      }
    }
    memo_[key] = best;
    return best;
  }

  static constexpr std::size_t kInf = 1u << 30;
  const Bytes& d_;
  std::size_t maxDistance_;
  std::size_t maxLength_;
  std::map<std::tuple<std::size_t, std::size_t, std::size_t, bool>, std::size_t> memo_;
};

Bytes Sample(std::size_t n, std::uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes d;
  while (d.size() < n) {
    const std::size_t len = 1 + rng() % 24;
    const bool copy = !d.empty() && rng() % 3 == 0;
    const std::size_t from = d.empty() ? 0 : rng() % d.size();
    for (std::size_t k = 0; k < len; ++k) {
      d.push_back(copy ? d[from + k < d.size() ? from + k : from]
                       : static_cast<std::uint8_t>(rng()));
    }
  }
  d.resize(n);
  return d;
}

TEST(CTRecords, ShortestOverEveryRecordPlacement) {
  for (std::uint32_t seed = 0; seed < 24; ++seed) {
    const Bytes d = Sample(seed % 4 == 0 ? 90 : 5 + seed * 2, seed);
    for (const TCTMode mode : {TCTMode::Bits11, TCTMode::Bits12}) {
      const bool eleven = mode == TCTMode::Bits11;
      const Bytes s = CompressCT(d, {.ctMode = mode});
      TBruteForce brute(d, eleven ? 2047 : 4095, eleven ? 34 : 18);
      ASSERT_EQ(s.size(), 2 + brute.Boundary(0)) << "seed " << seed << " eleven " << eleven;
      TDecodeBuffer out(d.size() + 64, 0);
      ASSERT_EQ(DecompressCT(s, out), d.size()) << "seed " << seed;
      ASSERT_TRUE(std::equal(d.begin(), d.end(), out.begin())) << "seed " << seed;
      const std::size_t first = (s[0] | s[1] << 8) + 2u;
      EXPECT_EQ(s[first] >= 0xC0, eleven) << "seed " << seed;
    }
  }
}

}  // namespace
