// The stream generators against the project's decoders: every variant, over every kind of
// content, unpacks to its data with the sizes its format states; the test ROM keeps its
// streams where it says.
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "compress/compressors.h"
#include "compress/rnc/rnc_format.h"
#include "compress/scheme_formats.h"
#include "compress/uCompress.h"
#include "stream_variants.h"
#include "test_rom.h"

using namespace tegulo;
using namespace tegulo::gen;

namespace {

struct TDecoded {
  std::uint32_t count = 0;  // what the decoder returns
  bool notValid = false;    // the decoder found a broken rule
  std::vector<std::uint8_t> output;
};

TDecoded Decode(int scheme, std::span<const std::uint8_t> stream) {
  TDecoded d;
  // One buffer for every call: the tests compare only what the decoder wrote.
  static TDecodeBuffer out(kDecodeBufferSize, 0);
  d.count = FindSchemeFormat(scheme)->decode(stream, out, &d.notValid);
  d.output.assign(out.begin(), out.begin() + std::min<std::size_t>(out.size(), 1U << 17U));
  return d;
}

// Whether the decoder reads the stream's mode as it was written: the first record of a CT
// stream marked 0x40 is still taken for the 12-bit mode.
bool DecodedAsWritten(const TVariant& v) {
  return !(v.scheme == kSchemeCT && v.mark == TCTMark::kBit6 && v.mode11);
}

TEST(StreamGen, EveryVariantUnpacksToItsData) {
  std::mt19937 rng(7);
  const auto variants = AllVariants();
  for (TContent kind : kContents) {
    const auto content = MakeContent(kind, 2000, rng);
    for (const TVariant& v : variants) {
      if (!DecodedAsWritten(v)) continue;
      const auto data = FitData(v, content);
      const auto stream = MakeStream(v, data);
      const std::string name =
          SchemeLabel(v) + " " + ParseLabel(v) + " " + std::string(ContentName(kind));
      // Only an 8-bit Huffman tree of many symbols may not fit the format's offsets.
      if (stream.empty() && v.scheme == kSchemeHuffman8) continue;
      if (v.pad != TPad::kNone) {
        EXPECT_EQ(stream.size() % 4, 0u) << name;
      }
      const TDecoded d = Decode(v.scheme, stream);
      ASSERT_TRUE(std::equal(data.begin(), data.end(), d.output.begin())) << name;
      if (v.scheme >= kSchemeLCLZ1) {
        EXPECT_FALSE(d.notValid) << name;
      }
      switch (v.scheme) {
        case kSchemeLZ10:
        case kSchemeFF5:  // bytes consumed: the stream up to its padding
          EXPECT_LE(d.count, stream.size()) << name;
          EXPECT_LT(stream.size() - d.count, v.pad == TPad::kNone ? 1u : 4u) << name;
          break;
        case kSchemeFF6:
        case kSchemeCT:
        case kSchemeLCLZ2:
        case kSchemeLCLZ5:
        case kSchemeHAL:
        case kSchemeLCLZ1:
        case kSchemeKonami1:
        case kSchemeKonami2:
        case kSchemeKonami2R:
        case kSchemeLCLZ17:
        case kSchemeKoei:  // bytes written
          EXPECT_EQ(d.count, data.size()) << name;
          break;
        case kSchemeLCLZ14:
        case kSchemeRNC1:
        case kSchemeRNC2:  // bytes read, or taken as the header says
          EXPECT_EQ(d.count, stream.size()) << name;
          break;
        default: break;  // the BIOS family's size is its header's
      }
      if (v.scheme == kSchemeFF6) {  // the stated length: the stream up to its padding
        const std::size_t length = stream[0] | stream[1] << 8;
        EXPECT_LE(length, stream.size()) << name;
        EXPECT_LT(stream.size() - length, v.pad == TPad::kNone ? 1u : 4u) << name;
      }
    }
  }
}

std::vector<std::uint8_t> Hex(std::string_view text) {
  std::vector<std::uint8_t> out;
  for (std::size_t i = 0; i + 1 < text.size(); i += 3) {
    out.push_back(
        static_cast<std::uint8_t>(std::stoi(std::string(text.substr(i, 2)), nullptr, 16)));
  }
  return out;
}

// The formats' worked examples, written by the writers of the second set of SNES schemes: each
// parse that finds the example's commands writes its bytes exactly (the Konami ring's places,
// Koei's code words placed one ahead, LC_LZ17's word read at once, RNC's canonical codes).
TEST(StreamGen, SnesWritersWriteTheWorkedExamples) {
  const std::string abc = "41 42 43 41 42 43 41 42 43 41 42 43";
  const std::string mixed = "12 34 56 78 AB CD AB CD AB 34 56 78";
  const std::string konami = "00 11 00 22 00 33 00 44 " + [] {
    std::string zeros;
    for (int k = 0; k < 100; ++k) zeros += "00 ";
    return zeros;
  }() + "55 55 55 55 55 01 02 03 01 02 03 01 02";
  const std::string tile = "FF 00 FF 00 FF 00 FF 00 FF 00 FF 00 FF 00 FF 00";
  const std::string rising = [] {
    std::string s;
    char b[4];
    for (int k = 0; k < 256; ++k) {
      std::snprintf(b, sizeof b, "%02X ", k);
      s += b;
    }
    return s + "53 4E 45 53 53 4E 45 53";
  }();
  const std::string forty = [] {
    std::string s;
    for (int k = 0; k < 40; ++k) s += "00 ";
    return s;
  }();
  struct TRow {
    int scheme;
    TParse parse;
    bool otherForm;
    std::string input;
    std::string_view stream;
  };
  const TRow rows[] = {
      {kSchemeLCLZ1, TParse::kOptimal, false, mixed, "03 12 34 56 78 44 AB CD 82 01 00 FF"},
      {kSchemeLCLZ1, TParse::kOptimal, false, rising, "EC FF 00 03 53 4E 45 53 83 00 01 FF"},
      {kSchemeLCLZ14, TParse::kOptimal, false, abc, "0C 00 07 41 42 43 36 00"},
      {kSchemeKonami2, TParse::kOptimal, false, konami,
       "11 00 A2 11 22 33 44 FF 62 C3 55 83 01 02 03 0C 50"},
      {kSchemeKonami2, TParse::kOptimal, false, tile, "06 00 81 FF 37 DE"},
      {kSchemeKonami1, TParse::kOptimal, false, tile, "06 00 81 FF 37 DE"},
      {kSchemeKonami2R, TParse::kOptimal, false, tile, "05 80 C6 FF E6"},
      {kSchemeLCLZ17, TParse::kOptimal, false, abc, "57 00 41 42 43 FD FF 00 F0 00"},
      {kSchemeLCLZ17, TParse::kOptimal, false,
       "30 31 32 33 34 35 36 37 38 39 41 42 43 44 45 30 31 32 33 30 31 32 33",
       "FF 7F 30 31 32 33 34 35 36 37 38 39 41 42 43 44 45 22 01 F1 FC 00 F0 00"},
      {kSchemeKoei, TParse::kOptimal, false, abc, "10 10 E0 41 42 43 E0 0F"},
      {kSchemeKoei, TParse::kOptimal, false, mixed, "A1 40 FC 12 34 56 78 AB CD 3F 60 00 80 00"},
      {kSchemeRNC1, TParse::kOptimal, false, abc,
       "52 4E 43 01 00 00 00 0C 00 00 00 0F FF D8 37 2D 00 01 8C 80 18 00 41 00 20 04 00 C6 "
       "41 42 43 00 00"},
      {kSchemeRNC1, TParse::kOptimal, false, forty,
       "52 4E 43 01 00 00 00 28 00 00 00 0D 00 00 CC D6 00 01 88 88 10 07 00 00 20 04 00 52 "
       "00 00 00"},
      {kSchemeRNC2, TParse::kGreedy, true, abc,
       "52 4E 43 02 00 00 00 0C 00 00 00 08 FF D8 3F 2F 00 00 07 41 42 43 BC 01 02 00"},
  };
  for (const TRow& row : rows) {
    TVariant v{row.scheme, row.parse};
    v.otherForm = row.otherForm;
    v.zeroRing = row.scheme == kSchemeLCLZ14;
    const auto stream = MakeStream(v, Hex(row.input + " "));
    EXPECT_EQ(stream, Hex(std::string(row.stream) + " ")) << SchemeLabel(v) << " " << row.input;
  }
}

// The other encoders' forms show where the format leaves a choice: LC_LZ17's end bytes, RNC's
// header byte 17 (RNC1: chunks of 4 KiB, counted or not).
TEST(StreamGen, OtherFormsShowInTheStream) {
  std::mt19937 rng(5);
  const auto data = MakeContent(TContent::kTiles4bpp, 9000, rng);
  struct TRow {
    int scheme;
    TParse parse;
    bool otherForm;
    std::size_t fromEnd;  // LC_LZ17: where the bytes start, from the end (RNC: byte 16 on)
    std::vector<std::uint8_t> bytes;
  };
  const TRow rows[] = {
      {kSchemeLCLZ17, TParse::kLazy, true, 3, {0x00, 0x00, 0x00}},
      {kSchemeLCLZ17, TParse::kLazy, false, 3, {0x00, 0xF0, 0x00}},
      {kSchemeRNC2, TParse::kGreedy, true, 0, {0x00, 0x00}},
      {kSchemeRNC2, TParse::kLazy, false, 0, {0x00, 0x01}},
      {kSchemeRNC1, TParse::kLazy, true, 0, {0x00, 0x00}},
      {kSchemeRNC1, TParse::kGreedy, false, 0, {0x00, 0x01}},
  };
  for (const TRow& row : rows) {
    TVariant v{row.scheme, row.parse};
    v.otherForm = row.otherForm;
    const auto stream = MakeStream(v, FitData(v, data));
    const std::size_t at = row.scheme == kSchemeLCLZ17 ? stream.size() - row.fromEnd : 16;
    EXPECT_EQ(std::vector(stream.begin() + static_cast<std::ptrdiff_t>(at),
                          stream.begin() + static_cast<std::ptrdiff_t>(at + row.bytes.size())),
              row.bytes)
        << SchemeLabel(v) << " " << ParseLabel(v);
  }
  // Chunks of 4 KiB: the decoder meets three.
  TVariant flat{kSchemeRNC1, TParse::kLazy};
  flat.otherForm = true;
  static TDecodeBuffer out(kDecodeBufferSize, 0);
  std::size_t chunks = 0;
  bool notValid = false;
  DecompressRNC1(MakeStream(flat, FitData(flat, data)), out, &notValid, &chunks);
  EXPECT_EQ(chunks, 3u);
  EXPECT_FALSE(notValid);
}

TEST(StreamGen, ParsesDifferInTheWayTheyAreMeantTo) {
  std::mt19937 rng(3);
  const auto data = MakeContent(TContent::kTiles4bpp, 8192, rng);
  TVariant v;
  const auto size = [&](TParse parse, bool distance1) {
    v.parse = parse;
    v.distance1 = distance1;
    return MakeStream(v, data).size();
  };
  EXPECT_LE(size(TParse::kOptimal, true), size(TParse::kLazy, true));
  EXPECT_LE(size(TParse::kOptimal, true), size(TParse::kGreedy, true));
  EXPECT_LE(size(TParse::kOptimal, true), size(TParse::kOptimal, false));
  // A run is copied from one byte back only where distance 1 is allowed.
  const std::vector<std::uint8_t> run(600, 0x11);
  for (TParse parse : {TParse::kGreedy, TParse::kLazy, TParse::kOptimal}) {
    for (std::uint32_t minDistance : {1u, 2u}) {
      std::set<std::uint32_t> distances;
      TParseRules rules;
      rules.minDistance = minDistance;
      for (const TToken& t : ParseTokens(run, parse, rules)) distances.insert(t.distance);
      EXPECT_EQ(distances.count(1), minDistance == 1 ? 1u : 0u) << static_cast<int>(parse);
      EXPECT_EQ(distances.count(minDistance), 1u) << static_cast<int>(parse);
    }
  }
}

TEST(StreamGen, TestRomHoldsItsStreamsWhereItSays) {
  const TTestRom rom = MakeTestRom(4u << 20, 2, 11);
  const auto variants = AllVariants();
  ASSERT_LE(rom.planted.size(), 2 * variants.size());
  ASSERT_GE(rom.planted.size(), 2 * variants.size() - 6) << "only some 8-bit Huffman trees";
  std::size_t end = 0;
  for (const TPlanted& p : rom.planted) {
    EXPECT_EQ(p.address % 4, 0u);
    EXPECT_GE(p.address, end) << "apart from the stream before";
    end = p.address + p.streamSize + 4;
    const TVariant& v = variants[p.variant];
    if (!DecodedAsWritten(v)) continue;
    const TDecoded d = Decode(v.scheme, std::span(rom.bytes).subspan(p.address));
    if (v.scheme == kSchemeFF6 || v.scheme == kSchemeCT) {
      EXPECT_EQ(d.count, p.rawSize);
    }
  }
}

}  // namespace

// Our compressors write the shortest stream a scheme allows: never longer than another
// encoder's stream of the same data, whatever its parse or form (ours asked for the choices
// the variant made where those change what a stream may hold: distance 1).
TEST(StreamGen, OurStreamsAreNoLongerThanAnyWritersOwn) {
  std::mt19937 rng(11);
  const auto variants = AllVariants();
  for (TContent kind : kContents) {
    const auto content = MakeContent(kind, 2000, rng);
    for (const TVariant& v : variants) {
      if (!DecodedAsWritten(v)) continue;
      const auto data = FitData(v, content);
      const auto theirs = MakeStream(v, data);
      if (theirs.empty()) continue;
      TCompressOptions options;
      options.allowDistance1 = v.distance1;
      const auto ours = CompressStream(v.scheme, data, options);
      EXPECT_LE(ours.size(), theirs.size())
          << SchemeLabel(v) << " " << ParseLabel(v) << " " << ContentName(kind);
    }
  }
}
