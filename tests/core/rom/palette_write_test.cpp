#include "rom/palette_write.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/bitmap.h"
#include "base/uCommon.h"
#include "image/png_encode.h"
#include "palette/console_words.h"
#include "palette/palette.h"

using namespace tegulo;

namespace {

std::string ErrorOf(const auto& call) {
  try {
    call();
  } catch (const TError& e) {
    return e.what();
  }
  return "";
}

}  // namespace

TEST(PaletteWrite, ReadingBackGivesTheSnappedColours) {
  const std::vector<std::uint8_t> rom(64, 0xEE);
  const std::uint32_t colours[] = {0x00000000, 0x00FFFFFF, 0x00808080, 0x000000FF};
  const std::vector<std::uint8_t> image = WritePaletteToRom(rom, 10, colours);
  ASSERT_EQ(image.size(), rom.size());
  const TPalette back = PaletteFromRom(image, 10, 4);
  const std::uint32_t shown[] = {0x00000000, 0x00FFFFFF, 0x00838383, 0x000000FF};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(back[i], shown[i]) << "colour " << i;
  // Nothing outside the words changes.
  for (std::size_t i = 0; i < rom.size(); ++i) {
    if (i < 10 || i >= 18) EXPECT_EQ(image[i], 0xEE) << "byte " << i;
  }
}

TEST(PaletteWrite, RefusesWhatDoesNotFit) {
  const std::vector<std::uint8_t> rom(16, 0);
  const std::vector<std::uint32_t> one(1), eight(8), none, many(257);
  struct TCase {
    std::int32_t address;
    const std::vector<std::uint32_t>* colours;
    std::string error;
  };
  const TCase cases[] = {
      {0, &eight, ""},  // exactly to the end
      {2, &eight, "The palette of 8 colours at $000002 does not fit in the ROM (16 bytes)"},
      {15, &one, "The palette of 1 colours at $00000F does not fit in the ROM (16 bytes)"},
      {-2, &one, "The palette of 1 colours at $FFFFFFFE does not fit in the ROM (16 bytes)"},
      {0, &none, "The colour count must be 1 to 256"},
      {0, &many, "The colour count must be 1 to 256"},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(ErrorOf([&] { WritePaletteToRom(rom, c.address, *c.colours); }), c.error)
        << "address " << c.address << " count " << c.colours->size();
  }
}

TEST(PaletteWrite, TargetsReadAddressAndCount) {
  struct TCase {
    std::string text;
    std::int32_t address;
    std::optional<std::int32_t> count;
    std::string error;
  };
  const TCase cases[] = {
      {"$1000", 0x1000, std::nullopt, ""},
      {"0x20:16", 0x20, 16, ""},
      {"32:256", 32, 256, ""},
      {"32:0", 0, std::nullopt, "The colour count must be 1 to 256"},
      {"32:257", 0, std::nullopt, "The colour count must be 1 to 256"},
      {"zz", 0, std::nullopt, "'zz' is not a valid integer value"},
      {"32:x", 0, std::nullopt, "'x' is not a valid integer value"},
  };
  for (const TCase& c : cases) {
    TPaletteTarget target;
    const std::string error = ErrorOf([&] { target = ParsePaletteTarget(c.text); });
    EXPECT_EQ(error, c.error) << c.text;
    if (!error.empty()) continue;
    EXPECT_EQ(target.address, c.address) << c.text;
    EXPECT_EQ(target.count, c.count) << c.text;
  }
}

TEST(PaletteWrite, ReportNamesCountAndAddress) {
  EXPECT_EQ(PaletteWriteText(16, 0x1C00), "Wrote 16 colours at $001C00 as console words");
  EXPECT_EQ(PaletteWriteText(1, 0), "Wrote 1 colour at $000000 as console words");
}

TEST(PaletteWrite, PngColoursGoInByTheirPlteOrder) {
  TIndexedBitmap bmp;
  bmp.SetSize(8, 8);
  for (std::size_t i = 0; i < 256; ++i) bmp.Colours[i] = static_cast<std::uint32_t>(i) << 16;
  std::vector<std::uint8_t> png;
  EncodeIndexedPng(
      bmp, 0, [&](std::span<const std::uint8_t> b) { png.insert(png.end(), b.begin(), b.end()); });
  const std::vector<std::uint8_t> rom(64, 0);
  struct TCase {
    std::optional<std::int32_t> count;
    std::int32_t fallback;
    std::int32_t written;
  };
  for (const TCase& c : {TCase{std::nullopt, 16, 16}, TCase{4, 16, 4}, TCase{std::nullopt, 2, 2}}) {
    const std::vector<std::uint32_t> colours = PngColoursToWrite(png, {8, c.count}, c.fallback);
    EXPECT_EQ(colours.size(), static_cast<std::size_t>(c.written));
    const TPalette back = PaletteFromRom(WritePaletteToRom(rom, 8, colours), 8, c.written + 1);
    // PLTE colour i is red i (0x00RRGGBB i << 16): the nearest console red.
    for (int i = 0; i < c.written; ++i) {
      EXPECT_EQ(back[static_cast<std::size_t>(i)], SnapToConsole(static_cast<std::uint32_t>(i)))
          << i;
    }
    EXPECT_EQ(back[static_cast<std::size_t>(c.written)], 0u);
  }
  EXPECT_EQ(ErrorOf([&] {
              PngColoursToWrite(png, {0, 257}, 16);
            }),
            "the PNG has 256 colours, not 257");
  EXPECT_EQ(ErrorOf([&] { PngColoursToWrite(rom, {0, 1}, 16); }), "Not a PNG file");
}
