#include "palette/palette.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <vector>

#include "base/uCommon.h"
#include "temp_dir.h"

using namespace tegulo;
namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t kMark = 0x00ABCDEF;  // a colour no action writes

std::uint32_t Grey(int v) { return static_cast<std::uint32_t>(v) * 65793u; }

TTileEntry EntryWith(std::int32_t palCount) {
  TTileEntry e{};
  e.PalCount = palCount;
  for (auto& c : e.Palette) c = kMark;
  return e;
}

TPalette Marked() {
  TPalette p;
  p.fill(kMark);
  return p;
}

// Console words little-endian from byte 0 on.
std::vector<std::uint8_t> Words(std::initializer_list<std::uint16_t> words) {
  std::vector<std::uint8_t> v;
  for (auto w : words) {
    v.push_back(static_cast<std::uint8_t>(w));
    v.push_back(static_cast<std::uint8_t>(w >> 8));
  }
  return v;
}

}  // namespace

TEST(ConsoleColour, Examples) {
  EXPECT_EQ(ConsoleColour(0x7FFF), 0x00FFFFFFu);
  EXPECT_EQ(ConsoleColour(0x001F), 0x000000FFu);
  EXPECT_EQ(ConsoleColour(0x03E0), 0x0000FF00u);
  EXPECT_EQ(ConsoleColour(0x7C00), 0x00FF0000u);
  EXPECT_EQ(ConsoleColour(0x8000), 0u);
  const int levels[32] = {0,   8,   16,  24,  32,  41,  49,  57,  65,  74,  82,
                          90,  98,  106, 115, 123, 131, 139, 148, 156, 164, 172,
                          180, 189, 197, 205, 213, 222, 230, 238, 246, 255};
  for (std::uint16_t v = 0; v < 32; ++v) {
    EXPECT_EQ(ConsoleColour(static_cast<std::uint16_t>(v | v << 5 | v << 10)), Grey(levels[v]))
        << "channel value " << v;
  }
}

TEST(MakeMonoPalette, RampsForwardAndReversed) {
  struct Case {
    int n;
    std::vector<int> levels;  // the forward ramp; empty: v = 17 i or v = i
  };
  const Case cases[] = {
      {1, {0}}, {2, {0, 255}}, {4, {0, 85, 170, 255}}, {8, {0, 36, 72, 109, 145, 182, 218, 255}},
      {16, {}}, {256, {}},
  };
  for (const Case& c : cases) {
    std::vector<int> levels = c.levels;
    for (int i = 0; levels.empty() || static_cast<int>(levels.size()) < c.n; ++i) {
      levels.push_back(c.n == 16 ? 17 * i : i);
    }
    for (bool reverse : {false, true}) {
      TPalette p = Marked();
      MakeMonoPalette(p, c.n, reverse);
      for (int i = 0; i < 256; ++i) {
        // A one-colour ramp is black whichever way it runs.
        const int at = (reverse && c.n > 1) ? c.n - 1 - i : i;
        const std::uint32_t want = i < c.n ? Grey(levels[at]) : kMark;
        ASSERT_EQ(p[i], want) << "n " << c.n << (reverse ? " reversed" : "") << ", colour " << i;
      }
    }
  }
}

TEST(MakeMonoPalette, StaysInsideTheArray) {
  TPalette p = Marked();
  MakeMonoPalette(p, 0, false);
  MakeMonoPalette(p, -7, true);
  EXPECT_EQ(p, Marked());
  std::vector<std::uint32_t> small(4, kMark);
  MakeMonoPalette(small, 1000, true);  // the first colours of a 1000-step reversed ramp
  EXPECT_EQ(small, (std::vector<std::uint32_t>{Grey(255), Grey(254), Grey(254), Grey(254)}));
}

TEST(PaletteFromRom, ReadsWordsAndBlackOutsideTheRom) {
  const auto rom = Words({0x7FFF, 0x001F, 0x03E0, 0x7C00, 0x8000});  // 10 bytes
  struct Case {
    const char* name;
    std::int32_t address, n;
    std::vector<std::uint32_t> want;  // the first colours; the rest black
  };
  const Case cases[] = {
      {"n = 4", 0, 4, {0xFFFFFF, 0x0000FF, 0x00FF00, 0xFF0000}},
      {"past the end", 6, 4, {0xFF0000, 0, 0, 0}},
      {"last byte alone", 9, 2, {0, 0}},
      {"before the start", -2, 3, {0, 0xFFFFFF, 0x0000FF}},
      {"odd, straddles the start", -1, 2, {0, ConsoleColour(0x1F7F)}},
      {"most negative", INT_MIN, 256, {}},
      {"highest", INT_MAX, 256, {}},
      {"count above 256", 0, 1000, {0xFFFFFF, 0x0000FF, 0x00FF00, 0xFF0000}},
      {"count 0", 0, 0, {}},
      {"count negative", 0, -5, {}},
  };
  for (const Case& c : cases) {
    const TPalette p = PaletteFromRom(rom, c.address, c.n);
    for (int i = 0; i < 256; ++i) {
      const std::uint32_t want = i < static_cast<int>(c.want.size()) ? c.want[i] : 0;
      ASSERT_EQ(p[i], want) << c.name << ", colour " << i;
    }
  }
}

TEST(LoadViewPalette, CopiesThePalCountFirstColours) {
  const std::pair<std::int32_t, int> cases[] = {{16, 16}, {0, 0}, {-5, 0}, {1000, 256}, {256, 256}};
  for (auto [palCount, copied] : cases) {
    TPalette view = Marked();
    TTileEntry e = EntryWith(palCount);
    for (int i = 0; i < 256; ++i) e.Palette[i] = static_cast<std::uint32_t>(i + 1);
    LoadViewPalette(view, e);
    for (int i = 0; i < 256; ++i) {
      ASSERT_EQ(view[i], i < copied ? static_cast<std::uint32_t>(i + 1) : 0u)
          << "PalCount " << palCount << ", colour " << i;
    }
  }
}

TEST(ApplyGreyRamp, ViewFromTheCountEntryFromItsPalCount) {
  TPalette view = Marked();
  TTileEntry e = EntryWith(16);
  ApplyGreyRamp(view, &e, 256, false);
  for (int i = 0; i < 256; ++i) {
    ASSERT_EQ(view[i], Grey(i)) << "view colour " << i;
    ASSERT_EQ(e.Palette[i], i < 16 ? Grey(17 * i) : kMark) << "entry colour " << i;
  }
  ApplyGreyRamp(view, &e, 4, true);
  EXPECT_EQ(view[0], Grey(255));
  EXPECT_EQ(view[3], Grey(0));
  EXPECT_EQ(view[4], 0u) << "black after the ramp";
  EXPECT_EQ(e.Palette[0], Grey(255));
  EXPECT_EQ(e.Palette[15], Grey(0));

  // Damaged PalCount values: clamped, never past the palette.
  TTileEntry big = EntryWith(1000);
  ApplyGreyRamp(view, &big, 0, false);
  EXPECT_EQ(view, TPalette{});
  for (int i = 0; i < 256; ++i) ASSERT_EQ(big.Palette[i], Grey(i)) << "colour " << i;
  TTileEntry negative = EntryWith(-5);
  ApplyGreyRamp(view, &negative, 300, false);
  EXPECT_EQ(view[255], Grey(255));
  EXPECT_EQ(negative.Palette[0], kMark);

  ApplyGreyRamp(view, nullptr, 2, false);
  EXPECT_EQ(view[1], Grey(255));
}

TEST(ApplyRomPalette, EntryTakesPalCountColoursOfTheView) {
  const auto rom = Words({0x7FFF, 0x001F, 0x03E0, 0x7C00, 0x1234, 0x4321});
  TPalette view = Marked();
  TTileEntry e = EntryWith(16);
  ApplyRomPalette(view, &e, rom, 0, 4);
  EXPECT_EQ(e.PalAddress, 0);
  const std::uint32_t four[] = {0xFFFFFF, 0x0000FF, 0x00FF00, 0xFF0000};
  for (int i = 0; i < 256; ++i) {
    ASSERT_EQ(view[i], i < 4 ? four[i] : 0u) << "view colour " << i;
    ASSERT_EQ(e.Palette[i], i < 4 ? four[i] : i < 16 ? 0u : kMark) << "entry colour " << i;
  }

  TTileEntry none = EntryWith(0);
  ApplyRomPalette(view, &none, rom, 2, 3);
  EXPECT_EQ(none.PalAddress, 2);
  EXPECT_EQ(view[0], 0x0000FFu) << "the grid is filled";
  for (int i = 0; i < 256; ++i) ASSERT_EQ(none.Palette[i], kMark) << "colour " << i;

  TTileEntry damaged = EntryWith(-5);
  ApplyRomPalette(view, &damaged, rom, -2, 2);
  EXPECT_EQ(damaged.PalAddress, -2);
  EXPECT_EQ(view[0], 0u);
  EXPECT_EQ(view[1], 0xFFFFFFu);
  EXPECT_EQ(damaged.Palette[0], kMark);
  TTileEntry all = EntryWith(1000);
  ApplyRomPalette(view, &all, rom, 0, 256);
  EXPECT_EQ(all.Palette[1], 0x0000FFu);
  EXPECT_EQ(all.Palette[255], 0u);
}

TEST(ApplyImportedPalette, AllColoursOnlyColours) {
  TPalette imported;
  for (int i = 0; i < 256; ++i) imported[i] = static_cast<std::uint32_t>(i * 3);
  TPalette view = Marked();
  TTileEntry e = EntryWith(16);
  e.PalAddress = 77;
  ApplyImportedPalette(view, &e, imported);
  EXPECT_EQ(view, imported);
  EXPECT_TRUE(std::equal(imported.begin(), imported.end(), e.Palette));
  EXPECT_EQ(e.PalCount, 16);
  EXPECT_EQ(e.PalAddress, 77);
  view = Marked();
  ApplyImportedPalette(view, nullptr, imported);
  EXPECT_EQ(view, imported);
}

TEST(ApplyPickedColour, AnyIndexWhateverPalCount) {
  TPalette view = Marked();
  TTileEntry e = EntryWith(16);
  ApplyPickedColour(view, &e, 200, 0xFF112233);
  EXPECT_EQ(view[200], 0x00112233u);
  EXPECT_EQ(e.Palette[200], 0x00112233u);
  ApplyPickedColour(view, &e, 0, 0x445566);
  EXPECT_EQ(e.Palette[0], 0x445566u);
  ApplyPickedColour(view, nullptr, 5, 0x010101);
  EXPECT_EQ(view[5], 0x010101u);
  EXPECT_EQ(e.Palette[5], kMark);
  const TPalette before = view;
  ApplyPickedColour(view, &e, 256, 0);
  ApplyPickedColour(view, &e, -1, 0);
  EXPECT_EQ(view, before);
}

class ZsnesPalette : public test::TempDirTest {
protected:
  // A save state of `size` bytes; the palette words at 1560 are i * 0x81 for colour i.
  std::string Write(const char* name, std::size_t size) {
    std::vector<char> bytes(size, '\x5A');
    for (std::size_t i = 0; i < 256; ++i) {
      const std::uint16_t w = static_cast<std::uint16_t>(i * 0x81);
      if (1560 + 2 * i < size) bytes[1560 + 2 * i] = static_cast<char>(w);
      if (1561 + 2 * i < size) bytes[1561 + 2 * i] = static_cast<char>(w >> 8);
    }
    const std::string path = Path(name);
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(size));
    return path;
  }
};

TEST_F(ZsnesPalette, ReadsTheWordsAtOffset1560) {
  const TPalette p = ReadZsnesPalette(Write("full.zst", 4000));
  for (int i = 0; i < 256; ++i) {
    ASSERT_EQ(p[i], ConsoleColour(static_cast<std::uint16_t>(i * 0x81))) << "colour " << i;
  }
}

TEST_F(ZsnesPalette, ColoursTheFileLacksAreBlack) {
  // 1560 + 5 bytes: two whole words and one half word.
  const TPalette p = ReadZsnesPalette(Write("short.zst", 1565));
  EXPECT_EQ(p[0], 0u);
  EXPECT_EQ(p[1], ConsoleColour(0x81));
  EXPECT_EQ(p[2], 0u) << "a half word is not a colour";
  for (int i = 3; i < 256; ++i) ASSERT_EQ(p[i], 0u) << "colour " << i;
  EXPECT_EQ(ReadZsnesPalette(Write("tiny.zst", 100)), TPalette{});
  EXPECT_EQ(ReadZsnesPalette(Write("empty.zst", 0)), TPalette{});
}

TEST_F(ZsnesPalette, MissingFileIsNotFound) {
  for (const fs::path& p : {Dir() / "missing.zst", Dir()}) {
    try {
      ReadZsnesPalette(p.string());
      ADD_FAILURE() << p << " was read";
    } catch (const TError& e) {
      EXPECT_EQ(std::string(e.what()), p.string() + " not found");
    }
  }
}
