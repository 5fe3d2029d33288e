// LZSS-CT's offset mode: bit 6 of the first section record's byte selects 11-bit distances,
// and the decoders, the scan's checker and the extent walk all read it so.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compress/compressors.h"
#include "compress/scan/stream_scan.h"
#include "compress/shared/careful_decoders.h"
#include "compress/stream_extent.h"
#include "compress/uCompress.h"

using namespace tegulo;

namespace {

using Bytes = std::vector<std::uint8_t>;

// Two literals, the reference 02 10, five literals, then the end record `mark` at 12. In
// 11-bit mode the reference is length 2 + 3 = 5, distance 2; in 12-bit mode length
// 1 + 3 = 4, distance 2.
Bytes Stream(std::uint8_t mark) {
  return {0x0A, 0x00, 0x04, 'A', 'B', 0x02, 0x10, 'C', 'D', 'E', 'F', 'G', mark};
}

}  // namespace

TEST(CTMode, BitSixOfTheFirstRecordSelectsElevenBits) {
  const struct {
    std::uint8_t mark;
    const char* output;
  } cases[] = {
      {0xC0, "ABABABACDEFG"},  // what our compressor writes
      {0x40, "ABABABACDEFG"},  // bit 6 alone
      {0x80, "ABABABCDEFG"},   // bit 7 alone: 12-bit
      {0x00, "ABABABCDEFG"},
  };
  for (const auto& c : cases) {
    const Bytes s = Stream(c.mark);
    const std::string expected = c.output;
    const std::string label = "mark " + std::to_string(c.mark);
    using TDecode = std::uint32_t (*)(std::span<const std::uint8_t>, TDecodeBuffer&);
    for (const TDecode decode : {TDecode{DecompressCT}, TDecode{DecompressCTCareful}}) {
      TDecodeBuffer out(64, 0);
      ASSERT_EQ(decode(s, out), expected.size()) << label;
      EXPECT_EQ(std::string(out.begin(), out.begin() + expected.size()), expected) << label;
    }
    const auto hit = CheckStream(s, 0, kSchemeCT, 0);
    ASSERT_TRUE(hit.has_value()) << label;
    EXPECT_EQ(hit->rawSize, expected.size()) << label;
    EXPECT_EQ(hit->comprSize, s.size()) << label;
    EXPECT_EQ(StreamBytesUsed(kSchemeCT, s), s.size()) << label;
  }
}

// The mode is fixed by the first record: a later record's bits 6 and 7 change nothing.
TEST(CTMode, LaterRecordsKeepTheMode) {
  // Header 0: the first record (count 7, 12-bit) at 2, the next at 14; seven tokens with
  // the reference 02 10 (12-bit: length 4), then the end record 0x40.
  const Bytes s = {0x00, 0x00, 0x07, 0x0E, 0x00, 0x04, 'A', 'B',
                   0x02, 0x10, 'C',  'D',  'E',  'F',  0x40};
  TDecodeBuffer out(64, 0);
  ASSERT_EQ(DecompressCT(s, out), 10U);
  EXPECT_EQ(std::string(out.begin(), out.begin() + 10), "ABABABCDEF");
  const auto hit = CheckStream(s, 0, kSchemeCT, 0);
  ASSERT_TRUE(hit.has_value());
  EXPECT_EQ(hit->rawSize, 10U);
  EXPECT_EQ(StreamBytesUsed(kSchemeCT, s), s.size());
}

// Without a mode asked for, the compressor takes 11-bit mode when both give streams of one
// length: bytes without any match make the same stream in either mode.
TEST(CTMode, CompressorTakesElevenBitsOnATie) {
  Bytes data;
  for (int i = 0; i < 40; ++i) data.push_back(static_cast<std::uint8_t>(i * 7));
  const Bytes chosen = CompressCT(data);
  const Bytes eleven = CompressCT(data, {.ctMode = TCTMode::Bits11});
  const Bytes twelve = CompressCT(data, {.ctMode = TCTMode::Bits12});
  ASSERT_EQ(eleven.size(), twelve.size());
  EXPECT_EQ(chosen, eleven);
  const std::size_t first = (chosen[0] | chosen[1] << 8) + 2U;
  EXPECT_EQ(chosen[first] & 0xC0, 0xC0);
  EXPECT_EQ(twelve[first] & 0xC0, 0x00);
}
