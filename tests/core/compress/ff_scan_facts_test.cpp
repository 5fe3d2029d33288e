// The tokens of FF5 and FF6 streams that no encoder writes: each sinks a candidate below the
// default minimum score, while the streams of every encoder, ours included, have none.
#include "compress/scan/ff_scan_facts.h"

#include <gtest/gtest.h>

#include <string_view>
#include <utility>
#include <vector>

#include "compress/compressors.h"
#include "compress/flag/ff_layout.h"
#include "compress/scan/stream_scan.h"
#include "compress/uCompress.h"
#include "sample_data.h"

namespace tegulo {
namespace {

using Bytes = std::vector<std::uint8_t>;
using TToken = std::pair<std::size_t, std::size_t>;  // length (0: a literal), distance

// `data` as an FF stream of the given tokens, its header as the scheme states it.
Bytes FFStream(bool ff6, std::string_view data, std::initializer_list<TToken> tokens) {
  Bytes s{0, 0};
  std::size_t out = 0;
  std::size_t flagsAt = 0;
  unsigned bit = 8;
  for (const auto& [length, distance] : tokens) {
    if (bit == 8) {
      flagsAt = s.size();
      s.push_back(0);
      bit = 0;
    }
    if (length == 0) {
      s[flagsAt] |= static_cast<std::uint8_t>(1U << bit);
      s.push_back(static_cast<std::uint8_t>(data[out++]));
    } else {
      const std::uint16_t r = ff6 ? ff::JoinReference<true>(out, distance, length)
                                  : ff::JoinReference<false>(out, distance, length);
      s.insert(s.end(), {static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(r >> 8)});
      out += length;
    }
    ++bit;
  }
  const std::size_t h = ff6 ? s.size() : out;
  s[0] = static_cast<std::uint8_t>(h);
  s[1] = static_cast<std::uint8_t>(h >> 8);
  return s;
}

constexpr TToken kLit{0, 0};

TEST(CountWastefulTokens, TokensThatOneReferenceWritesForLessAreCounted) {
  const struct {
    const char* what;
    std::string_view data;
    std::initializer_list<TToken> tokens;
    bool wasteful;
  } kCases[] = {
      {"a literal the reference before copies",
       "abcxabcx",
       {kLit, kLit, kLit, kLit, {3, 4}, kLit},
       true},
      {"a literal the reference before does not copy",
       "abcxabcy",
       {kLit, kLit, kLit, kLit, {3, 4}, kLit},
       false},
      {"two references that the first writes alone",
       "abcdefabcdef",
       {kLit, kLit, kLit, kLit, kLit, kLit, {3, 6}, {3, 6}},
       true},
      {"one reference for the same bytes",
       "abcdefabcdef",
       {kLit, kLit, kLit, kLit, kLit, kLit, {6, 6}},
       false},
      {"literals only, three bytes again",
       "abcdeabc",
       {kLit, kLit, kLit, kLit, kLit, kLit, kLit, kLit},
       true},
      {"literals only, nothing again",
       "abcdefgh",
       {kLit, kLit, kLit, kLit, kLit, kLit, kLit, kLit},
       false},
  };
  for (const auto& c : kCases) {
    const Bytes output(c.data.begin(), c.data.end());
    for (const bool ff6 : {false, true}) {
      const Bytes stream = FFStream(ff6, c.data, c.tokens);
      EXPECT_EQ(CountWastefulTokens(stream, ff6, output) != 0, c.wasteful) << c.what << ff6;
    }
  }
}

TEST(CheckStream, FFRefusesWhatNoEncoderWrites) {
  const auto facts = [](const Bytes& stream, int scheme) {
    TStreamStats st;
    st.factsOnly = true;
    return CheckStream(stream, 0, scheme, 0, &st).has_value();
  };
  const struct {
    const char* what;
    std::string_view data;
    std::initializer_list<TToken> tokens;
    bool passes;
  } kCases[] = {
      {"literals a b a b", "xyabab", {kLit, kLit, kLit, kLit, kLit, kLit}, true},
      {"literals a b a b a", "xyababa", {kLit, kLit, kLit, kLit, kLit, kLit, kLit}, false},
      // A lazy encoder defers each literal to a longer match at the next byte.
      {"literals a b a b a, then a reference longer than their lazy chain",
       "xyababa",
       {kLit, kLit, kLit, kLit, kLit, kLit, kLit, {6, 7}},
       true},
      {"literals a b a b a, then a reference too short for a lazy chain",
       "xyababa",
       {kLit, kLit, kLit, kLit, kLit, kLit, kLit, {5, 7}},
       false},
      {"literals a b a b a b a, then a long reference",
       "xyabababa",
       {kLit, kLit, kLit, kLit, kLit, kLit, kLit, kLit, kLit, {20, 9}},
       false},
      {"the same reference twice",
       "abcdefabcabc",
       {kLit, kLit, kLit, kLit, kLit, kLit, {3, 6}, {3, 9}},
       true},
      {"the same reference three times",
       "abcdefabcabcabc",
       {kLit, kLit, kLit, kLit, kLit, kLit, {3, 6}, {3, 9}, {3, 12}},
       false},
  };
  for (const auto& c : kCases) {
    for (const int scheme : {kSchemeFF5, kSchemeFF6}) {
      const Bytes stream = FFStream(scheme == kSchemeFF6, c.data, c.tokens);
      EXPECT_EQ(facts(stream, scheme), c.passes) << c.what << " " << scheme;
    }
  }
}

// A long FF5 stream of literals with a reference of 4 bytes 30 back after every 60: every
// literal differs from the one two before and, after a reference, from the byte the reference
// would copy next. With `wasteAt`, the literal after the reference that ends there is that
// byte instead.
Bytes LongFF5Stream(std::size_t size, std::size_t wasteAt) {
  Bytes out;
  Bytes s{static_cast<std::uint8_t>(size), static_cast<std::uint8_t>(size >> 8)};
  std::size_t flagsAt = 0;
  unsigned bit = 8;
  const auto token = [&](bool literal) {
    if (bit == 8) {
      flagsAt = s.size();
      s.push_back(0);
      bit = 0;
    }
    if (literal) s[flagsAt] |= static_cast<std::uint8_t>(1U << bit);
    ++bit;
  };
  std::uint32_t x = 5;
  bool afterReference = false;
  while (out.size() < size) {
    const std::size_t o = out.size();
    if (o % 64 == 60 && o + 4 <= size) {
      token(false);
      const std::uint16_t r = ff::JoinReference<false>(o, 30, 4);
      s.insert(s.end(), {static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(r >> 8)});
      for (int k = 0; k < 4; ++k) out.push_back(out[out.size() - 30]);
      afterReference = true;
      continue;
    }
    x = x * 1103515245U + 12345U;
    auto b = static_cast<std::uint8_t>(x >> 16);
    const bool waste = afterReference && o == wasteAt;
    if (waste) b = out[o - 30];
    while (!waste && ((o >= 2 && b == out[o - 2]) || (afterReference && b == out[o - 30]))) ++b;
    token(true);
    s.push_back(b);
    out.push_back(b);
    afterReference = false;
  }
  return s;
}

// A stream longer than the score's sample is judged whole: a token no encoder writes past the
// sample sinks it as one inside would (a chance reading that starts in a real stream's literals
// turns to garbage past its end).
TEST(CheckAndScore, FFStreamsLongerThanTheSampleAreJudgedWhole) {
  const std::size_t size = kScoreSample + 4096;
  const std::size_t tail = kScoreSample + 2048 + 64;  // just after a reference
  const struct {
    const char* what;
    std::size_t wasteAt;
    bool meets;
  } kCases[] = {
      {"no waste", SIZE_MAX, true},
      {"waste in the sample", 1024 + 64, false},
      {"waste past the sample", tail, false},
  };
  for (const auto& c : kCases) {
    const Bytes stream = LongFF5Stream(size, c.wasteAt);
    const auto hit = CheckAndScore(stream, 0, kSchemeFF5, 32);
    ASSERT_TRUE(hit.has_value()) << c.what;
    EXPECT_EQ(hit->rawSize, size) << c.what;
    EXPECT_EQ(hit->score >= kDefaultMinScore, c.meets) << c.what << " " << hit->score;
  }
}

// Our own optimal compressors, zeros from the ring included, on tile data of several sizes.
TEST(CheckAndScore, StreamsOfOurFFCompressorsMeetTheFacts) {
  for (const std::size_t size : {64U, 700U, 5000U, 20000U}) {
    const auto data = MakeTileLikeData(size, 7);
    const auto ff5 = CompressFF5(data);
    const auto ff6 = CompressFF6(data);
    for (const auto& [scheme, stream] : {std::pair{kSchemeFF5, &ff5}, {kSchemeFF6, &ff6}}) {
      const auto hit = CheckAndScore(*stream, 0, scheme, 32);
      ASSERT_TRUE(hit.has_value()) << scheme << " " << size;
      EXPECT_GE(hit->score, kDefaultMinScore) << scheme << " " << size;
    }
  }
}

}  // namespace
}  // namespace tegulo

namespace tegulo {
namespace {

// An FF6 stream of literals that stops inside a group, read as FF5, runs on past its stated
// length into the bytes after it and ends tidily there too; the FF6 reading wins.
TEST(ScanStreams, AnFF6ReadingThatStopsWhereItsHeaderSaysWins) {
  std::vector<std::uint8_t> rom{43, 0};
  for (unsigned i = 0; i < 36; ++i) {
    if (i % 8 == 0) rom.push_back(i < 32 ? 0xFF : 0x0F);
    rom.push_back(static_cast<std::uint8_t>(0x20 + i * 37 % 91));
  }
  // FF5 reads on in the last group, its flags clear: a reference of 7 bytes ends it tidily.
  const std::uint16_t r = ff::JoinReference<false>(36, 20, 7);
  rom.insert(rom.end(), {static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(r >> 8)});
  rom.resize(rom.size() + 16, 0);
  const int schemes[] = {kSchemeFF5, kSchemeFF6};
  TScanOptions options;
  options.minSize = 0;
  options.overlaps = true;
  ASSERT_EQ(ScanStreams(rom, schemes, options).size(), 2U) << "both readings pass";
  options.overlaps = false;
  const auto hits = ScanStreams(rom, schemes, options);
  ASSERT_EQ(hits.size(), 1U);
  EXPECT_EQ(hits[0].scheme, kSchemeFF6);
  EXPECT_EQ(hits[0].comprSize, 43U);
}

}  // namespace
}  // namespace tegulo
