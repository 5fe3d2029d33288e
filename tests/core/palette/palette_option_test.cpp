// Palette choices as text, and the actions they run on an entry.
#include "palette/palette_option.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "base/uCommon.h"
#include "state_fixtures.h"

using namespace tegulo;
using namespace tegulo::fixtures;
namespace fs = std::filesystem;

namespace {

TEST(PaletteOption, ParsesEveryForm) {
  const struct {
    const char* text;
    TPaletteOptionKind kind;
    std::int32_t address, count;
    const char* path;
    TPaletteHalf half;
  } cases[] = {
      {"mono", TPaletteOptionKind::Mono, 0, -1, "", TPaletteHalf::Background},
      {"mono-reverse", TPaletteOptionKind::MonoReverse, 0, -1, "", TPaletteHalf::Background},
      {"rom:$1000", TPaletteOptionKind::Rom, 0x1000, -1, "", TPaletteHalf::Background},
      {"rom:0x20:16", TPaletteOptionKind::Rom, 0x20, 16, "", TPaletteHalf::Background},
      {"zst:a:b.zst", TPaletteOptionKind::Zsnes, 0, -1, "a:b.zst", TPaletteHalf::Background},
      {"state:game.ss1", TPaletteOptionKind::State, 0, -1, "game.ss1", TPaletteHalf::Background},
      {"state:game.ss1:obj", TPaletteOptionKind::State, 0, -1, "game.ss1", TPaletteHalf::Sprites},
      {"state:c:obj:obj", TPaletteOptionKind::State, 0, -1, "c:obj", TPaletteHalf::Sprites},
      {"file:x.gpl", TPaletteOptionKind::File, 0, -1, "x.gpl", TPaletteHalf::Background},
  };
  for (const auto& c : cases) {
    const TPaletteOption s = ParsePaletteOption(c.text);
    EXPECT_EQ(s.kind, c.kind) << c.text;
    EXPECT_EQ(s.address, c.address) << c.text;
    EXPECT_EQ(s.count, c.count) << c.text;
    EXPECT_EQ(s.path, c.path) << c.text;
    EXPECT_EQ(s.half, c.half) << c.text;
  }
  for (const char* bad : {"", "grey", "zst:", "state:", "state::obj", "file:", "Mono"}) {
    try {
      ParsePaletteOption(bad);
      ADD_FAILURE() << bad;
    } catch (const TError& e) {
      EXPECT_EQ(std::string(e.what()),
                std::string("Unknown palette '") + bad +
                    "' (mono, mono-reverse, rom:ADDR[:COUNT], zst:FILE, state:FILE[:obj] or "
                    "file:FILE)");
    }
  }
  EXPECT_THROW(ParsePaletteOption("rom:zz"), TError);
}

TEST(PaletteOption, ImportsGoIntoTheViewAndTheWholeEntry) {
  const fs::path dir = fs::temp_directory_path() / ("tegulo-option-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::string state = (dir / "game.ss1").string();
  {
    const TBytes b = MgbaRaw(7, true);
    std::ofstream(state, std::ios::binary)
        .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
  }
  TTileEntry e{};
  e.PalCount = 16;
  e.PalAddress = 77;
  TPalette view{};
  RunPaletteOption(ParsePaletteOption("state:" + state + ":obj"), view, e, {});
  EXPECT_EQ(view, ObjColours());
  EXPECT_TRUE(std::equal(view.begin(), view.end(), std::begin(e.Palette)));
  EXPECT_EQ(e.PalAddress, 77);
  EXPECT_EQ(e.PalCount, 16);

  // A refused file changes nothing; file: takes palette files only.
  const TTileEntry before = e;
  EXPECT_THROW(RunPaletteOption(ParsePaletteOption("file:" + state), view, e, {}), TError);
  EXPECT_EQ(view, ObjColours());
  EXPECT_EQ(0, std::memcmp(&before, &e, sizeof e));

  // rom: without a count takes the entry's PalCount.
  const TBytes rom = CgramDump();
  RunPaletteOption(ParsePaletteOption("rom:0"), view, e, rom);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(view[i], BgColours()[i]);
  EXPECT_EQ(view[16], 0u);
  fs::remove_all(dir);
}

}  // namespace
