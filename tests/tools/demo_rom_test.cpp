#include "demo/demo_rom.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "palette/palette.h"

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
  std::set<int> templates, schemes;
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

TEST(DemoRom, SameBytesOnEveryRun) {
  const TDemo again = BuildDemo();
  EXPECT_EQ(again.rom, Demo().rom);
  ASSERT_EQ(again.items.size(), Demo().items.size());
  for (std::size_t i = 0; i < again.items.size(); ++i) {
    EXPECT_EQ(std::memcmp(&again.items[i].entry, &Demo().items[i].entry, sizeof(TTileEntry)), 0)
        << i;
  }
}
