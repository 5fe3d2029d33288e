// RNC1 and RNC2: the worked examples, the rules a decoder reports, cut streams, round trips,
// the scan, and both compressors against exhaustive searches on small inputs.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <queue>
#include <random>
#include <string>
#include <vector>

#include "compress/rnc/rnc_format.h"
#include "compress/scan/stream_scan.h"
#include "compress/scheme_formats.h"
#include "rnc_examples.h"
#include "sample_data.h"

using namespace tegulo;

namespace {

using Bytes = std::vector<std::uint8_t>;

const TSchemeFormat& Row(const char* name) {
  const auto row = FindScheme(name);
  EXPECT_TRUE(row.has_value()) << name;
  return SchemeFormats()[static_cast<std::size_t>(row.value_or(0))];
}

struct TDecoded {
  Bytes out;
  std::uint32_t used = 0;
  bool notValid = false;
};

TDecoded Decode(const char* scheme, std::span<const std::uint8_t> stream) {
  TDecoded d;
  d.used = Row(scheme).decode(stream, d.out, &d.notValid);
  return d;
}

void PutBe(Bytes& s, std::size_t at, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) {
    s[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * (bytes - 1 - i)));
  }
}

// The header's packed CRC made right again after a change to the packed data.
void FixPackedCrc(Bytes& s) { PutBe(s, 14, rnc::Crc16(std::span(s).subspan(rnc::kHeaderSize)), 2); }

}  // namespace

TEST(RncSchemes, WorkedExamplesDecode) {
  for (const test::TRncExample& e : test::RncExamples()) {
    const TDecoded d = Decode(e.scheme, e.stream);
    EXPECT_EQ(d.out, e.input) << e.name;
    EXPECT_EQ(d.used, e.stream.size()) << e.name;
    EXPECT_FALSE(d.notValid) << e.name;
  }
}

// Ours are no larger than the other packer's; RNC2's parse is exact, so the same size.
TEST(RncSchemes, CompressorsWriteNoMoreThanTheExamples) {
  for (const test::TRncExample& e : test::RncExamples()) {
    const Bytes s = Row(e.scheme).compress(e.input, {});
    if (e.method == 2) {
      EXPECT_EQ(s.size(), e.stream.size()) << e.name;
    } else {
      EXPECT_LE(s.size(), e.stream.size()) << e.name;
    }
    EXPECT_EQ(Decode(e.scheme, s).out, e.input) << e.name;
    EXPECT_EQ(s[17], 1) << e.name;  // the real count of chunks or blocks
  }
}

TEST(RncSchemes, BrokenRulesAreReported) {
  const auto& ex = test::RncExamples();
  const Bytes rnc1 = ex[0].stream;
  const Bytes rnc2 = ex[2].stream;
  const struct {
    const char* name;
    const char* scheme;
    Bytes base;
    std::function<void(Bytes&)> change;
  } cases[] = {
      {"packed CRC", "RNC1", rnc1, [](Bytes& s) { s[15] ^= 1; }},
      {"decoded CRC", "RNC1", rnc1, [](Bytes& s) { s[13] ^= 1; }},
      {"packed CRC", "RNC2", rnc2, [](Bytes& s) { s[14] ^= 0x80; }},
      {"decoded CRC", "RNC2", rnc2, [](Bytes& s) { s[12] ^= 0x80; }},
      {"other method", "RNC1", rnc2, [](Bytes&) {}},
      {"other method", "RNC2", rnc1, [](Bytes&) {}},
      {"no signature", "RNC2", rnc2, [](Bytes& s) { s[0] = 'r'; }},
      {"decoded size above the limit", "RNC2", rnc2,
       [](Bytes& s) { PutBe(s, 4, rnc::kMaxSize + 1, 4); }},
      {"chunk count differs", "RNC1", rnc1, [](Bytes& s) { s[17] = 2; }},
      {"key bit", "RNC1", rnc1,
       [](Bytes& s) {
         s[18] |= 2;
         FixPackedCrc(s);
       }},
      {"key bit", "RNC2", rnc2,
       [](Bytes& s) {
         s[18] |= 0x40;
         FixPackedCrc(s);
       }},
      {"packed size leaves bytes over", "RNC2", rnc2,
       [](Bytes& s) {
         s.push_back(0);
         PutBe(s, 8, static_cast<std::uint32_t>(s.size() - rnc::kHeaderSize), 4);
         FixPackedCrc(s);
       }},
      {"packed size too small", "RNC2", rnc2,
       [](Bytes& s) {
         PutBe(s, 8, 5, 4);
         PutBe(s, 14, rnc::Crc16(std::span(s).subspan(rnc::kHeaderSize, 5)), 2);
       }},
      // The copy of 9 at distance 3 made distance 4, one byte before the output.
      {"copy from before the output", "RNC2", rnc2,
       [](Bytes& s) {
         s[24] = 3;
         FixPackedCrc(s);
       }},
      // The decoded size one short: the last copy passes it.
      {"copy past the decoded size", "RNC2", rnc2, [](Bytes& s) { PutBe(s, 4, 11, 4); }},
      {"decoded size never reached", "RNC1", rnc1, [](Bytes& s) { PutBe(s, 4, 13, 4); }},
  };
  for (const auto& c : cases) {
    Bytes s = c.base;
    c.change(s);
    EXPECT_TRUE(Decode(c.scheme, s).notValid) << c.scheme << ": " << c.name;
  }
}

// A stream cut by the end of the bytes is only short: never reported, never read past.
TEST(RncSchemes, CutStreamsStopInsideTheirBytes) {
  std::vector<test::TRncExample> streams = test::RncExamples();
  const Bytes tiles = MakeTileLikeData(2000, 3);
  streams.push_back({"tiles", "RNC1", 1, tiles, CompressRNC1(tiles)});
  streams.push_back({"tiles", "RNC2", 2, tiles, CompressRNC2(tiles)});
  for (const auto& e : streams) {
    for (std::size_t n = 0; n < e.stream.size(); ++n) {
      const Bytes cut(e.stream.begin(), e.stream.begin() + static_cast<std::ptrdiff_t>(n));
      const TDecoded d = Decode(e.scheme, cut);
      EXPECT_LE(d.used, n) << e.name << " cut to " << n;
      EXPECT_FALSE(d.notValid) << e.name << " cut to " << n;
      EXPECT_EQ(Row(e.scheme).extent(cut), d.used) << e.name << " cut to " << n;
    }
  }
}

TEST(RncSchemes, RoundTripsWithTheirCounts) {
  std::uint32_t x = 7;
  Bytes noise(3000);
  for (auto& b : noise) b = static_cast<std::uint8_t>((x = x * 1103515245U + 12345U) >> 16);
  // A chunk of noise and its start again, from the farthest a copy reaches and one further.
  Bytes farthest(32768);
  for (auto& b : farthest) b = static_cast<std::uint8_t>((x = x * 1103515245U + 12345U) >> 16);
  farthest.insert(farthest.end(), farthest.begin(), farthest.begin() + 600);
  const struct {
    const char* name;
    Bytes data;
    std::size_t rnc1Chunks;
  } cases[] = {
      {"empty", {}, 0},
      {"one byte", {0x7F}, 1},
      {"noise", noise, 1},
      {"zeros over three chunks", Bytes(70000, 0), 3},
      {"tiles over two chunks", MakeTileLikeData(40000, 9), 2},
      {"tiles searched in full", MakeTileLikeData(1024, 3), 1},
      {"tiles one byte past a full search", MakeTileLikeData(1025, 3), 1},
      {"tiles of one whole chunk", MakeTileLikeData(32767, 4), 1},
      {"tiles one byte past a chunk", MakeTileLikeData(32768, 4), 2},
      {"copies from the farthest back", farthest, 2},
  };
  for (const auto& c : cases) {
    for (const char* scheme : {"RNC1", "RNC2"}) {
      const Bytes s = Row(scheme).compress(c.data, {});
      std::size_t count = 0;
      Bytes out;
      bool notValid = true;
      const std::uint32_t used = scheme[3] == '1' ? DecompressRNC1(s, out, &notValid, &count)
                                                  : DecompressRNC2(s, out, &notValid, &count);
      EXPECT_FALSE(notValid) << scheme << " " << c.name;
      EXPECT_EQ(used, s.size()) << scheme << " " << c.name;
      EXPECT_TRUE(std::equal(c.data.begin(), c.data.end(), out.begin())) << scheme << c.name;
      EXPECT_EQ(count, scheme[3] == '1' ? c.rnc1Chunks : 1) << scheme << " " << c.name;
      EXPECT_EQ(s[17], count) << scheme << " " << c.name;
    }
  }
}

TEST(RncSchemes, ScanFindsStreamsAtAnyAddress) {
  Bytes rom = MakeTileLikeData(1 << 14, 11);
  const Bytes a = MakeTileLikeData(3000, 12);
  const Bytes b = MakeTileLikeData(2000, 13);
  const Bytes s1 = CompressRNC1(a);
  const Bytes s2 = CompressRNC2(b);
  std::copy(s1.begin(), s1.end(), rom.begin() + 1001);
  std::copy(s2.begin(), s2.end(), rom.begin() + 9003);
  TScanOptions options;
  options.align = 1;
  const std::vector<int> all = SchemesOfScanAll();
  const std::vector<TScanHit> hits = ScanStreams(rom, all, options);
  const auto found = [&](std::size_t at, const char* scheme, std::size_t size) {
    return std::any_of(hits.begin(), hits.end(), [&](const TScanHit& h) {
      return h.address == at && h.scheme == FindScheme(scheme) && h.comprSize == size;
    });
  };
  EXPECT_TRUE(found(1001, "RNC1", s1.size()));
  EXPECT_TRUE(found(9003, "RNC2", s2.size()));
}

// Shortest RNC2 stream by brute force: every token at every distance, the fewest bits to the
// end of the data from each position.
TEST(CompressRNC2, MatchesAnExhaustiveSearch) {
  const auto lengthBits = [](std::size_t l) -> int { return l <= 5 ? 4 : l <= 8 ? 5 : 12; };
  const auto distanceBits = [](std::size_t d) -> int {
    const std::size_t h = (d - 1) / 256;
    return 8 + (h == 0 ? 1 : h == 1 ? 3 : h < 4 ? 4 : h < 8 ? 5 : 6);
  };
  std::uint32_t x = 5;
  const auto next = [&x] { return (x = x * 1103515245U + 12345U) >> 16; };
  for (int round = 0; round < 12; ++round) {
    // Small alphabets, lengths that reach the far distance classes and the literal runs.
    const std::size_t n = round < 6 ? 14 + static_cast<std::size_t>(round) * 3 : 700 + round * 40;
    Bytes data(n);
    for (auto& b : data) b = static_cast<std::uint8_t>(next() % (round % 3 == 0 ? 2 : 3 + round));
    std::vector<long> best(n + 1, 0);
    for (std::size_t p = n; p-- > 0;) {
      long b = 9 + best[p + 1];
      for (std::size_t run = 12; run <= 72 && p + run <= n; run += 4) {
        b = std::min(b, static_cast<long>(9 + 8 * run) + best[p + run]);
      }
      for (std::size_t d = 1; d <= std::min<std::size_t>(p, 4096); ++d) {
        std::size_t l = 0;
        while (p + l < n && l < 263 && data[p + l] == data[p + l - d]) ++l;
        if (l >= 2 && d <= 256) b = std::min(b, 11 + best[p + 2]);
        for (std::size_t k = 3; k <= l; ++k) {
          b = std::min(b, lengthBits(k) + distanceBits(d) + best[p + k]);
        }
      }
      best[p] = b;
    }
    const std::size_t shortest =
        rnc::kHeaderSize + static_cast<std::size_t>(2 + best[0] + 13 + 7) / 8;
    EXPECT_EQ(CompressRNC2(data).size(), shortest) << "round " << round;
  }
}

namespace {

// The least total code length of Huffman codes for the counts (one used symbol: 1 bit each).
long HuffmanBits(const std::map<int, long>& counts) {
  if (counts.size() == 1) return counts.begin()->second;
  std::priority_queue<long, std::vector<long>, std::greater<>> q;
  for (const auto& [s, c] : counts) q.push(c);
  long total = 0;
  while (q.size() > 1) {
    const long a = q.top();
    q.pop();
    const long b = q.top();
    q.pop();
    total += a + b;
    q.push(a + b);
  }
  return total;
}

int Symbol(std::size_t v) {
  int s = 0;
  while ((v >> s) != 0) ++s;
  return s;
}

// Every single-chunk RNC1 stream of `data`: each parse (a run, then a copy of any length from
// any distance, ..., a last run) with its best Huffman tables; the smallest size.
struct TRnc1Search {
  const Bytes& data;
  std::vector<std::size_t> runs;
  std::vector<std::pair<std::size_t, std::size_t>> copies;
  std::size_t best = SIZE_MAX;

  std::size_t Size() const {
    std::map<int, long> t[3];
    long bits = 2 + 16 + 8 * 0;
    std::size_t literals = 0;
    for (const std::size_t r : runs) {
      ++t[0][Symbol(r)];
      literals += r;
    }
    for (const auto& [l, d] : copies) {
      ++t[1][Symbol(d - 1)];
      ++t[2][Symbol(l - 2)];
    }
    for (const auto& table : t) {
      bits += 5;
      if (table.empty()) continue;
      bits += 4 * (table.rbegin()->first + 1) + HuffmanBits(table);
      for (const auto& [s, c] : table) bits += c * (s >= 2 ? s - 1 : 0);
    }
    return rnc::kHeaderSize + 2 * static_cast<std::size_t>((bits + 15) / 16) + literals;
  }
  void From(std::size_t p) {
    for (std::size_t r = 0; p + r <= data.size(); ++r) {
      runs.push_back(r);
      const std::size_t q = p + r;
      if (q == data.size()) best = std::min(best, Size());
      for (std::size_t d = 1; d <= q; ++d) {
        for (std::size_t l = 2; q + l <= data.size() && data[q + l - 1] == data[q + l - 1 - d];
             ++l) {
          if (!std::equal(data.begin() + q, data.begin() + q + l, data.begin() + q - d)) break;
          copies.emplace_back(l, d);
          From(q + l);
          copies.pop_back();
        }
      }
      runs.pop_back();
    }
  }
};

}  // namespace

// Data of up to 12 bytes is searched in full by the compressor too, and the last chunk is
// judged by bytes (the last row's fewest bits take a word more than its fewest bytes).
TEST(CompressRNC1, MatchesAnExhaustiveSearchOnSmallInputs) {
  const Bytes cases[] = {
      {1, 1, 1, 1, 1, 1, 1, 1, 1},    {1, 2, 1, 2, 1, 2, 1, 2, 3},
      {1, 2, 3, 1, 2, 3, 4, 1, 2, 3}, {5, 5, 6, 5, 5, 6, 6, 5, 5},
      {9, 8, 7, 6, 9, 8, 7, 6, 9, 8}, {7, 7, 0, 7, 7, 0, 7, 7, 7, 0},
      {0, 1, 0, 0, 1, 1, 0, 1, 0, 0},
  };
  for (const Bytes& data : cases) {
    TRnc1Search search{data, {}, {}};
    search.From(0);
    EXPECT_EQ(CompressRNC1(data).size(), search.best) << testing::PrintToString(data);
  }
}

// Random data of up to 12 bytes, which the compressor also searches in full.
TEST(CompressRNC1, MatchesAnExhaustiveSearchOnRandomSmallInputs) {
  std::mt19937 rng(5);
  for (int round = 0; round < 300; ++round) {
    Bytes data(3 + rng() % 8);
    const unsigned values = 2 + rng() % 3;
    for (auto& b : data) b = static_cast<std::uint8_t>(rng() % values);
    TRnc1Search search{data, {}, {}};
    search.From(0);
    EXPECT_EQ(CompressRNC1(data).size(), search.best) << testing::PrintToString(data);
  }
}
