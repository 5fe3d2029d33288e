// Write-back of pictures: every template and scheme round-trips, placement of streams, and
// every refusal with its message.
#include "rom/write_back.h"
#include "palette/entry_template.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <string>

#include "base/uCommon.h"
#include "compress/refresh.h"
#include "compress/scheme_formats.h"
#include "image/render.h"
#include "sample_data.h"
#include "tiles/uTiles.h"

using namespace tegulo;

namespace {

using Bytes = std::vector<std::uint8_t>;

TTileEntry Entry(std::int32_t address, int templ, int scheme, std::int32_t w, std::int32_t h,
                 std::int32_t offset = 0) {
  TTileEntry e = NewEntry("$0", w, h, offset);
  e.Address = address;
  ApplyTemplate(e, templ);
  e.Compression = static_cast<std::uint8_t>(scheme);
  return e;
}

TPixelImage RandomPicture(const TTileEntry& e, std::mt19937& rng) {
  const int bpp = TileTemplates[e.Template].Value;
  const std::int32_t w = e.Template == 9 ? e.Width : 8 * e.Width;
  const std::int32_t h = e.Template == 9 ? e.Height : 8 * e.Height;
  TPixelImage img{w, h, Bytes(static_cast<std::size_t>(w) * h)};
  // Runs of one index, as drawings have, so that streams compress.
  std::uint8_t v = 0;
  for (auto& p : img.pixels) {
    if (rng() % 5 == 0) v = static_cast<std::uint8_t>(rng() & ((1u << bpp) - 1));
    p = v;
  }
  return img;
}

// The entry as the viewer shows it from `rom`, independently of the write-back's own proof.
TPixelImage Render(TTileEntry e, const Bytes& rom, std::int32_t w, std::int32_t h) {
  TDecodeBuffer buffer(kDecodeBufferSize);
  UnpackEntry(e, rom, buffer);
  TIndexedBitmap bmp;
  DrawTiles(bmp, e, rom, buffer, 0);
  TPixelImage img{w, h, {}};
  for (std::int32_t y = 0; y < h; ++y)
    img.pixels.insert(img.pixels.end(), bmp.Row(y), bmp.Row(y) + w);
  return img;
}

std::string ErrorOf(const Bytes& rom, const TTileEntry& e, const TPixelImage& img,
                    const TWriteBackOptions& o = {}) {
  try {
    WriteBackPicture(rom, e, img, o);
  } catch (const TError& err) {
    return err.what();
  }
  return "";
}

// A picture file whose header claims more pixels than the entry takes is refused from the
// header, with the entry's size in the message, before its rows are allocated or read.
TEST(WriteBack, OversizedPictureHeadersAreRefusedFromTheHeader) {
  const TTileEntry e = Entry(0, 1, 0, 1, 1);
  const struct {
    std::uint32_t width, height;
    bool adam7;
  } cases[] = {{2147483647, 1, false}, {16000, 16000, false}, {16000, 16000, true}, {9, 8, false}};
  for (const auto& c : cases) {
    // Signature, IHDR (8-bit RGBA), IDAT and IEND: no picture data at all.
    Bytes file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    for (const std::uint32_t v : {c.width, c.height}) {
      for (int i = 3; i >= 0; --i) file.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
    file.insert(file.end(), {8, 6, 0, 0, static_cast<std::uint8_t>(c.adam7 ? 1 : 0)});
    const std::uint32_t crc = static_cast<std::uint32_t>(::crc32(0, file.data() + 12, 17));
    for (int i = 3; i >= 0; --i) file.push_back(static_cast<std::uint8_t>(crc >> (8 * i)));
    // An empty IDAT (CRC of "IDAT": 0x35AF061E), where libpng stops reading the header.
    file.insert(file.end(), {0, 0, 0, 0, 'I', 'D', 'A', 'T', 0x35, 0xAF, 0x06, 0x1E});
    file.insert(file.end(), {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82});
    std::string err;
    try {
      PictureForEntry(file, e);
    } catch (const TError& x) {
      err = x.what();
    }
    const std::string size = std::to_string(c.width) + " x " + std::to_string(c.height);
    const std::string expected =
        c.width > 16000
            ? "The picture is " + size + " pixels; the largest that can be read is 16000 x 16000"
            : "The picture is " + size + " pixels; the entry needs 8 x 8";
    EXPECT_EQ(err, expected) << size;
  }
}

}  // namespace

TEST(WriteBack, EveryTemplateAndSchemeRendersThePicture) {
  std::mt19937 rng(1414);
  for (int round = 0; round < 90; ++round) {
    const int templ = 1 + round % 9;
    const int scheme = round / 9 % 5;
    const std::int32_t w = 1 + static_cast<std::int32_t>(rng() % 6);
    const std::int32_t h = 1 + static_cast<std::int32_t>(rng() % 4);
    Bytes rom = MakeTileLikeData(96 * 1024, rng());
    std::fill(rom.begin() + 64 * 1024, rom.end(), 0xFF);  // the free space
    const std::int32_t offset = scheme != 0 ? static_cast<std::int32_t>(rng() % 3) * 64 : 0;
    TTileEntry e = Entry(4096, templ, scheme, w, h, offset);
    if (scheme != 0) {
      // An existing stream of tile data, a little longer than the picture's bytes.
      const Bytes old = MakeTileLikeData(TemplateDataSize(templ, w, h) + 200, rng());
      const Bytes stream = CompressStream(scheme, old);
      std::copy(stream.begin(), stream.end(), rom.begin() + e.Address);
    }
    const TPixelImage pic = RandomPicture(e, rng);
    TWriteBackOptions o;
    o.freeSpace = 64 * 1024;
    const TWriteBackResult r = WriteBackPicture(rom, e, pic, o);
    const std::string what = "template " + std::to_string(templ) + ", scheme " +
                             std::to_string(scheme) + ", " + std::to_string(w) + " x " +
                             std::to_string(h);
    ASSERT_EQ(r.rom.size(), rom.size()) << what;
    EXPECT_EQ(Render(r.entry, r.rom, pic.width, pic.height).pixels, pic.pixels) << what;
    if (scheme == 0) {
      // Nothing outside the tile data changes.
      const std::size_t from = static_cast<std::size_t>(e.Address);
      const std::size_t to = from + TemplateDataSize(templ, w, h);
      for (std::size_t i = 0; i < rom.size(); ++i) {
        if (i < from || i >= to || (templ == 6 && (i - from) % 2 == 0)) {
          ASSERT_EQ(r.rom[i], rom[i]) << what << ", byte " << i;
        }
      }
    } else {
      EXPECT_EQ(r.report.comprSize, r.entry.ComprSize) << what;
      EXPECT_GE(static_cast<std::size_t>(r.entry.RawSize), TemplateDataSize(templ, w, h) + offset)
          << what;
    }
  }
}

TEST(WriteBack, CompressedDataAroundThePictureAreKept) {
  // Offset 64 into a stream of 512 bytes: the other 448 bytes must come back unchanged.
  Bytes rom(8192, 0xEE);
  Bytes old = MakeTileLikeData(512, 3);
  for (int i = 64; i < 96; ++i) old[i] = i % 2 ? 0x00 : 0xFF;  // index 1 where the picture goes
  const Bytes stream = CompressLZ10(old);
  std::copy(stream.begin(), stream.end(), rom.begin() + 256);
  const TTileEntry e = Entry(256, 4, 1, 2, 1, 64);
  const TPixelImage pic{16, 8, Bytes(128, 2)};
  const TWriteBackResult r = WriteBackPicture(rom, e, pic);
  TTileEntry after = r.entry;
  TDecodeBuffer buffer(kDecodeBufferSize);
  UnpackEntry(after, r.rom, buffer);
  ASSERT_EQ(after.RawSize, 512);
  EXPECT_TRUE(std::equal(old.begin(), old.begin() + 64, buffer.begin()));
  EXPECT_TRUE(std::equal(old.begin() + 96, old.end(), buffer.begin() + 96));
  EXPECT_EQ(r.report.Text(), "Wrote " + std::to_string(r.report.written) +
                                 " bytes at $000100 (old stream " + std::to_string(stream.size()) +
                                 " bytes)");
}

TEST(WriteBack, StreamPlacement) {
  // An old stream of random bytes (long) replaced by a blank picture (short).
  Bytes rom(16384, 0x77);
  std::fill(rom.begin() + 8192, rom.end(), 0xFF);  // free space
  std::mt19937 rng(8);
  Bytes noise(1024);
  for (auto& b : noise) b = static_cast<std::uint8_t>(rng());
  const Bytes stream = CompressFF5(noise);
  std::copy(stream.begin(), stream.end(), rom.begin() + 512);
  const TTileEntry e = Entry(512, 2, 2, 4, 8);  // 32 tiles of 32 bytes: all 1024
  const TPixelImage blank{32, 64, Bytes(32 * 64, 0)};

  const TWriteBackResult kept = WriteBackPicture(rom, e, blank);
  const std::size_t n = kept.report.written;
  ASSERT_LT(n, stream.size());
  EXPECT_TRUE(std::equal(kept.rom.begin() + 512 + n, kept.rom.end(), rom.begin() + 512 + n))
      << "the old stream's tail stays";
  TWriteBackOptions fill;
  fill.fill = 0xFF;
  const TWriteBackResult filled = WriteBackPicture(rom, e, blank, fill);
  EXPECT_TRUE(std::all_of(filled.rom.begin() + 512 + n, filled.rom.begin() + 512 + stream.size(),
                          [](std::uint8_t b) { return b == 0xFF; }));
  EXPECT_EQ(filled.rom[512 + stream.size()], 0x77) << "bytes after the old stream stay";

  // The other way round: the noise no longer fits where the blank stream was.
  const TTileEntry small = kept.entry;
  TPixelImage noisy{32, 64, Bytes(32 * 64)};
  for (auto& p : noisy.pixels) p = static_cast<std::uint8_t>(rng() & 15);
  const std::string err = ErrorOf(kept.rom, small, noisy);
  EXPECT_TRUE(err.starts_with("The new stream is ")) << err;
  EXPECT_TRUE(err.ends_with(" bytes, the old one " + std::to_string(n) +
                            " bytes: it does not fit (give a free-space address to write it "
                            "elsewhere)"))
      << err;
  TWriteBackOptions away;
  away.freeSpace = 8192;
  const TWriteBackResult moved = WriteBackPicture(kept.rom, small, noisy, away);
  EXPECT_EQ(moved.entry.Address, 8192);
  EXPECT_TRUE(moved.report.moved);
  EXPECT_TRUE(std::equal(moved.rom.begin(), moved.rom.begin() + 8192, kept.rom.begin()))
      << "the old stream stays where it was";
  EXPECT_TRUE(moved.report.Text().ends_with(
      "\nThe stream moved from $000200 to $002000: pointers to $000200 are yours to change"))
      << moved.report.Text();
  away.freeSpace = 16384 - 10;
  EXPECT_TRUE(
      ErrorOf(kept.rom, small, noisy, away).starts_with("The free space at $003FF6 cannot hold"));
}

TEST(WriteBack, PlainEntriesAndThePcLayout) {
  Bytes rom(4096, 0x11);
  std::mt19937 rng(2);
  const TTileEntry e = Entry(100, 3, 0, 2, 2, 28);
  const TWriteBackResult r = WriteBackPicture(rom, e, RandomPicture(e, rng));
  EXPECT_EQ(r.report.Text(), "Wrote $000080-$0000DF (96 bytes)");

  // "8bpp (PC)": the block, or the exported picture whose block is used.
  const TTileEntry pc = Entry(0, 9, 0, 3, 2);
  TPixelImage big{24, 16, Bytes(24 * 16, 200)};
  big.pixels[0] = 1;
  big.pixels[24 + 2] = 2;
  const TWriteBackResult b = WriteBackPicture(rom, pc, big);
  EXPECT_EQ((Bytes(b.rom.begin(), b.rom.begin() + 7)), (Bytes{1, 200, 200, 200, 200, 2, 0x11}));
  EXPECT_EQ(ErrorOf(rom, pc, TPixelImage{4, 2, Bytes(8, 0)}),
            "The picture is 4 x 2 pixels; the entry needs 3 x 2 (or 24 x 16)");
}

TEST(WriteBack, Refusals) {
  Bytes rom(2048, 0);
  const TPixelImage pic{16, 8, Bytes(128, 1)};
  TTileEntry e = Entry(0, 4, 0, 2, 1);
  e.Template = 0;
  EXPECT_EQ(ErrorOf(rom, e, pic), "The entry has no template");
  e.Template = 12;
  EXPECT_EQ(ErrorOf(rom, e, pic),
            "The entry's template value 12 is not a template (a damaged document?)");
  e = Entry(0, 4, 0, 2, 1);
  e.Compression = 240;
  EXPECT_EQ(ErrorOf(rom, e, pic),
            "The entry's compression value 240 is not a scheme (a damaged document?)");
  e = Entry(0, 4, 0, 2, 1);
  EXPECT_EQ(ErrorOf(rom, e, TPixelImage{8, 16, Bytes(128, 0)}),
            "The picture is 8 x 16 pixels; the entry needs 16 x 8");
  TPixelImage wide = pic;
  wide.pixels[3] = 4;
  wide.pixels[17] = 255;
  EXPECT_EQ(ErrorOf(rom, e, wide),
            "The picture has 2 pixels whose index does not fit 2bpp (SNES) (0 to 3): (3, 0) 4, (1, "
            "1) 255");
  e.Address = 2048 - 16;
  EXPECT_EQ(ErrorOf(rom, e, pic),
            "The tiles at $0007F0-$00080F do not lie inside the ROM (2048 bytes)");
  e.Address = -1;
  EXPECT_EQ(ErrorOf(rom, e, pic),
            "The tiles at -$000001-$00001E do not lie inside the ROM (2048 bytes)");
  e = Entry(2048, 4, 1, 2, 1);
  EXPECT_EQ(ErrorOf(rom, e, pic), "The stream address $000800 lies outside the ROM (2048 bytes)");
  e = Entry(0, 4, 1, 2, 1, -32);
  EXPECT_EQ(ErrorOf(rom, e, pic), "The offset of a compressed entry must be 0 or more");
  e = Entry(0, 4, 2, 1, 1, 70000);
  EXPECT_EQ(ErrorOf(rom, e, TPixelImage{8, 8, Bytes(64, 0)}),
            "LZSS-FF5 holds at most 65535 bytes; the data are 70016 bytes");
  e = Entry(0, 4, 3, 1, 1, 0x7FFFFF00);
  EXPECT_EQ(ErrorOf(rom, e, TPixelImage{8, 8, Bytes(64, 0)}),
            "LZSS-FF6 holds at most 1048576 bytes; the data are 2147483408 bytes");
}

TEST(WriteBack, ColoursMatchedAreTheTemplatesFirstOnes) {
  TTileEntry e = Entry(0, 3, 0, 1, 1);
  EXPECT_EQ(ImportColours(e).size(), 8u);
  EXPECT_EQ(ImportColours(e).data(), e.Palette);
  e.Template = 9;
  EXPECT_EQ(ImportColours(e).size(), 256u);
  e.Template = 0;
  EXPECT_TRUE(ImportColours(e).empty());
  e.Template = 40;
  EXPECT_TRUE(ImportColours(e).empty());
}
