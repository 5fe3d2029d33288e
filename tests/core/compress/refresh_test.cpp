#include "compress/refresh.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "compress/scheme_formats.h"
#include "compress/uCompress.h"

using namespace tegulo;

namespace {

TTileEntry Entry(std::uint8_t compression, std::int32_t w, std::int32_t h, std::uint8_t bpp) {
  TTileEntry e{};
  std::memset(&e, 0x5C, sizeof e);  // every other field must come through unchanged
  e.Compression = compression;
  e.Width = w;
  e.Height = h;
  e.Bpp = bpp;
  e.Address = 0;
  e.RawSize = 111;
  e.ComprSize = 222;
  return e;
}

bool SameBesidesSizes(TTileEntry a, TTileEntry b) {
  a.RawSize = b.RawSize = 0;
  a.ComprSize = b.ComprSize = 0;
  return std::memcmp(&a, &b, sizeof a) == 0;
}

}  // namespace

TEST(UnpackEntry, UncompressedSizeIsTheWrappingProduct) {
  struct Case {
    std::int32_t w, h;
    std::uint8_t bpp;
    std::int32_t raw;
  } cases[] = {
      {16, 8, 4, 16 * 8 * 32},
      {1, 1, 1, 8},
      {0x10000, 0x10000, 1, 0},  // 2^35 wraps to 0
      {-1, 1, 1, -8},
      {0x4000000, 1, 4, INT32_MIN},  // 2^31 as a signed 32-bit value
      {7, 3, 0, 0},
  };
  const std::vector<std::uint8_t> rom(16, 0x10);
  TDecodeBuffer buf(kDecodeBufferSize, 0xAB);
  for (const Case& c : cases) {
    TTileEntry e = Entry(0, c.w, c.h, c.bpp);
    const TTileEntry before = e;
    UnpackEntry(e, rom, buf);
    EXPECT_EQ(e.RawSize, c.raw) << c.w << " x " << c.h << " x " << int{c.bpp};
    EXPECT_EQ(e.ComprSize, 222);
    EXPECT_TRUE(SameBesidesSizes(e, before));
  }
  EXPECT_TRUE(std::all_of(buf.begin(), buf.end(), [](std::uint8_t b) { return b == 0; }));
}

TEST(UnpackEntry, UnknownSchemeChangesNothingButClearsTheBuffer) {
  const std::vector<std::uint8_t> rom{0x10, 0x08, 0x00, 0x00, 0x00, 1, 2, 3, 4, 5, 6, 7, 8};
  for (std::uint8_t scheme : {kCompressionCount, kCompressionCount + 1, 200, 255}) {
    for (std::int32_t address : {0, -5, 1 << 30}) {
      TDecodeBuffer buf(kDecodeBufferSize, 0xAB);
      TTileEntry e = Entry(scheme, 4, 4, 4);
      e.Address = address;
      const TTileEntry before = e;
      EXPECT_EQ(UnpackEntry(e, rom, buf).notValid, "");
      EXPECT_EQ(std::memcmp(&e, &before, sizeof e), 0) << "scheme " << int{scheme};
      EXPECT_TRUE(std::all_of(buf.begin(), buf.end(), [](std::uint8_t b) { return b == 0; }));
    }
  }
}

TEST(UnpackEntry, NoByteOfAnEarlierUnpackingSurvives) {
  // A long LZ77-10 unpacking lengthens the buffer; the next unpacking of any scheme finds
  // what a new buffer holds, however far in it is read.
  std::vector<std::uint8_t> longStream{0x10, 0x00, 0x00, 0x18, 0x00};  // 1.5 MiB announced
  for (int i = 0; i < 8; ++i) longStream.push_back(0xAB);
  for (int scheme : {1, 2, 3, 4}) {
    TDecodeBuffer buf(kDecodeBufferSize);
    TTileEntry e = Entry(1, 1, 1, 1);
    UnpackEntry(e, longStream, buf);
    ASSERT_EQ(buf.size(), 0x180000u);
    std::fill(buf.begin(), buf.end(), 0xCD);  // as if the stream had filled it whole
    TTileEntry next = Entry(static_cast<std::uint8_t>(scheme), 1, 1, 1);
    UnpackEntry(next, std::vector<std::uint8_t>{0x10, 0x00, 0x00, 0x18, 0x00}, buf);
    EXPECT_EQ(std::count(buf.begin(), buf.end(), 0xCD), 0) << "scheme " << scheme;
    if (scheme != 1) {
      EXPECT_EQ(buf.size(), kDecodeBufferSize);
    }
  }
}

TEST(UnpackEntry, ShortBufferIsBroughtToItsLength) {
  TDecodeBuffer buf(100, 0xAB);
  TTileEntry e = Entry(3, 1, 1, 1);
  UnpackEntry(e, std::vector<std::uint8_t>{0x03, 0x00, 0x00, 0x00, 0x00}, buf);
  EXPECT_EQ(buf.size(), kDecodeBufferSize);
  EXPECT_EQ(e.RawSize, 3);
  EXPECT_TRUE(std::all_of(buf.begin(), buf.end(), [](std::uint8_t b) { return b == 0; }));
}

TEST(UnpackEntry, OtherFieldsStayForEveryScheme) {
  const std::vector<std::uint8_t> rom{0x10, 0x02, 0x00, 0x00, 0x00, 0x41, 0x42, 0xC0, 0, 0, 0};
  TDecodeBuffer buf(kDecodeBufferSize);
  for (std::uint8_t scheme = 0; scheme <= 4; ++scheme) {
    TTileEntry e = Entry(scheme, 2, 2, 2);
    const TTileEntry before = e;
    UnpackEntry(e, rom, buf);
    EXPECT_TRUE(SameBesidesSizes(e, before)) << "scheme " << int{scheme};
  }
}
