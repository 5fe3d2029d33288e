#include "compress/scan/lz10_scan.h"

#include <gtest/gtest.h>

#include "compress/uCompress.h"

#include <algorithm>
#include <random>
#include <vector>

using namespace tegulo;

namespace {

using Bytes = std::vector<std::uint8_t>;

struct TCase {
  const char* what;
  Bytes stream;
  std::uint32_t raw, compr;
};

// A random stream that obeys every rule: literals and back-references no further back
// than the output written so far, the last token allowed to run past the announced size.
Bytes ValidStream(std::mt19937& rng, std::uint32_t announced, std::uint32_t* comprSize) {
  Bytes s = {0x10, static_cast<std::uint8_t>(announced), static_cast<std::uint8_t>(announced >> 8),
             static_cast<std::uint8_t>(announced >> 16)};
  std::uint32_t out = 0;
  std::size_t flagAt = 0;
  int bit = 8;
  while (out < announced) {
    if (bit == 8) {
      flagAt = s.size();
      s.push_back(0);
      bit = 0;
    }
    if (out == 0 || rng() % 3 == 0) {
      s.push_back(static_cast<std::uint8_t>(rng()));
      ++out;
    } else {
      const std::uint32_t distance = 1 + rng() % std::min<std::uint32_t>(out, 4096);
      const std::uint32_t length = 3 + rng() % 16;
      s[flagAt] |= static_cast<std::uint8_t>(0x80 >> bit);
      s.push_back(static_cast<std::uint8_t>((length - 3) << 4 | (distance - 1) >> 8));
      s.push_back(static_cast<std::uint8_t>(distance - 1));
      out += length;
    }
    ++bit;
  }
  *comprSize = static_cast<std::uint32_t>(s.size());
  return s;
}

}  // namespace

TEST(CheckLZ10Stream, SizesMatchWhatARefreshReports) {
  const TCase cases[] = {
      {"literals then a repeating reference",
       {0x10, 0x0A, 0, 0, 0x20, 0x41, 0x42, 0x50, 0x01},
       10,
       9},
      {"last reference runs past the size", {0x10, 0x04, 0, 0, 0x40, 0x41, 0x30, 0x00}, 4, 8},
      {"length-18 reference at the end", {0x10, 0x05, 0, 0, 0x40, 0x41, 0xF0, 0x00}, 5, 8},
      {"second flag byte",
       {0x10, 9, 0, 0, 0, 'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 0, 'I'},
       9,
       15},
      {"announced size 0 reads nothing more", {0x10, 0, 0, 0}, 0, 4},
      {"eighth token ends it, no flag read", {0x10, 8, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8}, 8, 13},
      {"distance equal to the output", {0x10, 4, 0, 0, 0x40, 0x41, 0x00, 0x00}, 4, 8},
  };
  for (const TCase& c : cases) {
    const auto s = CheckLZ10Stream(c.stream, 0);
    ASSERT_TRUE(s.has_value()) << c.what;
    EXPECT_EQ(s->rawSize, c.raw) << c.what;
    EXPECT_EQ(s->comprSize, c.compr) << c.what;
  }
}

TEST(CheckLZ10Stream, RefusesBrokenStreams) {
  const TCase cases[] = {
      {"wrong type byte", {0x11, 0x0A, 0, 0, 0x20, 0x41, 0x42, 0x50, 0x01}, 0, 0},
      {"reference before any output", {0x10, 4, 0, 0, 0x80, 0x00, 0x00}, 0, 0},
      {"distance one past the output", {0x10, 8, 0, 0, 0x20, 0x41, 0x42, 0x00, 0x02}, 0, 0},
      {"header cut short", {0x10, 4, 0}, 0, 0},
      {"flag byte missing", {0x10, 4, 0, 0}, 0, 0},
      {"reference cut after its first byte", {0x10, 8, 0, 0, 0x40, 0x41, 0x30}, 0, 0},
      {"literal missing", {0x10, 2, 0, 0, 0x00, 0x41}, 0, 0},
  };
  for (const TCase& c : cases) EXPECT_FALSE(CheckLZ10Stream(c.stream, 0).has_value()) << c.what;
  EXPECT_FALSE(CheckLZ10Stream(Bytes{0x10, 0, 0, 0}, 1).has_value())
      << "position inside the header";
  EXPECT_FALSE(CheckLZ10Stream(Bytes{0x10, 0, 0, 0}, 4).has_value()) << "position at the end";
  EXPECT_FALSE(CheckLZ10Stream(Bytes{}, 0).has_value()) << "empty ROM";
}

TEST(CheckLZ10Stream, RandomValidStreamsPassWholeAndFailWhenCut) {
  std::mt19937 rng(7);
  TDecodeBuffer out(kDecodeBufferSize);
  for (int round = 0; round < 200; ++round) {
    std::uint32_t compr = 0;
    const std::uint32_t announced = round < 20 ? round : rng() % 3000;
    Bytes s = ValidStream(rng, announced, &compr);
    const auto whole = CheckLZ10Stream(s, 0);
    ASSERT_TRUE(whole.has_value()) << "round " << round;
    EXPECT_EQ(whole->rawSize, announced) << "round " << round;
    EXPECT_EQ(whole->comprSize, compr) << "round " << round;
    EXPECT_EQ(DecompressLZ10(s, out), compr) << "round " << round << ": the unpacker agrees";

    for (std::size_t cut = 0; cut < s.size(); ++cut) {
      ASSERT_FALSE(CheckLZ10Stream(std::span(s).first(cut), 0).has_value())
          << "round " << round << " cut at " << cut;
    }
    s.push_back(0xEE);  // bytes after the stream are not its business
    EXPECT_EQ(CheckLZ10Stream(s, 0)->comprSize, compr) << "round " << round;
  }
}

TEST(ScanLZ10, FindsStreamsAtTheAlignmentWithTheMinimumSize) {
  std::mt19937 rng(3);
  Bytes rom(4096, 0xFF);
  std::uint32_t compr40 = 0, compr31 = 0, compr32 = 0;
  const Bytes s40 = ValidStream(rng, 40, &compr40);
  const Bytes s31 = ValidStream(rng, 31, &compr31);
  const Bytes s32 = ValidStream(rng, 32, &compr32);
  std::copy(s40.begin(), s40.end(), rom.begin() + 100);   // aligned to 4
  std::copy(s31.begin(), s31.end(), rom.begin() + 400);   // too small
  std::copy(s40.begin(), s40.end(), rom.begin() + 1001);  // odd position
  // the last one ends exactly at the end of the ROM
  rom.resize(2000 + s32.size());
  std::copy(s32.begin(), s32.end(), rom.begin() + 2000);
  const std::size_t atEnd = 2000;
  const auto found4 = ScanLZ10(rom, {32, 4});
  ASSERT_EQ(found4.size(), 2u);
  EXPECT_EQ(found4[0], (TLZ10Stream{100, 40, compr40}));
  EXPECT_EQ(found4[1], (TLZ10Stream{atEnd, 32, compr32}));

  const auto found1 = ScanLZ10(rom, {31, 1});
  ASSERT_EQ(found1.size(), 4u);
  EXPECT_EQ(found1[1].address, 400u);
  EXPECT_EQ(found1[2].address, 1001u);

  EXPECT_EQ(ScanLZ10(rom, {31, 0}).size(), 4u) << "alignment 0 checks every position";
  EXPECT_TRUE(ScanLZ10(Bytes{0x10, 0x20, 0}, {0, 1}).empty());
}

TEST(ScanLZ10, StreamRunningOffTheEndOfTheRomIsNotReported) {
  std::mt19937 rng(5);
  std::uint32_t compr = 0;
  Bytes rom(64, 0);
  const Bytes s = ValidStream(rng, 200, &compr);
  rom.insert(rom.end(), s.begin(), s.end() - 1);
  EXPECT_TRUE(ScanLZ10(rom, {32, 4}).empty());
}

namespace {

// Every position judged on its own with the plain checker: what the shared table must match.
std::vector<TLZ10Stream> ScanOneByOne(const Bytes& rom, std::uint32_t minSize, std::uint32_t align,
                                      bool overlaps) {
  std::vector<TLZ10Stream> found;
  std::size_t freeFrom = 0;
  for (std::size_t pos = 0; pos + 4 <= rom.size(); pos += align) {
    if (pos < freeFrom) continue;
    const auto s = CheckLZ10Stream(rom, pos);
    if (!s || s->rawSize < minSize) continue;
    found.push_back(*s);
    if (!overlaps) freeFrom = pos + s->comprSize;
  }
  return found;
}

// ROMs on which the shared table is exercised: long streams that run into the end, streams
// that overlap, repeated headers.
std::vector<Bytes> TableRoms() {
  std::vector<Bytes> roms;
  Bytes pattern;
  for (int i = 0; i < 6000; ++i) pattern.insert(pattern.end(), {0x10, 0x00, 0x00, 0x02});
  roms.push_back(pattern);
  Bytes small = pattern;
  for (std::size_t i = 3; i < small.size(); i += 4) small[i] = 0x00;   // announced 16 bytes
  for (std::size_t i = 2; i < small.size(); i += 32) small[i] = 0x30;  // some of 12,304
  roms.push_back(small);

  std::mt19937 rng(11);
  for (int r = 0; r < 6; ++r) {
    Bytes rom(30000);
    for (auto& b : rom) b = static_cast<std::uint8_t>(rng() % 4 == 0 ? 0x10 : rng() % 3);
    for (int k = 0; k < 8; ++k) {
      std::uint32_t compr = 0;
      const Bytes s = ValidStream(rng, 2000 + rng() % 9000, &compr);
      const std::size_t at = rng() % (rom.size() - 64) & ~std::size_t{3};
      // some streams run off the end of the ROM, some overwrite one another
      for (std::size_t i = 0; i < s.size() && at + i < rom.size(); ++i) rom[at + i] = s[i];
    }
    roms.push_back(rom);
  }
  return roms;
}

}  // namespace

// Both ways of judging the candidates whose output passes 4096 bytes: walked on their own
// (sharing refusals along the group chains) and by the shared table (a budget of 0), and
// the first few walked, the rest by the table.
TEST(ScanLZ10, SharedTableGivesWhatEachPositionGivesOnItsOwn) {
  int index = 0;
  for (const Bytes& rom : TableRoms()) {
    for (const bool overlaps : {false, true}) {
      for (const std::uint32_t align : {1u, 4u}) {
        const auto expected = ScanOneByOne(rom, 32, align, overlaps);
        for (const std::size_t budget : {SIZE_MAX, std::size_t{0}, std::size_t{20000}}) {
          TLZ10ScanOptions options{32, align};
          options.overlaps = overlaps;
          options.farWalkBudget = budget;
          EXPECT_EQ(ScanLZ10(rom, options), expected)
              << "ROM " << index << " align " << align << " overlaps " << overlaps << " budget "
              << budget;
        }
      }
    }
    ++index;
  }
}

TEST(ScanLZ10, SkipsPositionsInsideAStreamFoundUnlessAskedForOverlaps) {
  // A stream of eight literals whose fifth byte starts a valid stream of its own.
  const Bytes rom = {0x10, 8, 0, 0, 0x00, 1, 2, 3, 0x10, 4, 0, 0, 0x00, 7, 7, 7, 7};
  EXPECT_EQ(ScanLZ10(rom, {0, 4}), (std::vector<TLZ10Stream>{{0, 8, 13}}));
  TLZ10ScanOptions options{0, 4};
  options.overlaps = true;
  EXPECT_EQ(ScanLZ10(rom, options), (std::vector<TLZ10Stream>{{0, 8, 13}, {8, 4, 9}}));
}

TEST(ScanLZ10, ProgressSeesTheRomAndCanStopTheScan) {
  std::mt19937 rng(2);
  std::uint32_t compr = 0;
  const Bytes s = ValidStream(rng, 100, &compr);
  Bytes rom(1 << 20, 0);
  std::copy(s.begin(), s.end(), rom.begin());
  std::copy(s.begin(), s.end(), rom.end() - 4096);
  std::size_t calls = 0;
  TLZ10ScanOptions options{32, 4};
  options.progress = [&](std::size_t done, std::size_t total) {
    EXPECT_EQ(total, rom.size());
    EXPECT_LT(done, total);
    return ++calls < 3;
  };
  const auto found = ScanLZ10(rom, options);
  EXPECT_EQ(calls, 3u);
  ASSERT_EQ(found.size(), 1u) << "stopped before the second stream";
  EXPECT_EQ(found[0].address, 0u);
}

namespace tegulo {
namespace {

// The scan that refuses streams running into zeros keeps every stream without five literal
// zeros in a row, and drops those with them: bait of LZ77-10 headers between zero blocks,
// and a real stream before a zero filler.
bool HasFiveLiteralZeros(std::span<const std::uint8_t> rom, std::size_t pos) {
  struct TZeroRun {
    unsigned run = 0;
    bool seen = false;
    bool Literal(std::uint32_t /*out*/, std::uint8_t b) {
      run = b == 0 ? run + 1 : 0;
      seen = seen || run >= 5;
      return true;
    }
    bool Reference(std::uint32_t /*out*/, std::uint32_t /*length*/) {
      run = 0;
      return true;
    }
    void LastFlags(unsigned /*rest*/) {}
  } walk;
  return WalkLZ10(rom, pos, walk).has_value() && walk.seen;
}

TEST(ScanLZ10, RefusingZeroRunsDropsOnlyStreamsWithFiveLiteralZeros) {
  std::vector<std::uint8_t> bait(64U << 10U, 0);
  for (std::size_t i = 0; i < bait.size(); ++i) {
    constexpr std::uint8_t kUnit[] = {0x10, 0x00, 0x20, 0x00};  // 8 KiB announced
    if ((i >> 14U) % 2 == 0) bait[i] = kUnit[i % 4];
  }
  // 8 literals, then two references to them: 32 bytes, and zeros after the stream.
  std::vector<std::uint8_t> stream = {0x10, 0x20, 0, 0, 0x00, 1,    2,    3,    4,
                                      5,    6,    7, 8, 0xC0, 0xF0, 0x07, 0x30, 0x07};
  stream.resize(4096, 0);
  const struct {
    const char* name;
    const std::vector<std::uint8_t>& rom;
    bool dropsSome;
  } cases[] = {{"bait blocks", bait, true}, {"stream before zeros", stream, false}};
  for (const auto& c : cases) {
    TLZ10ScanOptions plain{kDefaultScanMinSize, 1, true};  // overlaps: none hides another
    TLZ10ScanOptions zeros = plain;
    zeros.refuseZeroRuns = true;
    const auto all = ScanLZ10(c.rom, plain);
    const auto kept = ScanLZ10(c.rom, zeros);
    ASSERT_FALSE(all.empty()) << c.name;
    EXPECT_EQ(kept.size() < all.size(), c.dropsSome)
        << c.name << ": " << kept.size() << " of " << all.size();
    for (const TLZ10Stream& s : all) {
      const bool isKept = std::find(kept.begin(), kept.end(), s) != kept.end();
      if (!isKept)
        EXPECT_TRUE(HasFiveLiteralZeros(c.rom, s.address)) << c.name << " at " << s.address;
    }
    for (const TLZ10Stream& s : kept) {
      EXPECT_NE(std::find(all.begin(), all.end(), s), all.end()) << c.name << " at " << s.address;
    }
  }
}

}  // namespace
}  // namespace tegulo
