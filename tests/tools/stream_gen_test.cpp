// The stream generators against the project's decoders: every variant, over every kind of
// content, unpacks to its data with the sizes its format states; the test ROM keeps its
// streams where it says.
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "compress/scheme_formats.h"
#include "compress/uCompress.h"
#include "stream_variants.h"
#include "test_rom.h"

using namespace tegulo;
using namespace tegulo::gen;

namespace {

struct TDecoded {
  std::uint32_t count = 0;  // what the decoder returns
  std::vector<std::uint8_t> output;
};

TDecoded Decode(int scheme, std::span<const std::uint8_t> stream) {
  TDecoded d;
  // One buffer for every call: the tests compare only what the decoder wrote.
  static TDecodeBuffer out(kDecodeBufferSize, 0);
  bool notValid = false;
  d.count = FindSchemeFormat(scheme)->decode(stream, out, &notValid);
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
        case kSchemeHAL:  // bytes written
          EXPECT_EQ(d.count, data.size()) << name;
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
