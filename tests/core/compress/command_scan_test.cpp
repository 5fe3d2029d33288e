// The scan's facts for the command formats: streams as encoders write them meet them, data
// and commands that only read as such streams do not.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "command_writers.h"
#include "compress/commands/command_formats.h"
#include "compress/commands/command_walk.h"
#include "compress/scan/stream_scan.h"
#include "compress/scheme_formats.h"
#include "stream_content.h"

namespace tegulo {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct TFormatRow {
  const char* name;
  gen::TCommandKind kind;
};
constexpr TFormatRow kFormats[] = {{"LC_LZ2", gen::TCommandKind::kLCLZ2},
                                   {"LC_LZ5", gen::TCommandKind::kLCLZ5},
                                   {"HAL", gen::TCommandKind::kHAL}};

int Scheme(const char* name) { return *FindScheme(name); }

// The score of the stream at `pos` of `bytes`, or -1 where the checker refuses it.
int ScoreAt(const Bytes& bytes, int scheme, std::size_t pos = 0) {
  const auto hit = CheckAndScore(bytes, pos, scheme, kDefaultScanMinSize);
  return hit ? hit->score : -1;
}

Bytes Noise(std::size_t size, std::uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes out(size);
  for (auto& b : out) b = static_cast<std::uint8_t>(rng() >> 24U);
  return out;
}

Bytes Content(gen::TContent kind, std::size_t size, std::uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes out = gen::MakeContent(kind, size, rng);
  out.resize(size);
  return out;
}

Bytes Join(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// Data as games pack it, written by encoders apart from ours (greedy and shortest) and by
// ours: every stream meets the facts and scores at least the default minimum.
TEST(CommandScan, StreamsOfEveryEncoderMeetTheFacts) {
  struct TData {
    const char* name;
    Bytes data;
  };
  const TData rows[] = {
      // A run of noise-like bytes longer than a short header holds, then tiles.
      {"300 noise bytes then 4bpp tiles",
       Join(Noise(300, 5), Content(gen::TContent::kTiles4bpp, 2004, 6))},
      {"300 sound bytes then 2bpp tiles",
       Join(Content(gen::TContent::kSound, 300, 10), Content(gen::TContent::kTiles2bpp, 1236, 11))},
      // The shortest streams of tilemaps are long rows of word fills.
      {"tilemap", Content(gen::TContent::kTilemap, 4096, 7)},
      {"8bpp tiles", Content(gen::TContent::kTiles8bpp, 4096, 8)},
      {"2bpp tiles", Content(gen::TContent::kTiles2bpp, 2048, 9)},
  };
  for (const TFormatRow& f : kFormats) {
    const TCommandFormat& format = f.kind == gen::TCommandKind::kLCLZ2   ? TCommandFormat::LCLZ2
                                   : f.kind == gen::TCommandKind::kLCLZ5 ? TCommandFormat::LCLZ5
                                                                         : TCommandFormat::HAL;
    for (const TData& row : rows) {
      const Bytes streams[] = {gen::WriteCommands(row.data, f.kind, false),
                               gen::WriteCommands(row.data, f.kind, true),
                               CompressCommands(format, row.data)};
      const char* const writers[] = {"greedy", "shortest", "ours"};
      for (int w = 0; w < 3; ++w) {
        EXPECT_GE(ScoreAt(streams[w], Scheme(f.name)), kDefaultMinScore)
            << f.name << " " << writers[w] << ": " << row.name;
      }
    }
  }
}

// An LC_LZ2 stream of ten commands that meets every fact, 64 bytes of output.
std::vector<Bytes> BaseCommands() {
  return {
      {0x07, 0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF},  // 8 bytes as they are: 0..7
      {0x27, 0x00},                                            // 8 zeros: 8..15
      {0x86, 0x00, 0x00},                                      // 7 bytes from 0: 16..22
      {0x03, 0x12, 0x34, 0x56, 0x78},                          // 23..26
      {0x24, 0x99},                                            // 5 times 0x99: 27..31
      {0x64, 0x10},                                            // 10 11 12 13 14: 32..36
      {0x02, 0xA1, 0xB2, 0xC3},                                // 37..39
      {0x46, 0x5A, 0xA5},                                      // 5A A5 ... (7 bytes): 40..46
      {0x88, 0x00, 0x17},                                      // 9 bytes from 23: 47..55
      {0x07, 0xF0, 0xE1, 0xD2, 0xC3, 0xB4, 0xA5, 0x96, 0x87},  // 56..63
  };
}

Bytes Stream(const std::vector<Bytes>& commands) {
  Bytes s;
  for (const Bytes& c : commands) s.insert(s.end(), c.begin(), c.end());
  s.push_back(0xFF);
  return s;
}

// Commands an encoder never writes, each in the stream above (its output kept a multiple of
// 16 bytes): the stream still decodes, but misses the facts.
TEST(CommandScan, CommandsThatCostMoreThanAnotherWayMissTheFacts) {
  const int lz2 = Scheme("LC_LZ2");
  ASSERT_GE(ScoreAt(Stream(BaseCommands()), lz2), kDefaultMinScore);
  struct TRow {
    const char* name;
    std::vector<std::pair<std::size_t, Bytes>> changes;  // command index, its new bytes
  };
  const TRow rows[] = {
      {"an absolute copy of a zero run", {{2, {0x86, 0x00, 0x08}}}},
      {"a one-byte fill after a direct copy",
       {{4, {0x20, 0x99}},
        {9, {0x0B, 0xF0, 0xE1, 0xD2, 0xC3, 0xB4, 0xA5, 0x96, 0x87, 0x11, 0x22, 0x33, 0x44}}}},
      {"a direct copy ending in the byte the fill repeats", {{3, {0x03, 0x12, 0x34, 0x56, 0x99}}}},
      {"a direct copy starting with the fill's next value", {{6, {0x02, 0x15, 0xB2, 0xC3}}}},
      {"a rising fill of 10 bytes", {{5, {0x69, 0x10}}, {9, {0x02, 0xF0, 0xE1, 0xD2}}}},
      {"a rising fill of one byte between fills", {{4, {0x23, 0x99, 0x60, 0x55}}}},
      {"three rising fills in a row",
       {{5, {0x61, 0x10, 0x61, 0x20, 0x61, 0x30}},
        {9, {0x06, 0xF0, 0xE1, 0xD2, 0xC3, 0xB4, 0xA5, 0x96}}}},
  };
  for (const TRow& row : rows) {
    std::vector<Bytes> commands = BaseCommands();
    for (const auto& [at, bytes] : row.changes) commands[at] = bytes;
    const Bytes s = Stream(commands);
    TStreamStats stats;
    const auto walked = CheckStream(s, 0, lz2, kDefaultScanMinSize, &stats);
    ASSERT_TRUE(walked) << row.name;
    ASSERT_EQ(walked->rawSize, 64U) << row.name;
    const int score = ScoreAt(s, lz2);
    EXPECT_GE(score, 0) << row.name;
    EXPECT_LT(score, kDefaultMinScore) << row.name;
  }
}

// A quiet instrument: its samples at a quarter of their level, a step or two apart.
Bytes QuietInstrument(std::size_t size, std::uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes out = gen::MakeInstrument(size, 1, rng);
  for (auto& b : out) {
    const long quiet = std::lround(static_cast<std::int8_t>(b) / 4.0);
    b = static_cast<std::uint8_t>(static_cast<std::int8_t>(quiet));
  }
  return out;
}

// Where a quiet wave climbs one by one for a few samples in turn, a shortest parse writes each
// stretch as a rising fill, so several stand in a row, each starting a few steps from where
// the one before stopped. Such rows meet the facts; one whose fills start anywhere, as chance
// text reads, does not.
TEST(CommandScan, RisingFillsInARowMeetTheFactsOnlyAlongAWave) {
  struct TRow {
    const char* name;
    Bytes stream;
    bool meets;
  };
  // The stream of BaseCommands with command 5 (five bytes) as three rising fills of two bytes,
  // starting at 0x10, `second` and `third`; the last direct copy a byte shorter.
  const auto threeFills = [](std::uint8_t second, std::uint8_t third) {
    std::vector<Bytes> commands = BaseCommands();
    commands[5] = {0x61, 0x10, 0x61, second, 0x61, third};
    commands[9] = {0x06, 0xF0, 0xE1, 0xD2, 0xC3, 0xB4, 0xA5, 0x96};
    return Stream(commands);
  };
  const Bytes quiet = QuietInstrument(512, 1);
  const TRow rows[] = {
      {"a quiet instrument, shortest parse",
       gen::WriteCommands(quiet, gen::TCommandKind::kLCLZ2, true), true},
      {"a quiet instrument holding a saw (a rising fill twice), shortest parse",
       gen::WriteCommands(QuietInstrument(512, 40), gen::TCommandKind::kLCLZ2, true), true},
      {"a quiet instrument, greedy parse",
       gen::WriteCommands(quiet, gen::TCommandKind::kLCLZ2, false), true},
      {"three rising fills climbing on", threeFills(0x13, 0x14), true},
      {"three rising fills dipping back", threeFills(0x0F, 0x12), true},
      {"three rising fills, the last far from the one before", threeFills(0x13, 0x30), false},
      {"three rising fills, the second far below the first", threeFills(0x02, 0x05), false},
  };
  const int lz2 = Scheme("LC_LZ2");
  for (const TRow& row : rows) {
    EXPECT_EQ(ScoreAt(row.stream, lz2) >= kDefaultMinScore, row.meets) << row.name;
  }
}

// 15-bit words as literals: even bytes `low`, odd bytes below 0x80 (or with `highBit` on one).
Bytes Words(std::size_t size, bool asciiLow, bool highBit) {
  Bytes out(size);
  for (std::size_t i = 0; i < size; ++i) {
    const auto k = static_cast<unsigned>(i / 2);
    out[i] = static_cast<std::uint8_t>(i % 2 == 0 ? (0x85 + 37 * k) & (asciiLow ? 0x7F : 0xFF)
                                                  : (13 * k) & 0x7F);
  }
  if (highBit) out[size - 5] |= 0x80;
  return out;
}

// Two zeros, 33..256 bytes of words as they are, two bytes of 0x11.
Bytes ThreeCommandsOfWords(const Bytes& words) {
  Bytes s = {0x21, 0x00, 0xE0, static_cast<std::uint8_t>(words.size() - 1)};
  s.insert(s.end(), words.begin(), words.end());
  return Join(s, {0x21, 0x11, 0xFF});
}

// A small font's tiles as an encoder packs them in six commands: literals, a fill, and word
// fills of a blank and a solid row (00 FF) where the second of them is 00 `row`.
Bytes RowsOfFont(std::uint8_t row) {
  return Stream({{0x0F, 0x18, 0x24, 0x42, 0x42, 0x7E, 0x42, 0x42, 0x00, 0x3C, 0x42, 0x40, 0x40,
                  0x40, 0x42, 0x3C, 0x00},
                 {0x45, 0x00, 0xFF},
                 {0x01, 0x12, 0x34},
                 {0x47, 0x00, row},
                 {0x0F, 0x7C, 0x42, 0x42, 0x7C, 0x42, 0x42, 0x7C, 0x00, 0x7E, 0x40, 0x40, 0x7C,
                  0x40, 0x40, 0x7E, 0x00},
                 {0x2F, 0x18}});
}

// `before`, then `wave` as one direct copy (a two-byte header) and the end byte.
Bytes StoredAfter(const Bytes& before, const Bytes& wave) {
  Bytes s = before;
  s.push_back(static_cast<std::uint8_t>(0xE0 | (wave.size() - 1) >> 8U));
  s.push_back(static_cast<std::uint8_t>(wave.size() - 1));
  return Join(Join(s, wave), {0xFF});
}

// `size` samples of a wave falling from `first` by one a sample to `depth` below it, then
// rising back, and so on.
Bytes FallingWave(std::uint8_t first, std::size_t size = 224, int depth = 46) {
  Bytes w(size);
  for (std::size_t k = 0; k < w.size(); ++k) {
    const int phase = static_cast<int>(k % static_cast<std::size_t>(2 * depth));
    w[k] = static_cast<std::uint8_t>(first - (phase <= depth ? phase : 2 * depth - phase));
  }
  return w;
}

// `wave` with its last sample `last`.
Bytes EndingAt(Bytes wave, std::uint8_t last) {
  wave.back() = last;
  return wave;
}

// StoredAfter where the wave runs on through the end byte: its last sample and the byte after
// lie next to 0xFF, as where chance bytes inside a wave read as the list.
Bytes OnThroughTheEnd(const Bytes& before, const Bytes& wave) {
  return Join(StoredAfter(before, EndingAt(wave, 0xF0)), {0xF6});
}

// 8-bit samples with `control` bytes of FF after every `samples` of them, as packed sound
// holds them among its literals.
Bytes SoundAmongControlBytes(std::size_t size, std::size_t samples, std::size_t control) {
  const Bytes sound = Content(gen::TContent::kSound, size, 12);
  Bytes out;
  for (std::size_t k = 0; out.size() < size; ++k) {
    out.push_back(sound[k]);
    if (k % samples == samples - 1) out.insert(out.end(), control, 0xFF);
  }
  out.resize(size);
  return out;
}

// Tile rows of two values in turn, each step 50.
Bytes TwoValueRows(std::size_t size) {
  Bytes out(size);
  for (std::size_t k = 0; k < size; ++k) out[k] = k % 2 == 0 ? 0x40 : 0x72;
  return out;
}

Bytes Instrument(std::size_t size, std::uint32_t seed) {
  std::mt19937 rng(seed);
  return gen::MakeInstrument(size, 1, rng);
}

// Streams of fewer than eight commands: those whose commands chance bytes seldom make (copies
// from an address inside the output so far, direct copies of the longest count joined, long
// fills of zeros, two or more fills of blank or solid rows, literals that read as 15-bit
// words) meet the facts; lists of fills and
// single commands, which chance bytes make all the time, do not (their content decides, and
// it scores below the default minimum here).
TEST(CommandScan, FewCommandsMeetTheFactsOnlyWithStrongEvidence) {
  const Bytes noise = Noise(2608, 31);
  Bytes fullDirects;
  for (std::size_t at = 0; at < noise.size(); at += 1024) {
    const std::size_t n = std::min<std::size_t>(1024, noise.size() - at);
    fullDirects.push_back(static_cast<std::uint8_t>(0xE0 | (n - 1) >> 8));
    fullDirects.push_back(static_cast<std::uint8_t>(n - 1));
    fullDirects.insert(fullDirects.end(), noise.begin() + static_cast<std::ptrdiff_t>(at),
                       noise.begin() + static_cast<std::ptrdiff_t>(at + n));
  }
  fullDirects.push_back(0xFF);
  struct TRow {
    const char* name;
    Bytes stream;
    bool meets;
    std::size_t at = 0;  // where the stream starts in `stream`
  };
  const Bytes sound = Content(gen::TContent::kSound, 400, 13);
  const TRow rows[] = {
      {"three direct copies, two of 1024 bytes", fullDirects, true},
      {"five commands, two of them copies",
       Stream({{0x07, 0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF},
               {0x8F, 0x00, 0x00},
               {0x07, 0xF0, 0xE1, 0xD2, 0xC3, 0xB4, 0xA5, 0x96, 0x87},
               {0x97, 0x00, 0x02},
               {0x07, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88}}),
       true},
      {"five commands, one of them a copy",
       Stream({{0x0F, 0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF, 0x10, 0x32, 0x54, 0x76, 0x98,
                0xBA, 0xDC, 0xFE},
               {0x27, 0x00},
               {0x8F, 0x00, 0x01},
               {0x07, 0xF0, 0xE1, 0xD2, 0xC3, 0xB4, 0xA5, 0x96, 0x87},
               {0x2F, 0x11}}),
       false},
      {"seven fills",
       Stream({{0x27, 0x01},
               {0x47, 0x02, 0x03},
               {0x27, 0x04},
               {0x47, 0x05, 0x06},
               {0x27, 0x07},
               {0x47, 0x08, 0x09},
               {0x2F, 0x0A}}),
       false},
      {"one direct copy of 1024 bytes",
       Join(Join({0xE3, 0xFF}, Bytes(noise.begin(), noise.begin() + 1024)), {0xFF}), false},
      {"a direct copy of 1024 bytes and one of 16",
       Join(Join(Join({0xE3, 0xFF}, Bytes(noise.begin(), noise.begin() + 1024)), {0x0F}),
            Join(Bytes(noise.begin() + 1024, noise.begin() + 1040), {0xFF})),
       true},
      // A wave stored as it is: its header breaks into it from outside, where chance bytes
      // read as such a list where the wave runs through them.
      {"one direct copy of a wave after a filler", StoredAfter({0x00}, sound), true, 1},
      {"one direct copy of a wave after text", StoredAfter({'e', 'n', 'd'}, sound), true, 3},
      {"one direct copy of a wave at the start", StoredAfter({}, sound), true},
      {"one direct copy of a signed wave", StoredAfter({0xFF}, Instrument(304, 14)), true, 1},
      {"a wave running through the header", StoredAfter({0xE2, 0xE1}, FallingWave(0xDE)), false, 2},
      {"a wave running on from the header after a filler", StoredAfter({0x00}, FallingWave(0xDE)),
       false, 1},
      {"a wave after a byte next to its header's, running on through its end byte",
       OnThroughTheEnd({0xE5}, sound), false, 1},
      {"a wave after a byte next to its header's, its end byte breaking out of it",
       StoredAfter({0xE5}, sound), true, 1},
      {"a wave running on from the header's first byte, its end byte breaking out of it",
       Join(StoredAfter({0x00}, FallingWave(0xDE)), {0x20}), false, 1},
      {"packed sound: two control bytes before every 16 samples",
       StoredAfter({0x00}, SoundAmongControlBytes(512, 16, 2)), false, 1},
      {"packed sound: a control byte before every 12 samples",
       StoredAfter({0x00}, SoundAmongControlBytes(512, 12, 1)), false, 1},
      {"tile rows of two values as one direct copy", StoredAfter({0x00}, TwoValueRows(256)), false,
       1},
      {"a wave of 64 samples running on from the header's first byte",
       OnThroughTheEnd({0x00}, FallingWave(0xDE, 64)), false, 1},
      {"a wave running on from the header's count byte",
       OnThroughTheEnd({0x00}, FallingWave(0xBB, 208, 10)), false, 1},
      {"a wave running on from the header's count byte, its end byte breaking out of it",
       StoredAfter({0x00}, FallingWave(0xBB, 208, 10)), true, 1},
      {"a word fill of a wave's first samples, then the rest as one direct copy",
       Join({0x00, 0x42, sound[0], sound[1]},
            StoredAfter({}, Bytes(sound.begin() + 3, sound.end()))),
       true, 1},
      {"a word fill of four bytes before a wave's direct copy",
       Join({0x00, 0x43, sound[0], sound[1]},
            StoredAfter({}, Bytes(sound.begin() + 4, sound.end()))),
       false, 1},
      {"a direct copy of 40 wave samples and a fill",
       Join(Join({0x00, 0xE0, 0x27}, Bytes(sound.begin(), sound.begin() + 40)), {0x27, 0x00, 0xFF}),
       false, 1},
      {"one fill of 160 zeros", {0xE4, 0x9F, 0x00, 0xFF}, true},
      // Solid rows of 2bpp tiles (FF 00 FF 00) read as a fill of zeros after any long header.
      {"a fill of zeros inside a run of FF 00",
       {0xE4, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF},
       false},
      {"a fill of zeros before one more 00 FF",
       {0xE4, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x12, 0x34},
       true},
      {"a fill of zeros whose count breaks the run",
       {0xE4, 0x3F, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF},
       true},
      {"one fill of 160 bytes of 0x11", {0xE4, 0x9F, 0x11, 0xFF}, false},
      {"short fills of zeros around a direct copy",
       Stream({{0x3F, 0x00}, {0x01, 0x12, 0x34}, {0x3D, 0x00}}), false},
      {"three commands of 15-bit words", ThreeCommandsOfWords(Words(60, false, false)), true},
      {"three commands of words with a high bit set", ThreeCommandsOfWords(Words(60, false, true)),
       false},
      {"three commands of ASCII bytes", ThreeCommandsOfWords(Words(60, true, false)), false},
      {"three commands of 22 words", ThreeCommandsOfWords(Words(44, false, false)), false},
      {"one direct copy of 40 words", StoredAfter({}, Words(80, false, false)), true},
      {"one direct copy of 24 words", StoredAfter({}, Words(48, false, false)), true},
      {"one direct copy of words with a high bit set", StoredAfter({}, Words(80, false, true)),
       false},
      {"one direct copy of ASCII bytes", StoredAfter({}, Words(80, true, false)), false},
      {"six commands, two of them fills of 00 FF rows", RowsOfFont(0xFF), true},
      {"six commands, one of them a fill of 00 FF rows", RowsOfFont(0x7E), false},
  };
  const int lz2 = Scheme("LC_LZ2");
  for (const TRow& row : rows) {
    TStreamStats stats;
    const auto hit = CheckStream(row.stream, row.at, lz2, kDefaultScanMinSize, &stats);
    ASSERT_TRUE(hit) << row.name;
    stats.comprSize = hit->comprSize;
    EXPECT_EQ(MeetsFacts(stats), row.meets) << row.name;
    EXPECT_EQ(ScoreAt(row.stream, lz2, row.at) >= kDefaultMinScore, row.meets) << row.name;
  }
}

// Data that reads as command lists ending in 0xFF: text (lower-case letters are rising
// fills), font tiles (runs of 31 and 32 as fills). Some start in each decodes, none meets
// the facts.
TEST(CommandScan, LookAlikeDataMissesTheFacts) {
  std::string text;
  for (int k = 0; k < 40; ++k) text += "the king found a potion in the dark village. ";
  Bytes textBytes(text.begin(), text.end());
  textBytes.push_back(0xFF);
  struct TRow {
    const char* name;
    const char* scheme;
    Bytes bytes;
    bool anyStart;  // every start is tried, else the stream at 0
  };
  const TRow rows[] = {
      {"text", "LC_LZ2", textBytes, true},
      {"text", "LC_LZ5", textBytes, true},
      {"text", "HAL", textBytes, true},
      {"font tiles as fills and rising fills",
       "LC_LZ2",
       {0x00, 0x00, 0x3E, 0x3E, 0x41, 0x7F, 0x41, 0x7F, 0x41, 0x7F, 0x42, 0x7E, 0x41, 0x7F, 0x3E,
        0x3E, 0x00, 0xFF},
       false},
      {"font tiles as runs of 31",
       "HAL",
       {0x3E, 0x00, 0x41, 0x3E, 0x41, 0x3E, 0x41, 0x3E, 0x01, 0x3E, 0x41, 0x3E, 0x3E, 0x00, 0x80,
        0x7F, 0x00, 0xFF},
       false},
  };
  for (const TRow& row : rows) {
    const int scheme = Scheme(row.scheme);
    int decoded = 0;
    const std::size_t starts = row.anyStart ? row.bytes.size() : 1;
    for (std::size_t pos = 0; pos < starts; ++pos) {
      if (!CheckStream(row.bytes, pos, scheme, kDefaultScanMinSize, nullptr)) continue;
      ++decoded;
      const auto hit = CheckAndScore(row.bytes, pos, scheme, kDefaultScanMinSize);
      ASSERT_TRUE(hit);
      EXPECT_LT(hit->score, kDefaultMinScore) << row.name << " as " << row.scheme << " at " << pos;
    }
    EXPECT_GT(decoded, 0) << row.name << " as " << row.scheme;
  }
}

// An LC_LZ2 list of nine fills and direct copies without copies, 64 bytes of output.
std::vector<Bytes> NineCommands() {
  return {
      {0x43, 0x12, 0x34},                                      // 12 34 12 34: 0..3
      {0x02, 0xA1, 0xB2, 0xC3},                                // 4..6
      {0x25, 0x77},                                            // 6 times 0x77: 7..12
      {0x03, 0x10, 0x20, 0x30, 0x40},                          // 13..16
      {0x47, 0x56, 0x78},                                      // 17..24
      {0x04, 0x9A, 0xBC, 0xDE, 0xF0, 0x13},                    // 25..29
      {0x29, 0x88},                                            // 30..39
      {0x07, 0xF1, 0xE2, 0xD3, 0xC4, 0xB5, 0xA6, 0x97, 0x86},  // 40..47
      {0x4F, 0x21, 0x43},                                      // 48..63
  };
}

// Whether `head` and then the nine commands, read as `scheme`, meet the facts; `rawSize`, when
// not 0, is the output the list must write.
void ExpectFactsAfter(const char* name, const char* scheme, const std::vector<Bytes>& head,
                      bool meets, std::uint32_t rawSize = 0) {
  std::vector<Bytes> commands = head;
  for (const Bytes& c : NineCommands()) commands.push_back(c);
  const Bytes s = Stream(commands);
  TStreamStats stats;
  const auto hit = CheckStream(s, 0, Scheme(scheme), kDefaultScanMinSize, &stats);
  ASSERT_TRUE(hit) << name;
  if (rawSize != 0) ASSERT_EQ(hit->rawSize, rawSize) << name;
  stats.comprSize = hit->comprSize;
  EXPECT_EQ(MeetsFacts(stats), meets) << name;
}

// Fills before a list that stands alone, as chance bytes before a real list read: where they
// write more than the list (a long header's fill) they miss the facts; a fill of zeros, or one
// that writes less than the list, is a list's own start.
TEST(CommandScan, LongFillsLeadingIntoAListMissTheFacts) {
  struct TRow {
    const char* name;
    std::vector<Bytes> lead;
    bool meets;
  };
  const TRow rows[] = {
      {"no fill before", {}, true},
      {"a fill of 1008 bytes of 0x5A", {{0xE7, 0xEF, 0x5A}}, false},
      {"two fills of 1008 bytes", {{0xE7, 0xEF, 0x5A}, {0x5F, 0xA5, 0x5A}}, false},
      {"a fill of 1008 zeros", {{0xE7, 0xEF, 0x00}}, true},
      {"a fill of 16 bytes", {{0x2F, 0x5A}}, true},
  };
  for (const TRow& row : rows) ExpectFactsAfter(row.name, "LC_LZ2", row.lead, row.meets);
}

// HAL: a word fill of two equal bytes (31 pairs: no cheaper as a byte fill by itself) and a
// byte fill after it; where the byte fill writes the same byte one byte fill writes both for
// less, which chance bytes of one value read as and encoders never write.
TEST(CommandScan, FillsOfOneValueInARowMissTheFacts) {
  struct TRow {
    const char* name;
    Bytes second;
    bool meets;
  };
  const TRow rows[] = {
      {"a byte fill of the word fill's byte", {0x25, 0x5E}, false},
      {"a byte fill of another byte", {0x25, 0x11}, true},
  };
  // 62 + 6 bytes, then the nine commands' 92 bytes as HAL reads them (word fills in pairs).
  for (const TRow& row : rows) {
    ExpectFactsAfter(row.name, "HAL", {{0x5E, 0x5E, 0x5E}, row.second}, row.meets, 160);
  }
}

// Two or three commands that repeat the ones before byte for byte: a copy of what those wrote
// costs less (up to a long header and two address bytes), which periodic data reads as and
// encoders never write; where the copy costs as much, either will do.
TEST(CommandScan, GroupsOfCommandsRepeatedMissTheFacts) {
  struct TRow {
    const char* name;
    std::vector<Bytes> head;  // before the nine commands
    bool meets;
  };
  const Bytes direct = {0x02, 0xA1, 0xB2, 0xC3};
  const Bytes fill = {0x24, 0x77};
  const TRow rows[] = {
      {"two commands twice", {direct, fill, direct, fill}, false},
      {"two commands, then the first and another", {direct, fill, direct, {0x24, 0x66}}, true},
      {"three commands twice",
       {{0x00, 0x11}, fill, {0x41, 0x56, 0x78}, {0x00, 0x11}, fill, {0x41, 0x56, 0x78}},
       false},
      {"two fills of 1024 zeros twice, more than one copy writes",
       {{0xE7, 0xFF, 0x00}, {0xE7, 0xFF, 0x00}, {0xE7, 0xFF, 0x00}, {0xE7, 0xFF, 0x00}},
       true},
      {"two fills of 32 bytes twice, as dear as a copy",
       {{0x3F, 0x11}, {0x3F, 0x22}, {0x3F, 0x11}, {0x3F, 0x22}},
       true},
  };
  for (const TRow& row : rows) ExpectFactsAfter(row.name, "LC_LZ2", row.head, row.meets);
}

// A command that repeats the one before byte for byte is refused where one command of twice
// the count writes the same bytes; a word fill of an odd count twice writes other bytes, and
// so does a rising fill twice (a saw), though not a third time, where a copy does for less.
TEST(CommandScan, RepeatedCommandsAreRefusedWhereOneWouldDo) {
  struct TRow {
    const char* name;
    Bytes first;  // written `times` in place of the list's first two commands' 4 + 3 bytes
    Bytes last;   // after them, writing the rest of the 7 bytes
    bool taken;
    std::size_t times = 2;
  };
  const TRow rows[] = {
      {"a word fill of 3 bytes twice", {0x42, 0x12, 0x34}, {0x00, 0xA1}, true},
      {"a word fill of 2 bytes twice", {0x41, 0x12, 0x34}, {0x02, 0xA1, 0xB2, 0xC3}, false},
      {"a byte fill of 2 bytes twice", {0x21, 0x12}, {0x02, 0xA1, 0xB2, 0xC3}, false},
      {"a rising fill of 3 bytes twice", {0x62, 0x12}, {0x00, 0xA1}, true},
      {"a rising fill of 2 bytes three times", {0x61, 0x12}, {0x00, 0xA1}, false, 3},
  };
  const int lz2 = Scheme("LC_LZ2");
  for (const TRow& row : rows) {
    std::vector<Bytes> commands = NineCommands();
    commands[0] = row.first;
    commands[1] = row.last;
    commands.insert(commands.begin(), row.times - 1, row.first);
    const Bytes s = Stream(commands);
    const auto hit = CheckStream(s, 0, lz2, kDefaultScanMinSize, nullptr);
    EXPECT_EQ(hit.has_value(), row.taken) << row.name;
    if (hit) {
      EXPECT_EQ(hit->rawSize, 64U) << row.name;
    }
  }
}

// A block written twice in a row by two copies from one address is a stream (one copy from
// there writes the block twice only where the source repeats it); a third such copy is
// refused, as a copy of the first two writes it and the next for less.
TEST(CommandScan, CopiesFromOneAddressAreRefusedOnlyTheThirdTimeInARow) {
  const Bytes copy = {0x8F, 0x00, 0x00};  // 16 bytes from address 0, in either byte order
  for (const char* name : {"LC_LZ2", "LC_LZ1"}) {
    for (const auto& [times, taken] : {std::pair{1, true}, {2, true}, {3, false}}) {
      std::vector<Bytes> commands = NineCommands();
      commands.insert(commands.end(), times, copy);
      const auto hit = CheckStream(Stream(commands), 0, Scheme(name), kDefaultScanMinSize, nullptr);
      EXPECT_EQ(hit.has_value(), taken) << name << " " << times;
    }
  }
}

Bytes Filled(std::size_t size, const Bytes& unit) {
  Bytes out(size);
  for (std::size_t i = 0; i < size; ++i) out[i] = unit[i % unit.size()];
  return out;
}

struct TTestRom {
  std::string name;
  Bytes bytes;
  bool planted;  // holds streams of the format
};

// ROMs for the prefilter's test: streams among other data, fillers and noise, and lists cut
// by the ROM's end; those of more than 4 KiB take the fast path inside and the checked one
// near the end.
std::vector<TTestRom> PrefilterRoms(const TCommandFormat& f, gen::TCommandKind k) {
  const Bytes tiles = Content(gen::TContent::kTiles2bpp, 1200, 21);
  const Bytes map = Content(gen::TContent::kTilemap, 900, 22);
  const Bytes text = Content(gen::TContent::kText, 700, 23);
  Bytes three = Join(Noise(500, 1), gen::WriteCommands(tiles, k, false));
  three = Join(Join(three, text), gen::WriteCommands(map, k, true));
  three = Join(Join(Join(three, Noise(300, 2)), CompressCommands(f, tiles)), Noise(1200, 3));
  Bytes cut = Join(Noise(4500, 5), gen::WriteCommands(tiles, k, true));
  cut.resize(cut.size() - 3);
  return {
      {"streams of three encoders among text and noise", three, true},
      {"a stream ending at the ROM's last byte", Join(Noise(4000, 4), CompressCommands(f, tiles)),
       true},
      {"a stream cut short by the ROM's end", cut, false},
      {"a small ROM, checked path only",
       Join(Noise(40, 6), CompressCommands(f, Bytes(map.begin(), map.begin() + 208))), true},
      {"noise", Noise(4500, 7), false},
      {"0x00", Bytes(4200, 0x00), false},
      {"0xFF", Bytes(4200, 0xFF), false},
      {"10 00 00 02, zeros, FF",
       Join(Join(Filled(2100, {0x10, 0x00, 0x00, 0x02}), Bytes(2100, 0)), {0xFF}), false},
      {"long direct headers E3 FF", Join(Filled(4200, {0xE3, 0xFF}), {0xFF}), false},
  };
}

// The scan's candidates of a whole ROM at once are exactly the starts whose walk ends at its
// end byte with an output size the checker takes (every copy reading written bytes), which
// every start the checker passes is. The walk from each start is the oracle.
TEST(CommandScan, PrefilterMarksExactlyTheStartsWhoseWalkEndsWellSized) {
  struct TFormatCase {
    const char* name;
    const TCommandFormat* format;
    gen::TCommandKind kind;  // LC_LZ1's streams: LC_LZ2's writer's read with other addresses
  };
  const TFormatCase formats[] = {
      {"LC_LZ2", &TCommandFormat::LCLZ2, gen::TCommandKind::kLCLZ2},
      {"LC_LZ5", &TCommandFormat::LCLZ5, gen::TCommandKind::kLCLZ5},
      {"HAL", &TCommandFormat::HAL, gen::TCommandKind::kHAL},
      {"LC_LZ1", &TCommandFormat::LCLZ1, gen::TCommandKind::kLCLZ2},
  };
  const std::uint32_t minSizes[] = {0, kDefaultScanMinSize, 70000};
  for (const TFormatCase& f : formats) {
    const TSchemeFormat* row = FindSchemeFormat(Scheme(f.name));
    ASSERT_NE(row->prefilter, nullptr) << f.name;
    for (const TTestRom& r : PrefilterRoms(*f.format, f.kind)) {
      const Bytes& rom = r.bytes;
      std::vector<TCommandResult> walks(rom.size());
      for (std::size_t p = 0; p < rom.size(); ++p) {
        walks[p] = command::Walk<true>(*f.format, std::span(rom).subspan(p), nullptr,
                                       kCommandOutputLimit, nullptr);
      }
      for (const std::uint32_t minSize : minSizes) {
        std::vector<std::uint64_t> bits;
        row->prefilter(rom, minSize, true, bits);
        ASSERT_EQ(bits.size(), (rom.size() + 63) / 64);
        std::size_t marked = 0;
        for (std::size_t p = 0; p < rom.size(); ++p) {
          const bool bit = ((bits[p / 64] >> (p % 64)) & 1U) != 0;
          const TCommandResult& w = walks[p];
          const bool ends = w.end == TCommandEnd::kEnd && w.written % 16 == 0 &&
                            w.written >= std::max<std::uint32_t>(minSize, 1);
          ASSERT_EQ(bit, ends) << f.name << ", " << r.name << ", min " << minSize << " at " << p;
          marked += bit ? 1 : 0;
          if (!bit) {
            EXPECT_FALSE(row->check(rom, p, minSize, nullptr)) << r.name << " at " << p;
          }
        }
        if (r.planted && minSize == 0) {
          EXPECT_GT(marked, 0U) << f.name << ", " << r.name;
        }
      }
    }
  }
}

}  // namespace
}  // namespace tegulo
