// The scheme table: each row's encoder, decoder, size rule and scan checker agree.
#include "compress/scheme_formats.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "base/choice_lookup.h"
#include "careful_decoders.h"
#include "compress/refresh.h"
#include "greedy_encoders.h"
#include "rnc_examples.h"
#include "tiles/uTiles.h"

using namespace tegulo;

namespace {

std::vector<std::uint8_t> TileLikeData(std::size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<std::uint8_t> d;
  while (d.size() < n) {
    const std::size_t len = 1 + rng() % 24;
    const auto b = static_cast<std::uint8_t>(rng() % 6);
    d.insert(d.end(), len, b);
  }
  d.resize(n);
  return d;
}

std::string Name(const TSchemeFormat& f) { return std::string(Compressions[f.row].name()); }

}  // namespace

TEST(SchemeFormats, RowsFollowTheChoiceTable) {
  ASSERT_EQ(SchemeFormats().size(), std::size_t{kCompressionCount});
  for (const TSchemeFormat& f : SchemeFormats()) {
    EXPECT_EQ(FindSchemeFormat(f.row), &f) << Name(f);
    EXPECT_EQ(f.decode == nullptr, f.row == kSchemeNone) << Name(f);
    EXPECT_EQ(f.sizeRule == TSizeRule::kFromTiles, f.row == kSchemeNone) << Name(f);
  }
  EXPECT_EQ(FindSchemeFormat(kCompressionCount), nullptr);
  EXPECT_EQ(FindSchemeFormat(-1), nullptr);
}

// An entry on an encoded stream unpacks to the data with the sizes its rule names; the
// scan checker, where there is one, reports the same raw size and the stream's length.
TEST(SchemeFormats, EncodedStreamsUnpackWithTheirSizeRule) {
  const auto data = TileLikeData(3000, 11);
  TDecodeBuffer buffer(kDecodeBufferSize);
  for (const TSchemeFormat& f : SchemeFormats()) {
    if (f.row == kSchemeNone || GreedyEncoder(f.row) == nullptr) continue;
    std::vector<std::uint8_t> rom(16, 0xEE);
    const std::vector<std::uint8_t> stream = GreedyEncoder(f.row)(data);
    rom.insert(rom.end(), stream.begin(), stream.end());
    rom.resize(rom.size() + 40, 0xEE);

    TTileEntry e{};
    e.Address = 16;
    e.Compression = static_cast<std::uint8_t>(f.row);
    const TUnpackReport report = UnpackEntry(e, rom, buffer);
    EXPECT_EQ(report.notValid, "") << Name(f);
    EXPECT_EQ(std::memcmp(buffer.data(), data.data(), data.size()), 0) << Name(f);
    const auto header16 = static_cast<std::int32_t>(stream[0] | stream[1] << 8);
    switch (f.sizeRule) {
      case TSizeRule::kRawInHeader24:
      case TSizeRule::kRawInHeader16:
      case TSizeRule::kNoSizeField:
      case TSizeRule::kRawInHeader32BE:
        EXPECT_EQ(e.RawSize, static_cast<std::int32_t>(data.size())) << Name(f);
        EXPECT_EQ(e.ComprSize, static_cast<std::int32_t>(stream.size())) << Name(f);
        break;
      case TSizeRule::kComprInHeader16:
        EXPECT_EQ(e.RawSize, static_cast<std::int32_t>(data.size())) << Name(f);
        EXPECT_EQ(e.ComprSize, header16) << Name(f);
        break;
      case TSizeRule::kComprInHeader15:
        EXPECT_EQ(e.RawSize, static_cast<std::int32_t>(data.size())) << Name(f);
        EXPECT_EQ(e.ComprSize, header16 & 0x7FFF) << Name(f);
        break;
      case TSizeRule::kFromTiles: ADD_FAILURE() << Name(f); break;
    }
    if (f.check != nullptr) {
      const auto found = f.check(rom, 16, 0, nullptr);
      ASSERT_TRUE(found.has_value()) << Name(f);
      EXPECT_EQ(found->scheme, f.row) << Name(f);
      EXPECT_EQ(found->rawSize, static_cast<std::uint32_t>(e.RawSize)) << Name(f);
      EXPECT_EQ(found->comprSize, stream.size()) << Name(f) << ": the bytes the stream takes";
    }
  }
}

// A stream that breaks a rule of its scheme is reported naming the scheme; LZSS-FF5 has no
// rule a stream can break. The stream of every row with a decoder lies at address 0.
TEST(SchemeFormats, ABrokenStreamIsReportedNamingItsScheme) {
  struct TCase {
    int row;
    const char* why;
    std::vector<std::uint8_t> stream;
    std::string message;
  };
  std::vector<TCase> cases = {
      {kSchemeLZ10,
       "type byte",
       {0x11, 0x0A, 0, 0, 0x20, 0x41, 0x42, 0x50, 0x01},
       "Not valid LZ10 stream"},
      {kSchemeFF6,
       "length below its header",
       {0x01, 0x00, 0x01, 0x41},
       "Not valid LZSS-FF6 stream"},
      {kSchemeCT,
       "a record passed over",
       {0, 0, 0xC1, 0x01, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8},
       "Not valid LZSS-CT stream"},
      {kSchemeLZ11, "type byte", {0x10, 0x02, 0, 0, 0x00, 0x41, 0x42}, "Not valid LZ11 stream"},
      {kSchemeHuffman4,
       "type byte",
       {0x28, 0x02, 0, 0, 0x01, 0xC0, 0x41, 0x42, 0, 0, 0, 0},
       "Not valid Huffman-4 stream"},
      {kSchemeHuffman4,
       "child outside the tree",
       {0x24, 0x04, 0, 0, 0x01, 0x3F, 0, 0, 0, 0, 0, 0},
       "Not valid Huffman-4 stream"},
      {kSchemeHuffman8,
       "type byte",
       {0x24, 0x02, 0, 0, 0x01, 0xC0, 0x41, 0x42, 0, 0, 0, 0},
       "Not valid Huffman-8 stream"},
      {kSchemeRLE30, "type byte", {0x31, 0x03, 0, 0, 0x80, 0x41}, "Not valid RLE-30 stream"},
      {kSchemeDiff8, "type byte", {0x82, 0x02, 0, 0, 0x01, 0x02}, "Not valid Diff-8 stream"},
      {kSchemeDiff16, "type byte", {0x81, 0x02, 0, 0, 0x01, 0x02}, "Not valid Diff-16 stream"},
      {kSchemeLCLZ2,
       "undefined command 5",
       {0x00, 0x41, 0xA0, 0x00, 0x00, 0xFF},
       "Not valid LC_LZ2 stream"},
      {kSchemeLCLZ5,
       "repeat of output not yet written",
       {0x80, 0x00, 0x00, 0xFF},
       "Not valid LC_LZ5 stream"},
      {kSchemeHAL,
       "backward repeat before the start",
       {0x00, 0x41, 0xC1, 0x00, 0x00, 0xFF},
       "Not valid HAL stream"},
      {*FindScheme("LC_LZ1"),
       "undefined command 5",
       {0x00, 0x41, 0xA0, 0x01, 0x00, 0xFF},
       "Not valid LC_LZ1 stream"},
      {*FindScheme("LC_LZ14"),
       "distance 0",
       {0x05, 0x00, 0x01, 0x41, 0x00, 0x00},
       "Not valid LC_LZ14 stream"},
      {*FindScheme("Konami-1"),
       "raw run of 0",
       {0x04, 0x00, 0x80, 0xE0},
       "Not valid Konami-1 stream"},
      {*FindScheme("Konami-2"),
       "command past the length",
       {0x03, 0x00, 0xC1, 0x41, 0x81, 0x41},
       "Not valid Konami-2 stream"},
      {*FindScheme("Konami-2R"),
       "output not whole 16-byte blocks",
       {0x04, 0x80, 0xC0, 0x41},
       "Not valid Konami-2R stream"},
      {*FindScheme("LC_LZ17"),
       "copy from before the output",
       {0x01, 0x00, 0x41, 0xFE},
       "Not valid LC_LZ17 stream"},
      {*FindScheme("Koei"),
       "copy from before the output",
       {0x00, 0x82, 0x80, 0x41},
       "Not valid Koei stream"},
  };
  // The ProPack examples with their packed data's CRC changed.
  for (const test::TRncExample& ex : test::RncExamples()) {
    std::vector<std::uint8_t> stream = ex.stream;
    stream[15] ^= 1;
    cases.push_back({*FindScheme(ex.scheme), "packed CRC", stream,
                     std::string("Not valid ") + ex.scheme + " stream"});
  }
  std::vector<int> covered;
  TDecodeBuffer buffer(kDecodeBufferSize);
  for (const TCase& c : cases) {
    TTileEntry e{};
    e.Compression = static_cast<std::uint8_t>(c.row);
    const std::string label = Name(*FindSchemeFormat(c.row)) + ": " + c.why;
    EXPECT_EQ(UnpackEntry(e, c.stream, buffer).notValid, c.message) << label;
    covered.push_back(c.row);
  }
  for (const TSchemeFormat& f : SchemeFormats()) {
    const bool hasCase = std::find(covered.begin(), covered.end(), f.row) != covered.end();
    EXPECT_EQ(hasCase, f.decode != nullptr && f.row != kSchemeFF5) << Name(f);
  }
}

TEST(FindScheme, NamesOfTheSchemesOnly) {
  const struct {
    const char* text;
    std::optional<int> row;
  } cases[] = {
      {"LZ77-10", 1},         {"lz77-10", 1},           {"lzss-ff5", 2},
      {"LZSS-FF6", 3},        {"Lzss-Ct", 4},           {"(none)", std::nullopt},
      {"none", std::nullopt}, {"lz77", std::nullopt},   {"1", std::nullopt},
      {"hal", kSchemeHAL},    {"RLE-30", kSchemeRLE30}, {"lc_lz5", kSchemeLCLZ5},
  };
  for (const auto& c : cases) EXPECT_EQ(FindScheme(c.text), c.row) << "'" << c.text << "'";
  EXPECT_FALSE(FindChoice(TileTemplates, "").has_value()) << "row 0 has an empty name";
}

TEST(ChoiceName, RowNamesAndDamagedValuesAsNumbers) {
  EXPECT_EQ(ChoiceName(Compressions, kSchemeNone), "(none)");
  EXPECT_EQ(ChoiceName(Compressions, kSchemeCT), "LZSS-CT");
  EXPECT_EQ(ChoiceName(Compressions, kCompressionCount), std::to_string(kCompressionCount));
  EXPECT_EQ(ChoiceName(TileTemplates, kTemplateNone), "");
  EXPECT_EQ(ChoiceName(TileTemplates, kTemplateLinear8bpp), "8bpp (PC)");
  EXPECT_EQ(ChoiceName(TileTemplates, 255), "255");
  EXPECT_EQ(ChoiceName(TileTemplates, -1), "-1");
}

// Every row with a compressor, as a new row is tested the day it is added: its stream
// round-trips through the decoder (and, where the decoder has fast paths, its careful form
// agrees), the extent walk and the checker see exactly the stream, and every cut near the
// end keeps the extent inside the cut and both decoders equal.
TEST(SchemeFormats, EveryRowRoundTripsAndKeepsItsBoundsWhenCut) {
  // Blank tiles at the end: Konami-1's checker takes only streams with its long zero run,
  // where it differs from Konami-2.
  auto data = TileLikeData(2000, 5);
  data.resize(data.size() + 64, 0);
  for (const TSchemeFormat& f : SchemeFormats()) {
    if (f.compress == nullptr) continue;
    ASSERT_NE(f.extent, nullptr) << Name(f);
    const TCarefulDecoder decodeCareful = CarefulDecoder(f.row);
    const std::vector<std::uint8_t> stream = f.compress(data, {});
    TDecodeBuffer fast(kDecodeBufferSize, 0);
    TDecodeBuffer careful(kDecodeBufferSize, 0);
    bool notValid = false;
    const std::uint32_t n = f.decode(stream, fast, &notValid);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), fast.begin())) << Name(f);
    if (decodeCareful != nullptr) {
      EXPECT_EQ(decodeCareful(stream, careful), n) << Name(f);
      EXPECT_EQ(fast, careful) << Name(f);
    }
    EXPECT_EQ(f.extent(stream), stream.size()) << Name(f);
    if (f.check != nullptr) {
      const auto hit = f.check(stream, 0, 0, nullptr);
      ASSERT_TRUE(hit.has_value()) << Name(f);
      EXPECT_EQ(hit->comprSize, stream.size()) << Name(f);
    }
    EXPECT_LE(data.size(), f.limits.maxRawSize != 0 ? f.limits.maxRawSize : 0xFFFFFFFFU);
    for (std::size_t cut = stream.size() > 40 ? stream.size() - 40 : 0; cut < stream.size();
         ++cut) {
      const auto part = std::span(stream).first(cut);
      std::fill(fast.begin(), fast.end(), 0);
      std::fill(careful.begin(), careful.end(), 0);
      const std::uint32_t got = f.decode(part, fast, &notValid);
      if (decodeCareful != nullptr) {
        EXPECT_EQ(got, decodeCareful(part, careful)) << Name(f) << " cut at " << cut;
        EXPECT_EQ(fast, careful) << Name(f) << " cut at " << cut;
      }
      EXPECT_LE(f.extent(part), cut) << Name(f) << " cut at " << cut;
      if (f.check != nullptr) {
        EXPECT_FALSE(f.check(part, 0, 0, nullptr)) << Name(f) << " " << cut;
      }
    }
  }
}

// The score's sample of every scannable row is the start of what the stream unpacks to,
// whether the row has a sampler of its own or takes the whole decode.
TEST(SchemeFormats, SampleIsTheStartOfTheUnpackedData) {
  auto data = TileLikeData(3008, 9);
  data.resize(data.size() + 64, 0);
  for (const TSchemeFormat& f : SchemeFormats()) {
    if (f.check == nullptr) continue;
    const std::vector<std::uint8_t> stream = f.compress(data, {});
    for (const std::size_t room : {std::size_t{256}, std::size_t{8192}}) {
      TDecodeBuffer sample(room, 0xEE);
      const auto rawSize = static_cast<std::uint32_t>(data.size());
      const std::size_t n = std::min(SampleStream(f, stream, rawSize, sample), room);
      EXPECT_EQ(n, std::min<std::size_t>(room, data.size())) << Name(f) << " into " << room;
      EXPECT_TRUE(
          std::equal(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(n), sample.begin()))
          << Name(f) << " into " << room;
    }
  }
}

// The streams that padToWords pads are those of the schemes the help text names: each of them
// to a multiple of 4 bytes, the others not at all (Diff-8's 1005 bytes need padding;
// Konami-2R, which takes only whole 16-byte blocks, is left out).
TEST(SchemeFormats, PaddedStreamsAreThoseOfTheNamedSchemes) {
  const auto data = TileLikeData(1001, 4);
  std::string named = ", " + WordPaddedSchemeNames() + ",";
  for (std::size_t at; (at = named.find(" and ")) != std::string::npos;) named.replace(at, 5, ", ");
  for (const TSchemeFormat& f : SchemeFormats()) {
    if (f.compress == nullptr || f.row == kSchemeKonami2R) continue;
    const std::vector<std::uint8_t> exact = CompressStream(f.row, data);
    const std::vector<std::uint8_t> padded = CompressStream(f.row, data, {.padToWords = true});
    if (named.find(", " + Name(f) + ",") != std::string::npos) {
      EXPECT_EQ(padded.size() % 4, 0U) << Name(f);
      EXPECT_TRUE(std::equal(exact.begin(), exact.end(), padded.begin())) << Name(f);
    } else {
      EXPECT_EQ(padded, exact) << Name(f);
    }
  }
}
