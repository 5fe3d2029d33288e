#include "rom/dropped_file.h"

#include <gtest/gtest.h>

#include <fstream>

#include "state_fixtures.h"
#include "temp_dir.h"

using namespace tegulo;

namespace {

using TBytes = std::vector<std::uint8_t>;

TBytes Text(std::string_view text) { return {text.begin(), text.end()}; }
TBytes Filled(std::size_t size, std::uint8_t value = 0x5A) { return TBytes(size, value); }

const char* Name(TDroppedFile kind) {
  switch (kind) {
    case TDroppedFile::Picture: return "Picture";
    case TDroppedFile::Document: return "Document";
    case TDroppedFile::Palette: return "Palette";
    case TDroppedFile::Rom: return "Rom";
  }
  return "?";
}

class DroppedFileTest : public test::TempDirTest {
protected:
  std::string Write(const std::string& name, const TBytes& bytes) {
    std::ofstream(Path(name), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return Path(name);
  }
};

TEST(DroppedFile, NameAndContentDecideTheKind) {
  const TBytes png = fixtures::MgbaPngWithoutState();
  struct Case {
    const char* name;
    TBytes head;
    bool whole;
    TDroppedFile kind;
  };
  const Case cases[] = {
      {"list.tgl", {}, true, TDroppedFile::Document},
      {"LIST.TGL", Filled(2192), true, TDroppedFile::Document},
      {"game.sfc", {}, true, TDroppedFile::Rom},
      {"game.SMC", fixtures::Zsnes(), false, TDroppedFile::Rom},  // the ROM name wins
      {"game.gba", Filled(1024), true, TDroppedFile::Rom},
      {"shot.png", png, true, TDroppedFile::Picture},
      {"shot.PNG", Text("not a picture"), true, TDroppedFile::Picture},  // reported by import
      {"game.ss1", png, false, TDroppedFile::Palette},                   // an mGBA state
      {"colours.gpl", Text("GIMP Palette\nName: x\n"), true, TDroppedFile::Palette},
      {"colours.txt", Text("JASC-PAL\r\n0100\r\n"), true, TDroppedFile::Palette},
      {"state", fixtures::Zsnes(), false, TDroppedFile::Palette},
      {"snap.000", fixtures::Gzip(Filled(64)), false, TDroppedFile::Palette},
      {"game.mss", Text("MSS"), false, TDroppedFile::Palette},
      {"game.zst", Filled(100), true, TDroppedFile::Palette},  // the ZSNES rule reads any
      {"game.ZS3", Filled(100), true, TDroppedFile::Palette},
      {"game.sgm", {}, false, TDroppedFile::Palette},  // unreadable: the name decides
      {"cgram.bin", fixtures::CgramDump(), true, TDroppedFile::Palette},
      {"obj.dat", fixtures::GbaPaletteRam(), true, TDroppedFile::Palette},
      {"table.act", Filled(772), true, TDroppedFile::Palette},
      // A size that only matches in the head of a longer file decides nothing.
      {"dump.bin", Filled(1024), false, TDroppedFile::Rom},
      {"dump.bin", Filled(4096), true, TDroppedFile::Rom},
      {"game.rom", Filled(4096), false, TDroppedFile::Rom},
      {"noextension", Filled(16), true, TDroppedFile::Rom},
      {".zst", Filled(16), true, TDroppedFile::Rom},  // a hidden name, no extension
      {"dir.tgl/game", Filled(16), true, TDroppedFile::Rom},
      {"a.zs", Filled(16), true, TDroppedFile::Rom},  // "*.zs?" wants one more character
  };
  for (const Case& c : cases) {
    EXPECT_STREQ(Name(ClassifyDroppedFile(c.name, c.head, c.whole)), Name(c.kind))
        << c.name << " (" << c.head.size() << " bytes, whole " << c.whole << ")";
  }
}

TEST_F(DroppedFileTest, FilesAreJudgedByTheirStartAndTheirWholeSize) {
  EXPECT_EQ(ClassifyDroppedFile(Write("cgram.bin", fixtures::CgramDump())), TDroppedFile::Palette);
  TBytes rom(600 * 1024, 0);
  EXPECT_EQ(ClassifyDroppedFile(Write("game.bin", rom)), TDroppedFile::Rom);
  TBytes big = fixtures::MgbaPngWithoutState();
  big.resize(kDropHeadBytes * 3);
  EXPECT_EQ(ClassifyDroppedFile(Write("state.ss2", big)), TDroppedFile::Palette);
  const std::string exact = Write("exact.bin", Filled(kDropHeadBytes));
  EXPECT_EQ(ClassifyDroppedFile(exact), TDroppedFile::Rom);
  EXPECT_EQ(ClassifyDroppedFile(Path("missing.gpl")), TDroppedFile::Palette);
  EXPECT_EQ(ClassifyDroppedFile(Path("missing.sfc")), TDroppedFile::Rom);
  EXPECT_EQ(ClassifyDroppedFile(Dir().string()), TDroppedFile::Rom);
}

}  // namespace
