// LZSS-CT with section records wherever they make the stream shortest: equal to an
// exhaustive search over parses and record placements, and decoded back exactly.
#include "compress/ct/ct_records.h"
#include "compress/ct/ct_distinct_rows.h"

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

namespace {

// A row of lane codes: lane F's own byte, then each lane's code.
ct::TCodes Row(std::initializer_list<std::uint8_t> lanes) {
  ct::TCodes row{};
  row[0] = ct::kCodeBias;
  std::copy(lanes.begin(), lanes.end(), row.begin() + 1);
  return row;
}

}  // namespace

// Rows kept a nibble a lane and rows kept whole (a lane outside -6..7 of lane F) are found
// again by their codes, and every lane reads back as it was.
TEST(CTDistinctRows, KeepsEveryRowAndFindsItAgain) {
  constexpr std::uint8_t b = ct::kCodeBias;
  const ct::TCodes rows[] = {
      Row({}),                                                     // every lane out of reach
      Row({b, b, 1, static_cast<std::uint8_t>(b - 6), b + 7, 0}),  // the nibbles' edges
      Row({b, b, 1, static_cast<std::uint8_t>(b - 7), b + 7, 0}),  // one lane below them
      Row({b, b, 1, static_cast<std::uint8_t>(b - 6), b + 8, 0}),  // one lane above them
      Row({2, 255, b, b, b, b, b, b, b, b, b, b, b, b, b, b, b, b, b, b, b, b, 3}),
      Row({b, b, b, b, b, b, b, b, b, b, b, b, b, b, b, b, b, b, b, b, b, b, b}),
  };
  ct::TDistinctRows<std::uint16_t> table;
  std::vector<std::uint16_t> numbers;
  // Each row twice in a row and again later; whole rows near a block's end too.
  for (int round = 0; round < 40; ++round) {
    for (const ct::TCodes& row : rows) {
      const std::uint16_t first = table.Index(row);
      EXPECT_EQ(table.Index(row), first);
      if (round == 0) numbers.push_back(first);
      EXPECT_EQ(first, numbers[&row - rows]) << "row " << &row - rows << ", round " << round;
    }
    ct::TCodes filler = Row({2});  // new whole rows, one a round
    filler[2] = static_cast<std::uint8_t>(10 + round);
    table.Index(filler);
  }
  for (std::size_t r = 0; r < std::size(rows); ++r) {
    for (std::size_t lane = 1; lane < ct::kLaneCodes; ++lane) {
      EXPECT_EQ(table.Code(numbers[r], lane), rows[r][lane]) << "row " << r << ", lane " << lane;
    }
    for (std::size_t other = 0; other < r; ++other) EXPECT_NE(numbers[r], numbers[other]);
  }
  EXPECT_FALSE(table.Overflowed());
}

// Row numbers that would outgrow their type say so, for the search to run again wider.
TEST(CTDistinctRows, SaysWhenTheNumbersOutgrowTheirType) {
  ct::TDistinctRows<std::uint8_t> table;
  for (int k = 0; k < 200 && !table.Overflowed(); ++k) {
    ct::TCodes row = Row({2});
    row[2] = static_cast<std::uint8_t>(k);
    table.Index(row);
  }
  EXPECT_TRUE(table.Overflowed());
}
