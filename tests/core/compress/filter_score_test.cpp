// The facts and the score of the filter schemes (Diff-8, Diff-16): data filtered as a game's
// tools do against the same data behind a header that only happens to read as one.
#include <gtest/gtest.h>

#include <random>
#include <span>
#include <vector>

#include "compress/scan/filter_score.h"
#include "compress/scan/stream_scan.h"
#include "compress/scheme_formats.h"
#include "stream_content.h"

namespace tegulo {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Header(int unitBytes, std::size_t size) {
  return {static_cast<std::uint8_t>(unitBytes == 2 ? 0x82 : 0x81), static_cast<std::uint8_t>(size),
          static_cast<std::uint8_t>(size >> 8), static_cast<std::uint8_t>(size >> 16)};
}

// The stream of `data` filtered, or `data` itself behind a header (a chance header).
Bytes Stream(const Bytes& data, int unitBytes, bool filtered) {
  Bytes s = Header(unitBytes, data.size());
  unsigned last = 0;
  for (std::size_t i = 0; i + static_cast<std::size_t>(unitBytes) <= data.size();
       i += static_cast<std::size_t>(unitBytes)) {
    const unsigned v = unitBytes == 2 ? data[i] | data[i + 1] << 8 : data[i];
    const unsigned d = filtered ? v - last : v;
    s.push_back(static_cast<std::uint8_t>(d));
    if (unitBytes == 2) s.push_back(static_cast<std::uint8_t>(d >> 8));
    last = v;
  }
  return s;
}

TFilterFacts FactsOf(const Bytes& stream, int unitBytes) {
  TDecodeBuffer out;
  FindSchemeFormat(unitBytes == 2 ? kSchemeDiff16 : kSchemeDiff8)->decode(stream, out, nullptr);
  const std::span<const std::uint8_t> body = std::span(stream).subspan(4);
  return FilterFacts(body, std::span<const std::uint8_t>(out).first(body.size()), unitBytes);
}

Bytes Content(gen::TContent kind, std::size_t size, std::uint32_t seed) {
  std::mt19937 rng(seed);
  return gen::MakeContent(kind, size, rng);
}

Bytes Instrument(std::size_t size, int unitBytes, std::uint32_t seed) {
  std::mt19937 rng(seed);
  return gen::MakeInstrument(size, unitBytes, rng);
}

struct TDataRow {
  const char* what;
  Bytes data;
  int unitBytes;
};

// Pictures, text and maps filtered come back simpler than their differences; the running sum
// of the same data behind a chance header is nearer noise than the data.
TEST(FilterFacts, AFilteredPictureComesBackSimplerThanItsDifferences) {
  const TDataRow rows[] = {
      {"4bpp tiles", Content(gen::TContent::kTiles4bpp, 4096, 1), 1},
      {"text", Content(gen::TContent::kText, 4096, 2), 1},
      {"tilemap", Content(gen::TContent::kTilemap, 4096, 3), 1},
      {"4bpp tiles in words", Content(gen::TContent::kTiles4bpp, 4096, 4), 2},
  };
  for (const TDataRow& r : rows) {
    const TFilterFacts real = FactsOf(Stream(r.data, r.unitBytes, true), r.unitBytes);
    const TFilterFacts chance = FactsOf(Stream(r.data, r.unitBytes, false), r.unitBytes);
    EXPECT_GT(real.bodyBytesEntropy - real.outBytesEntropy, 0.3) << r.what;
    EXPECT_LT(chance.bodyBytesEntropy - chance.outBytesEntropy, 0.15) << r.what;
  }
}

// Sound filtered: small steps, a range it never leaves, the values of its start again later.
// Behind a chance header the same sound sums to a wave that drifts round every value.
TEST(FilterFacts, FilteredSoundStaysInABoundedRangeWithSmallSteps) {
  for (const int unitBytes : {1, 2}) {
    for (std::uint32_t seed = 1; seed <= 4; ++seed) {
      const Bytes sound = Instrument(4096, unitBytes, seed);
      const TFilterFacts real = FactsOf(Stream(sound, unitBytes, true), unitBytes);
      const TFilterFacts chance = FactsOf(Stream(sound, unitBytes, false), unitBytes);
      EXPECT_GT(real.smallShare, 0.7) << unitBytes << " " << seed;
      EXPECT_GT(real.kept, 0.85) << unitBytes << " " << seed;
      EXPECT_GE(real.gap, 64) << unitBytes << " " << seed;
      EXPECT_TRUE(chance.gap < 32 || chance.kept < 0.6) << unitBytes << " " << seed;
    }
  }
}

// 15-bit colours filtered by 16: every unit's bit 15 clear, where a running sum of colours
// passes 0x8000.
TEST(FilterFacts, FilteredColoursKeepBit15Clear) {
  const Bytes palette = Content(gen::TContent::kPalette, 2048, 5);
  EXPECT_EQ(FactsOf(Stream(palette, 2, true), 2).clearTop, 1.0);
  EXPECT_LT(FactsOf(Stream(palette, 2, false), 2).clearTop, 0.97);
}

// Sparse data filtered comes back to its level after each burst; behind a chance header each
// burst moves the sum to a new level.
TEST(FilterFacts, FilteredSparseDataComesBackToItsLevels) {
  for (const int unitBytes : {1, 2}) {
    const Bytes sparse = Content(gen::TContent::kZeroRuns, 16384, 6);
    const TFilterFacts real = FactsOf(Stream(sparse, unitBytes, true), unitBytes);
    const TFilterFacts chance = FactsOf(Stream(sparse, unitBytes, false), unitBytes);
    ASSERT_GE(real.levels, 3u) << unitBytes;
    EXPECT_EQ(real.returns, real.levels - 1) << unitBytes;
    EXPECT_LT(chance.returns * 4, chance.levels) << unitBytes;
  }
}

Bytes Noise(std::size_t size, std::uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes out(size);
  for (auto& b : out) b = static_cast<std::uint8_t>(rng() >> 24U);
  return out;
}

// `stream` with the bytes that follow it in the ROM.
Bytes Then(Bytes stream, const Bytes& after) {
  stream.insert(stream.end(), after.begin(), after.end());
  return stream;
}

// Zeros with a burst of a few bytes at `at` (short sparse data: one burst).
Bytes OneBurst(std::size_t size, std::size_t at) {
  Bytes data(size, 0);
  for (std::size_t k = 0; k < 5; ++k) data[at + k] = static_cast<std::uint8_t>(0x31 + 0x45 * k);
  return data;
}

// 16-bit samples made 32 times quieter.
Bytes Quiet(Bytes sound) {
  for (std::size_t i = 0; i + 1 < sound.size(); i += 2) {
    const auto v = static_cast<std::int16_t>(sound[i] | sound[i + 1] << 8) / 32;
    sound[i] = static_cast<std::uint8_t>(v);
    sound[i + 1] = static_cast<std::uint8_t>(static_cast<unsigned>(v) >> 8U);
  }
  return sound;
}

// `size` bytes of `data` from `at`.
Bytes Slice(const Bytes& data, std::size_t at, std::size_t size) {
  return {data.begin() + static_cast<std::ptrdiff_t>(at),
          data.begin() + static_cast<std::ptrdiff_t>(at + size)};
}

// `stream` with the size in its header changed to `size`.
Bytes WithSize(Bytes stream, std::size_t size) {
  const Bytes header = Header(stream[0] == 0x82 ? 2 : 1, size);
  std::copy(header.begin(), header.end(), stream.begin());
  return stream;
}

// A blank area but for one mark, as a picture with a dot on a blank screen.
Bytes Marked(std::size_t size) {
  Bytes data(size, 0);
  data[size / 5] = 0xCE;
  return data;
}

// `stream` under another type byte.
Bytes WithType(Bytes stream, std::uint8_t type) {
  stream[0] = type;
  return stream;
}

// The score over real streams of every kind of data and over chance headers before data of
// each kind and before fillers.
TEST(FilteredScore, RealStreamsReachTheDefaultAndChanceHeadersDoNot) {
  const struct {
    const char* what;
    Bytes stream;
    int unitBytes;
    bool found;
    std::size_t at = 0;  // where the header lies in `stream`
  } rows[] = {
      {"tiles by 8", Stream(Content(gen::TContent::kTiles4bpp, 4096, 11), 1, true), 1, true},
      {"tilemap by 16", Stream(Content(gen::TContent::kTilemap, 2048, 12), 2, true), 2, true},
      {"text by 8", Stream(Content(gen::TContent::kText, 2048, 13), 1, true), 1, true},
      {"palette by 8", Stream(Content(gen::TContent::kPalette, 2048, 14), 1, true), 1, true},
      {"palette by 16", Stream(Content(gen::TContent::kPalette, 2048, 14), 2, true), 2, true},
      {"sparse by 8", Stream(Content(gen::TContent::kZeroRuns, 8192, 17), 1, true), 1, true},
      {"8bpp tiles by 16", Stream(Content(gen::TContent::kTiles8bpp, 8192, 21), 2, true), 2, true},
      {"8bpp tiles by 8", Stream(Content(gen::TContent::kTiles8bpp, 8192, 22), 1, true), 1, true},
      {"quiet sound by 16", Stream(Quiet(Instrument(2048, 2, 31)), 2, true), 2, true},
      {"one burst by 8", Stream(OneBurst(200, 30), 1, true), 1, true},
      {"blank by 8 that stops at its end", Then(Stream(Bytes(97, 0), 1, true), {0, 0, 0, 7}), 1,
       true},
      {"blank by 16 that stops at its end", Then(Stream(Bytes(80, 0), 2, true), {0x3C}), 2, true},
      {"blank by 8 but one mark, that stops at its end",
       Then(Stream(Marked(2672), 1, true), {0xFF}), 1, true},
      {"header before zeros but one mark, that run on",
       Then(Stream(Marked(2672), 1, false), {0, 9}), 1, false},
      {"header before tiles", Stream(Content(gen::TContent::kTiles4bpp, 4096, 11), 1, false), 1,
       false},
      {"header before text", Stream(Content(gen::TContent::kText, 2048, 13), 1, false), 1, false},
      {"header before sparse data", Stream(Content(gen::TContent::kZeroRuns, 8192, 17), 1, false),
       1, false},
      {"16-bit header before a map", Stream(Content(gen::TContent::kTilemap, 2048, 12), 2, false),
       2, false},
      {"header before noise", Stream(Noise(4096, 18), 1, false), 1, false},
      {"tiles by 8 longer than the sample",
       Stream(Content(gen::TContent::kTiles4bpp, 24576, 19), 1, true), 1, true},
      {"header before text and a filtered picture",
       Then(Then(Header(1, 3000 + 4 + 4096), Content(gen::TContent::kText, 3000, 25)),
            Stream(Content(gen::TContent::kTiles4bpp, 4096, 26), 1, true)),
       1, false},
      {"header whose size runs on past filtered tiles into noise",
       WithSize(
           Then(Stream(Content(gen::TContent::kTiles4bpp, 16384, 19), 1, true), Noise(8192, 20)),
           24576),
       1, false},
      {"header before zeros", Stream(Bytes(4096, 0), 1, false), 1, false},
      {"header before zeros that run on", Then(Stream(Bytes(96, 0), 1, false), {0, 0, 0, 0, 9}), 1,
       false},
      {"header before one burst", Stream(OneBurst(200, 30), 1, false), 1, false},
      {"header before sparse rows of tiles",
       Stream(Slice(Content(gen::TContent::kTiles4bpp, 4096, 19), 848, 128), 1, false), 1, false},
      {"header before blank and full rows of tiles",
       Stream(Slice(Content(gen::TContent::kTiles2bpp, 4096, 1), 624, 64), 1, false), 1, false},
      {"16-bit header before 8bpp tiles",
       Stream(Content(gen::TContent::kTiles8bpp, 8192, 21), 2, false), 2, false},
      {"16-bit header before one burst", Stream(OneBurst(300, 0), 2, false), 2, false},
      {"16-bit header before 0xFF", Stream(Bytes(4096, 0xFF), 2, false), 2, false},
      {"tiles by 8 under 0x80",
       WithType(Stream(Content(gen::TContent::kTiles4bpp, 4096, 11), 1, true), 0x80), 1, true},
      {"0x80 header before a row of 2bpp tiles",
       WithType(Stream(Slice(Content(gen::TContent::kTiles2bpp, 4096, 1), 400, 32), 1, false),
                0x80),
       1, false},
      {"blank by 16 alone among zeros", Then(Then(Bytes(8, 0), Stream(Bytes(64, 0), 2, true)), {0}),
       2, true, 8},
      {"8-bit header alone among zeros",
       Then(Then(Bytes(8, 0), Stream(Bytes(64, 0), 1, true)), {0}), 1, false, 8},
      {"16-bit header after a byte, before zeros that run on",
       Then(Then(Bytes{0, 0, 0, 0x41}, Stream(Bytes(64, 0), 2, false)), {0}), 2, false, 4},
  };
  for (const auto& r : rows) {
    const auto hit =
        CheckAndScore(r.stream, r.at, r.unitBytes == 2 ? kSchemeDiff16 : kSchemeDiff8, 32);
    ASSERT_TRUE(hit.has_value()) << r.what;
    EXPECT_EQ(hit->score >= kDefaultMinScore, r.found) << r.what << ": score " << hit->score;
  }
}

// Sound is the hard case: a drum's differences are as noisy as the drum, a decaying note turns
// slowly at ever lower levels, and a header before signed 16-bit sound sums it to a slow wave.
// Over twenty instruments of each size, nearly all are found and hardly any chance header
// before them. Between a short wave and a long one (a few hundred samples) neither the range
// nor the many values of a long wave show yet: the output's steadiness must.
TEST(FilteredScore, FindsMostInstrumentsAndAlmostNoHeaderBeforeThem) {
  const struct {
    std::size_t size;
    int unitBytes;
    int found;  // at least, of 20
  } rows[] = {
      {6000, 1, 17},
      {6000, 2, 17},
      {640, 1, 17},
      {800, 2, 17},
  };
  for (const auto& r : rows) {
    const int scheme = r.unitBytes == 2 ? kSchemeDiff16 : kSchemeDiff8;
    int found = 0;
    int chance = 0;
    for (std::uint32_t seed = 10; seed < 30; ++seed) {
      const Bytes sound = Instrument(r.size, r.unitBytes, seed);
      const auto reaches = [&](bool filtered) {
        return CheckAndScore(Stream(sound, r.unitBytes, filtered), 0, scheme, 32)->score >=
                       kDefaultMinScore
                   ? 1
                   : 0;
      };
      found += reaches(true);
      chance += reaches(false);
    }
    EXPECT_GE(found, r.found) << r.size << " " << r.unitBytes;
    EXPECT_LE(chance, 1) << r.size << " " << r.unitBytes;
  }
}

// `data`'s samples of `unitBytes` bytes made `by` times quieter.
Bytes Quieter(Bytes data, int unitBytes, int by) {
  for (std::size_t i = 0; i + static_cast<std::size_t>(unitBytes) <= data.size();
       i += static_cast<std::size_t>(unitBytes)) {
    if (unitBytes == 1) {
      data[i] = static_cast<std::uint8_t>(static_cast<std::int8_t>(data[i]) / by);
    } else {
      const auto v = static_cast<std::int16_t>(data[i] | data[i + 1] << 8) / by;
      data[i] = static_cast<std::uint8_t>(v);
      data[i + 1] = static_cast<std::uint8_t>(static_cast<unsigned>(v) >> 8U);
    }
  }
  return data;
}

// A short instrument (a few dozen to a couple of hundred samples) is too short for its range
// and its return to its values to show: its small steps of many sizes must. A header before
// the same samples, loud or quiet, sums them to a wave too, mostly to one side of 0.
TEST(FilteredScore, FindsMostShortInstrumentsAndFewHeadersBeforeThem) {
  for (const int unitBytes : {1, 2}) {
    const int scheme = unitBytes == 2 ? kSchemeDiff16 : kSchemeDiff8;
    int found = 0;
    int chance = 0;
    int quietChance = 0;
    int cases = 0;
    for (std::uint32_t seed = 50; seed < 90; ++seed, ++cases) {
      const std::size_t size = (64 + seed % 5 * 40) / 2 * 2;
      const Bytes sound = Instrument(size, unitBytes, seed);
      const auto reaches = [&](const Bytes& data, bool filtered) {
        const auto hit = CheckAndScore(Stream(data, unitBytes, filtered), 0, scheme, 32);
        return hit->score >= kDefaultMinScore ? 1 : 0;
      };
      found += reaches(sound, true);
      chance += reaches(sound, false);
      quietChance += reaches(Quieter(sound, unitBytes, 8), false);
    }
    EXPECT_GE(found * 4, cases * 3) << unitBytes;
    EXPECT_LE(chance, 1) << unitBytes;
    // The running sum of quiet 16-bit sound stays below 0x8000 and reads as a ramp of colours
    // in a quarter of the cases.
    EXPECT_LE(quietChance * (unitBytes == 2 ? 4 : 20), cases) << unitBytes;
  }
}

// Streams of data of few values, short ones above all: their output holds fewer byte values
// than their differences, or draws as tiles with fewer colours, where a chance header before
// the same bytes gives a running sum of as many values and colours or more. (8bpp tiles read
// in words run in pairs of pixels, which the entropies of words and bytes both miss.)
TEST(FilteredScore, DataOfFewValuesIsFoundAndAHeaderBeforeItIsNot) {
  const TDataRow rows[] = {
      {"48 bytes of 2bpp tiles by 8", Content(gen::TContent::kTiles2bpp, 48, 41), 1},
      {"48 bytes of 2bpp tiles by 16", Content(gen::TContent::kTiles2bpp, 48, 44), 2},
      {"48 bytes of 4bpp tiles by 8", Content(gen::TContent::kTiles4bpp, 48, 42), 1},
      {"64 bytes of 4bpp tiles by 16", Content(gen::TContent::kTiles4bpp, 64, 41), 2},
      {"96 bytes of 8bpp tiles by 8", Content(gen::TContent::kTiles8bpp, 96, 46), 1},
      {"96 bytes of a map by 16", Content(gen::TContent::kTilemap, 96, 46), 2},
      {"64 bytes of colours by 8", Content(gen::TContent::kPalette, 64, 45), 1},
      {"512 bytes of 8bpp tiles by 16", Content(gen::TContent::kTiles8bpp, 512, 42), 2},
  };
  for (const TDataRow& r : rows) {
    const int scheme = r.unitBytes == 2 ? kSchemeDiff16 : kSchemeDiff8;
    const int real = CheckAndScore(Stream(r.data, r.unitBytes, true), 0, scheme, 32)->score;
    const int chance = CheckAndScore(Stream(r.data, r.unitBytes, false), 0, scheme, 32)->score;
    EXPECT_GE(real, kDefaultMinScore) << r.what;
    EXPECT_LT(chance, kDefaultMinScore) << r.what;
  }
}

// Short streams (64 to 128 bytes of tiles or colours, taken anywhere in the data) have few
// runs and values to go by: their output must still come back simpler than their
// differences, and a chance header before the same bytes almost never does.
TEST(FilteredScore, FindsMostShortStreamsAndFewHeadersBeforeThem) {
  const gen::TContent kinds[] = {gen::TContent::kTiles2bpp, gen::TContent::kTiles4bpp,
                                 gen::TContent::kPalette};
  for (const int unitBytes : {1, 2}) {
    const int scheme = unitBytes == 2 ? kSchemeDiff16 : kSchemeDiff8;
    int found = 0;
    int chance = 0;
    int windows = 0;
    for (const gen::TContent kind : kinds) {
      const Bytes data = Content(kind, 4096, 40);
      for (std::uint32_t k = 0; k < 100; ++k, ++windows) {
        const std::size_t size = 64 + k % 3 * 32;
        const Bytes window(data.begin() + k * 38, data.begin() + k * 38 + size);
        const auto score = [&](bool filtered) {
          return CheckAndScore(Stream(window, unitBytes, filtered), 0, scheme, 32)->score;
        };
        found += score(true) >= kDefaultMinScore ? 1 : 0;
        chance += score(false) >= kDefaultMinScore ? 1 : 0;
      }
    }
    EXPECT_GE(found * 100, windows * (unitBytes == 2 ? 80 : 90)) << unitBytes;
    EXPECT_LE(chance * 100, windows * (unitBytes == 2 ? 5 : 1)) << unitBytes;
  }
}

}  // namespace
}  // namespace tegulo

namespace tegulo {
namespace {

// `bytes` padded with `fill` to a multiple of 4, as a stream is placed in a ROM.
Bytes Aligned(Bytes bytes, std::uint8_t fill = 0x5A) {
  while (bytes.size() % 4 != 0) bytes.push_back(fill);
  return bytes;
}

// Filtered data whose differences hold a Diff-8 header at `at` (a multiple of 4 past the
// stream's header): `data` with the bytes from `at` set so that their differences read
// 81 00 04 00 (1024 bytes), the rest kept as they differ.
Bytes WithHeaderInside(Bytes data, std::size_t at) {
  const std::uint8_t steps[] = {0x81, 0x00, 0x04, 0x00};
  std::uint8_t last = data[at - 1];
  std::vector<int> rest;
  for (std::size_t i = at + 4; i < data.size(); ++i) rest.push_back(data[i] - data[i - 1]);
  for (std::size_t k = 0; k < 4; ++k)
    data[at + k] = last = static_cast<std::uint8_t>(last + steps[k]);
  for (std::size_t i = at + 4; i < data.size(); ++i) {
    data[i] = static_cast<std::uint8_t>(data[i - 1] + rest[i - at - 4]);
  }
  return data;
}

// A chance header whose size runs on over a filtered stream reads that stream's differences as
// its own body and scores as high; the body before the later header tells them apart. Each row:
// the ROM, where the stream lies and where a chance header lies that must not be reported.
TEST(FilterScan, AChanceHeaderGivesWayToTheStreamItRunsInto) {
  const Bytes tiles = Content(gen::TContent::kTiles4bpp, 2048, 61);
  Bytes sparse(3000, 0);
  for (std::size_t at = 400; at < sparse.size(); at += 333) sparse[at] = sparse[at + 1] = 0x24;
  const struct {
    const char* what;
    Bytes rom;
    std::size_t stream;
    std::size_t chance;
  } rows[] = {
      {"header before noise and a stream",
       Then(Then(Aligned(Then(Header(1, 2400), Noise(200, 62))), Stream(tiles, 1, true)),
            Noise(1024, 66)),
       204, 0},
      {"header before tiles and a stream",
       Then(Then(Aligned(Then(Header(1, 2400), Content(gen::TContent::kTiles2bpp, 252, 63))),
                 Stream(tiles, 1, true)),
            Noise(1024, 67)),
       256, 0},
      {"stream whose differences hold a header",
       Then(Noise(16, 64), Stream(WithHeaderInside(tiles, 600), 1, true)), 16, 620},
      {"sparse stream whose blank start ends in a header",
       Then(Noise(16, 65), Stream(WithHeaderInside(sparse, 80), 1, true)), 16, 100},
  };
  for (const auto& r : rows) {
    const auto chance = CheckAndScore(r.rom, r.chance, kSchemeDiff8, 32);
    ASSERT_TRUE(chance.has_value()) << r.what;
    ASSERT_GE(chance->score, kDefaultMinScore) << r.what;  // what makes the row worth a test
    const int diff8[] = {kSchemeDiff8};
    bool found = false;
    for (const TScanHit& h : ScanStreams(r.rom, diff8, TScanOptions{})) {
      EXPECT_NE(h.address, r.chance) << r.what;
      found = found || h.address == r.stream;
    }
    EXPECT_TRUE(found) << r.what;
  }
}

}  // namespace
}  // namespace tegulo
