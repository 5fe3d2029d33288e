#include "demo/demo_rom.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>

#include "bitmap.h"
#include "lz10_scan.h"
#include "palette.h"
#include "refresh.h"
#include "render.h"

using namespace tegulo;
using tegulo::demo::BuildDemo;
using tegulo::demo::TDemo;

namespace {

const TDemo& Demo() {
  static const TDemo demo = BuildDemo();
  return demo;
}

}  // namespace

TEST(DemoRom, CoversEveryTemplateAndScheme) {
  std::set<int> templates, schemes, names;
  std::set<std::string> nameSet;
  for (const auto& item : Demo().items) {
    const TTileEntry& e = item.entry;
    templates.insert(e.Template);
    schemes.insert(e.Compression);
    EXPECT_LE(e.Name[0], 30);
    EXPECT_TRUE(nameSet.insert(GetName(e)).second) << "names are unique: " << GetName(e);
  }
  EXPECT_EQ(templates, (std::set<int>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
  EXPECT_EQ(schemes, (std::set<int>{0, 1, 2, 3, 4}));
  const std::size_t size = Demo().rom.size();
  EXPECT_EQ(size & (size - 1), 0u) << "a power of two, like a cartridge";
}

TEST(DemoRom, PalettesComeFromTheRom) {
  const auto& rom = Demo().rom;
  for (const auto& item : Demo().items) {
    const TTileEntry& e = item.entry;
    ASSERT_EQ(e.PalCount, 1 << e.Bpp) << GetName(e);
    for (int i = 0; i < e.PalCount; ++i) {
      const std::size_t at =
          static_cast<std::size_t>(e.PalAddress) + 2 * static_cast<std::size_t>(i);
      ASSERT_LT(at + 1, rom.size());
      const auto word = static_cast<std::uint16_t>(rom[at] | rom[at + 1] << 8);
      ASSERT_EQ(e.Palette[i], ConsoleColour(word)) << GetName(e) << " colour " << i;
    }
  }
}

TEST(DemoRom, EveryEntryDrawsItsArtwork) {
  const TDemo& demo = Demo();
  TDecodeBuffer buffer(kDecodeBufferSize);
  for (const auto& item : demo.items) {
    TTileEntry e = item.entry;
    const std::string name = GetName(e);
    const TUnpackReport report = UnpackEntry(e, demo.rom, buffer);
    EXPECT_FALSE(report.notValidLZ10) << name;
    EXPECT_EQ(e.RawSize, item.entry.RawSize) << name << ": the saved sizes are a refresh's";
    EXPECT_EQ(e.ComprSize, item.entry.ComprSize) << name;

    TIndexedBitmap bmp;
    DrawTiles(bmp, e, demo.rom, buffer, kFallbackBackground);
    ASSERT_EQ(bmp.Width(), 8 * e.Width) << name;
    ASSERT_EQ(bmp.Height(), 8 * e.Height) << name;
    const auto& art = item.art;
    ASSERT_LE(art.width, bmp.Width()) << name;
    ASSERT_LE(art.height, bmp.Height()) << name;
    for (int y = 0; y < art.height; ++y) {
      for (int x = 0; x < art.width; ++x) {
        ASSERT_EQ(bmp.Row(y)[x], art.At(x, y)) << name << " pixel " << x << "," << y;
      }
    }
  }
}

TEST(DemoRom, ScanFindsTheLz77Streams) {
  const TDemo& demo = Demo();
  const auto found = ScanLZ10(demo.rom, {});
  int streams = 0;
  for (const auto& item : demo.items) {
    const TTileEntry& e = item.entry;
    if (e.Compression != 1) continue;
    ++streams;
    const TLZ10Stream want{static_cast<std::size_t>(e.Address),
                           static_cast<std::uint32_t>(e.RawSize),
                           static_cast<std::uint32_t>(e.ComprSize)};
    EXPECT_NE(std::find(found.begin(), found.end(), want), found.end()) << GetName(e);
  }
  EXPECT_GE(streams, 2);
}

TEST(DemoRom, SameBytesOnEveryRun) {
  const TDemo again = BuildDemo();
  EXPECT_EQ(again.rom, Demo().rom);
  ASSERT_EQ(again.items.size(), Demo().items.size());
  for (std::size_t i = 0; i < again.items.size(); ++i) {
    EXPECT_EQ(std::memcmp(&again.items[i].entry, &Demo().items[i].entry, sizeof(TTileEntry)), 0)
        << i;
  }
}
