// Chance commands before a stream of the command formats that run into it: the scan reports
// the stream, not the chance start, by name and among other schemes.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <string_view>
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

Bytes Noise(std::size_t size, std::uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes out(size);
  for (auto& b : out) b = static_cast<std::uint8_t>(rng() >> 24U);
  return out;
}

// A stream of a tilemap as an encoder apart from ours writes it: five fills and copies of
// bytes other than zero, then a fill of zeros, ...
Bytes TileStream(gen::TCommandKind kind) {
  std::mt19937 rng(12);
  Bytes tiles = gen::MakeContent(gen::TContent::kTilemap, 512, rng);
  tiles.resize(512);
  return gen::WriteCommands(tiles, kind, true);
}

// Where each command of `stream` starts, and the output written before it.
class TStarts final : public command::TCommandHook {
public:
  bool Step(const command::TStep& step) override {
    in.push_back(step.inStart);
    out.push_back(step.outStart);
    return true;
  }
  std::vector<std::size_t> in;
  std::vector<std::size_t> out;
};

// A fill and a direct copy that start before `stream`, the copy taking its first `k` commands
// as bytes, so that their walk meets the stream's after them; their output stays a multiple of
// 16 and both starts a multiple of 4.
Bytes CopyOverTheHead(const TCommandFormat& format, const Bytes& stream, std::size_t k) {
  TStarts starts;
  const TCommandResult r =
      command::Walk<true>(format, stream, nullptr, kCommandOutputLimit, &starts);
  const std::size_t head = starts.in[k];
  constexpr std::size_t kPad = 32;  // a long header's count
  const std::size_t n = kPad + head;
  std::size_t fill = (16 - (n + r.written - starts.out[k]) % 16) % 16;
  if (fill < 2) fill += 16;  // a fill of one byte costs more than a literal
  Bytes lead = {static_cast<std::uint8_t>(0x20 | (fill - 1)), 0x5A,
                static_cast<std::uint8_t>(0xE0 | (n - 1) >> 8U), static_cast<std::uint8_t>(n - 1)};
  const Bytes noise = Noise(kPad, 3);
  lead.insert(lead.end(), noise.begin(), noise.end());
  return lead;
}

// Bytes before a stream that read as commands running into it, as chance bytes do, lose to
// it: a fill or two of a value other than zero, a direct copy that holds the stream's own
// first commands where those are many or hold a fill of zeros. A fill of zeros (blank tiles)
// or three commands are a stream's own start; a few fills of other values read in a direct
// copy's bytes are as likely chance as it is.
TEST(CommandLeadIn, ChanceCommandsRunningIntoAStreamGiveWayToIt) {
  const Bytes stream = TileStream(gen::TCommandKind::kLCLZ5);
  struct TRow {
    const char* name;
    Bytes lead;
    bool leadIn;  // the stream wins, else the list from the lead's start
  };
  const TRow rows[] = {
      {"two fills of 8 bytes", {0x27, 0x3E, 0x27, 0x5A}, true},
      {"a fill and a direct copy over ten of the stream's commands",
       CopyOverTheHead(TCommandFormat::LCLZ5, stream, 10), true},
      {"a fill and a direct copy over six commands, one a fill of zeros",
       CopyOverTheHead(TCommandFormat::LCLZ5, stream, 6), true},
      {"a fill and a direct copy over five commands, no fill of zeros",
       CopyOverTheHead(TCommandFormat::LCLZ5, stream, 5), false},
      {"a fill of 8 zeros and one of 8 bytes", {0x27, 0x00, 0x27, 0x5A}, false},
      {"four fills of 4 bytes", {0x23, 0x11, 0x23, 0x22, 0x23, 0x33, 0x23, 0x44}, false},
  };
  const int lz5 = *FindScheme("LC_LZ5");
  const int hal = *FindScheme("HAL");
  for (const TRow& row : rows) {
    Bytes rom = Noise(256, 1);
    rom.insert(rom.end(), row.lead.begin(), row.lead.end());
    const std::size_t at = rom.size();
    rom.insert(rom.end(), stream.begin(), stream.end());
    const Bytes after = Noise(256, 2);
    rom.insert(rom.end(), after.begin(), after.end());
    const std::size_t from = 256;
    ASSERT_EQ(row.lead.size() % 4, 0U) << row.name;
    const TScanOptions options;
    // Both starts read as lists that meet the facts and end at the stream's end.
    TScanOptions every = options;
    every.overlaps = true;
    const int one[] = {lz5};
    const auto all = ScanStreams(rom, one, every);
    for (const std::size_t start : {from, at}) {
      EXPECT_TRUE(std::any_of(all.begin(), all.end(),
                              [&](const TScanHit& h) {
                                return h.address == start &&
                                       h.address + h.comprSize == at + stream.size() &&
                                       h.score >= kDefaultMinScore;
                              }))
          << row.name << ": no list at " << start;
    }
    const int two[] = {lz5, hal};
    for (const std::span<const int> schemes :
         {std::span<const int>(one), std::span<const int>(two)}) {
      const auto hits = ScanStreams(rom, schemes, options);
      const std::size_t want = row.leadIn ? at : from;
      EXPECT_TRUE(
          std::any_of(hits.begin(), hits.end(),
                      [&](const TScanHit& h) { return h.address == want && h.scheme == lz5; }))
          << row.name << " in a scan of " << schemes.size();
    }
  }
}

Bytes FromHex(std::string_view hex) {
  Bytes out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    out.push_back(static_cast<std::uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
  }
  return out;
}

// Two readings that end at one byte and share their later commands: the copies among those
// read the output from two starts, and the stream's own start is the one they match from. Both
// streams come from the encoders of the scan's test ROMs, which are written apart from ours.
TEST(CommandLeadIn, TheSharedCopiesTellTheStreamsStart) {
  struct TRow {
    const char* name;
    std::string_view bytes;
    std::size_t stream;  // where the stream starts in `bytes`
    std::size_t other;   // where the other reading starts
  };
  const TRow rows[] = {
      {"a tilemap that starts with a literal and a word fill, read from its third command",
       "03151816184b1958011a5845171831004f1918491858001b8c030029002518481c58441819531a184b1b18"
       "4b1c180320582058451d184b1e182b00011f18ff",
       0, 8},
      {"four chance word fills before 2bpp tiles",
       "4f574f574f574f574f574f1725ff14000001000000ff04ff00ff80ff00ff0004db00ff0085010012880"
       "0a4007000ac0014000000a800810000003e4a0041163e60603939676782820909d8d84544383802a800"
       "5500aa8552000740ea005500001e0449413e003a841a00017f7f250045ff0000ef4a00ff09f70000aa10"
       "5500aa00578754008b76004400ff88530086b6002c0001020290a00088b70003205500ab849e00003e49"
       "007f01023e2300243e003f233e26000201ff0887d80044ff00000446ff000140ff260045ff0000408"
       "71d014a00ff0e55ff8adf55ffabfe55ffaaff55ffaa862e018ad600060008088080d2922300031414808"
       "090b00044ff00870000010000ff",
       12, 0},
  };
  const int lz1 = *FindScheme("LC_LZ1");
  const int lists[] = {*FindScheme("LC_LZ2"), *FindScheme("LC_LZ5"), *FindScheme("HAL"), lz1};
  for (const TRow& row : rows) {
    Bytes rom = Noise(256, 1);
    const Bytes bytes = FromHex(row.bytes);
    rom.insert(rom.end(), bytes.begin(), bytes.end());
    const Bytes after = Noise(256, 2);
    rom.insert(rom.end(), after.begin(), after.end());
    const int one[] = {lz1};
    TScanOptions every;
    every.overlaps = true;
    const auto all = ScanStreams(rom, one, every);
    for (const std::size_t start : {row.stream, row.other}) {
      EXPECT_TRUE(std::any_of(all.begin(), all.end(),
                              [&](const TScanHit& h) {
                                return h.address == 256 + start &&
                                       h.address + h.comprSize == 256 + bytes.size();
                              }))
          << row.name << ": no list at " << start;
    }
    for (const std::span<const int> schemes :
         {std::span<const int>(one), std::span<const int>(lists)}) {
      const auto hits = ScanStreams(rom, schemes, TScanOptions{});
      EXPECT_TRUE(std::any_of(hits.begin(), hits.end(),
                              [&](const TScanHit& h) { return h.address == 256 + row.stream; }))
          << row.name << " in a scan of " << schemes.size();
      EXPECT_FALSE(std::any_of(hits.begin(), hits.end(),
                               [&](const TScanHit& h) { return h.address == 256 + row.other; }))
          << row.name << " in a scan of " << schemes.size();
    }
  }
}

// Bait: runs of fills of values that differ, each run ending in an end byte (a table of byte
// pairs reads so), read as a list from every few commands, each reading the run to its end
// and each a lead-in of the next. The scan checks a run a few times and keeps one list of it.
TEST(CommandLeadIn, ARunOfFillsIsCheckedAFewTimes) {
  struct TRow {
    const char* name;
    std::uint8_t header;  // a fill's first byte
    std::size_t argBytes;
  } rows[] = {
      {"fills of 8 bytes", 0x27, 1},
      {"fills of 4 bytes", 0x23, 1},
      {"word fills of 8 bytes", 0x47, 2},
  };
  constexpr std::size_t kRuns = 8;
  constexpr std::size_t kFills = 2048;
  for (const TRow& row : rows) {
    Bytes rom;
    for (std::size_t run = 0; run < kRuns; ++run) {
      for (std::size_t k = 0; k < kFills; ++k) {
        rom.push_back(row.header);
        for (std::size_t a = 0; a < row.argBytes; ++a) {
          rom.push_back(static_cast<std::uint8_t>((run * kFills + k) * 7 % 251 + 1 + a));
        }
      }
      rom.push_back(0xFF);
    }
    for (const char* name : {"LC_LZ2", "LC_LZ5", "HAL", "LC_LZ1"}) {
      const int one[] = {*FindScheme(name)};
      std::size_t checks = 0;
      TScanOptions options;
      options.align = 1;
      options.checks = &checks;
      const auto hits = ScanStreams(rom, one, options);
      EXPECT_LE(hits.size(), kRuns) << row.name << ", " << name;
      EXPECT_LE(checks, 8 * kRuns) << row.name << ", " << name;
    }
  }
}

}  // namespace
}  // namespace tegulo
