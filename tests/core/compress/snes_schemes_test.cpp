// LC_LZ2, LC_LZ5, HAL and LC_LZ1: the worked examples both ways, the decoder's rule breaks and
// limits, round trips, and the compressor against an exhaustive search.
#include "compress/commands/command_formats.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "base/uCommon.h"
#include "compress/commands/command_reach.h"
#include "compress/commands/command_walk.h"
#include "compress/scheme_formats.h"
#include "more_examples.h"
#include "sample_data.h"

using namespace tegulo;

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr TCommandFormat kFormats[] = {TCommandFormat::LCLZ2, TCommandFormat::LCLZ5,
                                       TCommandFormat::HAL, TCommandFormat::LCLZ1};

Bytes Random(std::size_t n, std::uint32_t seed, unsigned alphabet = 256) {
  std::mt19937 rng(seed);
  Bytes d(n);
  for (auto& b : d) b = static_cast<std::uint8_t>(rng() % alphabet);
  return d;
}

// Bytes with what every command kind codes well: runs, counting, complements, mirrors.
Bytes Mixed(std::size_t n, std::uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes d;
  while (d.size() < n) {
    const std::size_t len = 1 + rng() % 40;
    const unsigned kind = rng() % 6;
    const std::size_t from = d.empty() ? 0 : rng() % d.size();
    for (std::size_t k = 0; k < len; ++k) {
      const std::uint8_t v = static_cast<std::uint8_t>(rng());
      switch (kind) {
        case 0: d.push_back(v); break;
        case 1: d.push_back(d.empty() ? 0 : d.back()); break;
        case 2: d.push_back(static_cast<std::uint8_t>(d.empty() ? 0 : d.back() + 1)); break;
        case 3:
          d.push_back(d.empty() ? v : static_cast<std::uint8_t>(~d[(from + k) % d.size()]));
          break;
        case 4: d.push_back(d.empty() ? v : d[(from + d.size() - k) % d.size()]); break;
        default: d.push_back(d.empty() ? v : d[(from + k) % d.size()]); break;
      }
    }
  }
  d.resize(n);
  return d;
}

Bytes Decode(const TCommandFormat& f, const Bytes& stream, TCommandResult* result = nullptr) {
  TDecodeBuffer out(kCommandOutputLimit);
  const TCommandResult r = DecodeCommands(f, stream, out);
  if (result != nullptr) *result = r;
  out.resize(r.written);
  return out;
}

struct TExample {
  const char* name;
  TCommandFormat format;
  Bytes input;
  Bytes stream;
};

std::vector<TExample> Examples() {
  std::vector<TExample> out;
  for (const auto& e : test::MoreExamples()) {
    for (const TCommandFormat& f : kFormats) {
      if (FindScheme(CommandFormatName(f)) == e.scheme) {
        out.push_back({e.name, f, e.input, e.stream});
      }
    }
  }
  return out;
}

}  // namespace

TEST(CommandFormats, WorkedExamplesDecode) {
  for (const TExample& e : Examples()) {
    TCommandResult r;
    EXPECT_EQ(Decode(e.format, e.stream, &r), e.input) << e.name;
    EXPECT_EQ(r.end, TCommandEnd::kEnd) << e.name;
    EXPECT_EQ(r.consumed, e.stream.size()) << e.name;
  }
}

// As short as the worked examples (which came from an optimal encoder); where several
// streams are shortest, the one written may differ from the example's.
TEST(CommandFormats, CompressorWritesStreamsAsShortAsTheWorkedExamples) {
  for (const TExample& e : Examples()) {
    const Bytes s = CompressCommands(e.format, e.input);
    EXPECT_EQ(s.size(), e.stream.size()) << e.name;
    EXPECT_EQ(Decode(e.format, s), e.input) << e.name;
  }
}

TEST(CommandFormats, RuleBreaksAndLimits) {
  struct TCase {
    const char* name;
    TCommandFormat format;
    Bytes stream;
    TCommandEnd end;
    std::uint32_t written;
    std::uint32_t consumed;
  };
  using F = TCommandFormat;
  using E = TCommandEnd;
  std::vector<TCase> cases = {
      {"LC_LZ2 command 5", F::LCLZ2, {0x00, 0x41, 0xA0, 0x00, 0x00, 0xFF}, E::kInvalid, 1, 3},
      {"LC_LZ2 long form 0xF4", F::LCLZ2, {0xF4, 0x00, 0x00, 0xFF}, E::kInvalid, 0, 2},
      {"LC_LZ1 command 5", F::LCLZ1, {0x00, 0x41, 0xA0, 0x01, 0x00, 0xFF}, E::kInvalid, 1, 3},
      {"LC_LZ1 long form 0xFE", F::LCLZ1, {0xFE, 0x00, 0xFF}, E::kInvalid, 0, 2},
      {"LC_LZ1 repeat from the output position (little-endian 1)",
       F::LCLZ1,
       {0x00, 0x41, 0x80, 0x01, 0x00, 0xFF},
       E::kInvalid,
       1,
       3},
      {"LC_LZ1 repeat overlapping its own output",
       F::LCLZ1,
       {0x00, 0x41, 0x81, 0x00, 0x00, 0xFF},
       E::kEnd,
       3,
       6},
      {"repeat from the output position",
       F::LCLZ2,
       {0x00, 0x41, 0x80, 0x00, 0x01, 0xFF},
       E::kInvalid,
       1,
       3},
      {"LC_LZ5 relative distance 0", F::LCLZ5, {0x00, 0x41, 0xC0, 0x00, 0xFF}, E::kInvalid, 1, 3},
      {"LC_LZ5 relative before the start",
       F::LCLZ5,
       {0x00, 0x41, 0xC0, 0x02, 0xFF},
       E::kInvalid,
       1,
       3},
      {"HAL backward past address 0",
       F::HAL,
       {0x01, 0x41, 0x42, 0xC2, 0x00, 0x01, 0xFF},
       E::kInvalid,
       2,
       4},
      {"HAL long command 7 reads as 4",
       F::HAL,
       {0x01, 0x41, 0x42, 0xFC, 0x02, 0x00, 0x00, 0xFF},
       E::kEnd,
       5,
       8},
      {"no end byte", F::LCLZ2, {0x20, 0x41}, E::kTruncated, 1, 2},
      {"direct copy cut short", F::LCLZ2, {0x03, 0x41, 0x42}, E::kTruncated, 2, 3},
      {"long header cut", F::LCLZ5, {0xE0}, E::kTruncated, 0, 1},
  };
  // 33 HAL word fills of 1024 pairs: the last one passes 65,536 bytes.
  TCase full{"output limit", F::HAL, {}, E::kFull, 65536, 33 * 4};
  for (int k = 0; k < 33; ++k) full.stream.insert(full.stream.end(), {0xEB, 0xFF, 0x00, 0x00});
  full.stream.push_back(0xFF);
  cases.push_back(full);
  for (const TCase& c : cases) {
    TCommandResult r;
    const Bytes out = Decode(c.format, c.stream, &r);
    EXPECT_EQ(r.end, c.end) << c.name;
    EXPECT_EQ(r.written, c.written) << c.name;
    EXPECT_EQ(r.consumed, c.consumed) << c.name;
  }
}

TEST(CommandFormats, RoundTripRandomAndMixedData) {
  for (const TCommandFormat& f : kFormats) {
    for (std::uint32_t seed = 0; seed < 10; ++seed) {
      const std::size_t n = seed == 9 ? kCommandOutputLimit : seed * 911 % 5000;
      for (const Bytes& d : {Random(n, seed, 1 + seed * 41 % 256), Mixed(n, seed)}) {
        const Bytes s = CompressCommands(f, d);
        TCommandResult r;
        ASSERT_EQ(Decode(f, s, &r), d) << CommandFormatName(f) << " seed " << seed;
        EXPECT_EQ(r.consumed, s.size()) << CommandFormatName(f) << " seed " << seed;
      }
    }
    EXPECT_THROW(CompressCommands(f, Bytes(kCommandOutputLimit + 1)), TError);
  }
}

namespace {

// Counts the commands that write one byte from a one-byte argument: fills and relative repeats.
class TOneByteRuns final : public command::TCommandHook {
public:
  bool Step(const command::TStep& step) override {
    runs += step.count == 1 && step.rule->argBytes == 1;
    return true;
  }
  std::size_t runs = 0;
};

}  // namespace

// A byte that no neighbour repeats or continues costs as much as a direct copy as a fill or a
// relative repeat of one: the compressor writes the copy, as other encoders do, and the scan
// counts a run of one as chance. Quiet sampled sound climbs a step at a time and is full of
// such ties.
TEST(CompressCommands, WritesNoRunOfOneByte) {
  const struct {
    const char* what;
    Bytes data;
  } kContents[] = {
      {"quiet wave",
       [] {
         Bytes d(4096);
         std::mt19937 rng(4);
         for (std::size_t i = 0; i < d.size(); ++i) {
           const double v = 6 * std::sin(0.07 * static_cast<double>(i)) + (rng() % 3) * 0.4;
           d[i] = static_cast<std::uint8_t>(0x80 + std::lround(v));
         }
         return d;
       }()},
      {"mixed", Mixed(4096, 3)},
      {"three values", Random(4096, 5, 3)},
  };
  for (const auto& c : kContents) {
    for (const TCommandFormat& f : kFormats) {
      const Bytes s = CompressCommands(f, c.data);
      TOneByteRuns runs;
      command::Walk<true>(f, s, nullptr, kCommandOutputLimit, &runs);
      EXPECT_EQ(runs.runs, 0u) << c.what << ", " << CommandFormatName(f);
    }
  }
}

namespace {

// The shortest stream by exhaustive search: every command, every source, every length, each
// checked by writing out what it would decode to.
std::size_t BruteForceSize(const TCommandFormat& f, const Bytes& d) {
  const std::size_t n = d.size();
  const bool hal = f == TCommandFormat::HAL;
  const bool lz5 = f == TCommandFormat::LCLZ5;
  std::vector<std::size_t> best(n + 1, 1u << 30);
  best[n] = 1;
  const auto header = [](std::size_t count) { return count <= 32 ? 1u : 2u; };
  // Does writing `len` bytes from `produce(k)` at i give the data?
  const auto fits = [&](std::size_t i, std::size_t len, auto produce) {
    Bytes out(d.begin(), d.begin() + static_cast<std::ptrdiff_t>(i));
    for (std::size_t k = 0; k < len; ++k) out.push_back(produce(out, k));
    return std::equal(out.begin() + static_cast<std::ptrdiff_t>(i), out.end(),
                      d.begin() + static_cast<std::ptrdiff_t>(i));
  };
  const auto rev = [](std::uint8_t b) {
    unsigned r = 0;
    for (int k = 0; k < 8; ++k) r |= ((b >> k) & 1u) << (7 - k);
    return static_cast<std::uint8_t>(r);
  };
  for (std::size_t i = n; i-- > 0;) {
    auto& b = best[i];
    for (std::size_t len = 1; i + len <= n; ++len) {
      const auto edge = [&](std::size_t cost) { b = std::min(b, cost + best[i + len]); };
      edge(header(len) + len);
      const std::uint8_t a = d[i];
      const std::uint8_t a2 = i + 1 < n ? d[i + 1] : 0;
      if (fits(i, len, [&](const Bytes&, std::size_t) { return a; })) edge(header(len) + 1);
      if (fits(i, len, [&](const Bytes&, std::size_t k) { return std::uint8_t(a + k); })) {
        edge(header(len) + 1);
      }
      if ((!hal || len % 2 == 0) &&
          fits(i, len, [&](const Bytes&, std::size_t k) { return k % 2 ? a2 : a; })) {
        edge(header(hal ? len / 2 : len) + 2);
      }
      for (std::size_t src = 0; src < i; ++src) {
        if (fits(i, len, [&](const Bytes& o, std::size_t k) { return o[src + k]; }))
          edge(header(len) + 2);
        if (lz5 && fits(i, len,
                        [&](const Bytes& o, std::size_t k) { return std::uint8_t(~o[src + k]); })) {
          edge(header(len) + 2);
        }
        if (hal && fits(i, len, [&](const Bytes& o, std::size_t k) { return rev(o[src + k]); })) {
          edge(header(len) + 2);
        }
        if (hal && src + 1 >= len &&
            fits(i, len, [&](const Bytes& o, std::size_t k) { return o[src - k]; })) {
          edge(header(len) + 2);
        }
        const std::size_t dist = i - src;
        if (lz5 && dist <= 255) {
          if (fits(i, len, [&](const Bytes& o, std::size_t k) { return o[src + k]; }))
            edge(header(len) + 1);
          if (fits(i, len,
                   [&](const Bytes& o, std::size_t k) { return std::uint8_t(~o[src + k]); })) {
            edge(2 + 1);
          }
        }
      }
    }
  }
  return best[0];
}

}  // namespace

TEST(CompressCommands, MatchesBruteForceOnShortInputs) {
  std::mt19937 rng(2);
  for (int round = 0; round < 60; ++round) {
    const std::size_t n = rng() % 24;
    const Bytes d = round % 2 ? Mixed(n, rng()) : Random(n, rng(), 1 + rng() % 3);
    for (const TCommandFormat& f : kFormats) {
      ASSERT_EQ(CompressCommands(f, d).size(), BruteForceSize(f, d))
          << CommandFormatName(f) << " round " << round << " n " << n;
    }
  }
}

// Inputs long enough for counts past 32 (two-byte headers), made of runs and copies.
TEST(CompressCommands, MatchesBruteForceWithLongCommands) {
  std::mt19937 rng(7);
  for (int round = 0; round < 8; ++round) {
    const Bytes d = Mixed(50 + rng() % 30, rng());
    for (const TCommandFormat& f : kFormats) {
      ASSERT_EQ(CompressCommands(f, d).size(), BruteForceSize(f, d))
          << CommandFormatName(f) << " round " << round << " n " << d.size();
    }
  }
}

namespace {

// The byte a repeat of `kind` writes at k from source address a, or none past the data's start.
std::optional<std::uint8_t> Written(command::TKind kind, const Bytes& d, std::size_t a,
                                    std::size_t k) {
  if (kind == command::kRepeatBack) {
    if (k > a) return std::nullopt;
    return d[a - k];
  }
  const std::uint8_t b = d[a + k];
  if (kind == command::kRepeatXor) return static_cast<std::uint8_t>(~b);
  if (kind == command::kRepeatBits) return command::kReversedBits[b];
  return b;
}

std::size_t RepeatLength(command::TKind kind, const Bytes& d, std::size_t i, std::size_t a) {
  const std::size_t most = std::min(command::kMaxCount, d.size() - i);
  std::size_t len = 0;
  while (len < most && Written(kind, d, a, len) == d[i + len]) ++len;
  return len;
}

// Data with copies of every absolute kind: plain, complemented, bit-reversed, backward.
Bytes Copies(std::size_t n, std::uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes d;
  while (d.size() < n) {
    const std::size_t len = 2 + rng() % 30;
    const auto kind = static_cast<command::TKind>(command::kRepeat + rng() % 4);
    const bool fresh = d.empty();  // nothing to repeat: the first run is chance bytes
    const std::size_t a = fresh ? 0 : rng() % d.size();
    for (std::size_t k = 0; k < len; ++k) {
      const std::optional<std::uint8_t> b = fresh ? std::nullopt : Written(kind, d, a, k);
      d.push_back(b ? *b : static_cast<std::uint8_t>(rng() % 8));
    }
  }
  d.resize(n);
  return d;
}

}  // namespace

// The longest absolute repeat at each position, over every kind the format has, against a
// search of every earlier address; and the repeat the reach names writes the data.
TEST(CommandReach, LongestRepeatOfAnyKindAtEveryPosition) {
  const struct {
    const char* name;
    Bytes data;
  } cases[] = {
      {"copies of every kind", Copies(700, 3)},
      {"tile-like", MakeTileLikeData(768, 5)},
      {"three symbols", Random(500, 9, 3)},
      {"symmetric bytes", Random(400, 4, 2)},  // 0x00 and 0x01: bit reversal keeps only 0x00
      {"a run past the longest count", Bytes(1100, 0x3C)},
  };
  for (const TCommandFormat& f : kFormats) {
    for (const auto& c : cases) {
      const Bytes& d = c.data;
      const command::TAbsoluteReach r = command::AbsoluteReach(f, d);
      for (std::size_t i = 0; i < d.size(); ++i) {
        std::size_t want = 0;
        for (const auto kind :
             {command::kRepeat, command::kRepeatXor, command::kRepeatBits, command::kRepeatBack}) {
          if (!f.Has(kind)) continue;
          for (std::size_t a = 0; a < i && want < d.size() - i; ++a) {
            want = std::max(want, RepeatLength(kind, d, i, a));
          }
        }
        if (want < 2) want = 0;
        ASSERT_EQ(r.Length(i), want) << CommandFormatName(f) << ", " << c.name << ", at " << i;
        if (want == 0) continue;
        ASSERT_LT(r.source[i], i) << CommandFormatName(f) << ", " << c.name << ", at " << i;
        EXPECT_EQ(RepeatLength(r.Kind(i), d, i, r.source[i]), want)
            << CommandFormatName(f) << ", " << c.name << ", at " << i;
      }
    }
  }
}
