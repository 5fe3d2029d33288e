#include "rom/dropped_file.h"

#include <gtest/gtest.h>

#include <fstream>

#include "state_fixtures.h"
#include "temp_dir.h"

using namespace tegulo;

namespace {

using TBytes = std::vector<std::uint8_t>;

TBytes Text(std::string_view text) { return {text.begin(), text.end()}; }
// Not text: a byte that cannot start a character.
TBytes Filled(std::size_t size, std::uint8_t value = 0xA5) { return TBytes(size, value); }

const char* Name(TDroppedFile kind) {
  switch (kind) {
    case TDroppedFile::Picture: return "Picture";
    case TDroppedFile::Document: return "Document";
    case TDroppedFile::Palette: return "Palette";
    case TDroppedFile::Rom: return "Rom";
    case TDroppedFile::Foreign: return "Foreign";
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
      // Plainly no ROM by content, whatever the name says; palette names and content still win.
      {"notes.txt", Text("Level 1 graphics at $1C7D04\n"), true, TDroppedFile::Foreign},
      {"game.sfc", Text("not a ROM"), true, TDroppedFile::Foreign},
      {"photo.jpg", TBytes{0xFF, 0xD8, 0xFF, 0xE0, 0, 0x10}, false, TDroppedFile::Foreign},
      {"pack.7z", TBytes{'7', 'z', 0xBC, 0xAF, 0x27, 0x1C, 0, 4}, false, TDroppedFile::Foreign},
      {"colours.gpl", Text("not a palette"), true, TDroppedFile::Palette},  // import reports
      {"snap.000", fixtures::Gzip(Text("text inside")), false, TDroppedFile::Palette},
  };
  for (const Case& c : cases) {
    EXPECT_STREQ(Name(ClassifyDroppedFile(c.name, c.head, c.whole)), Name(c.kind))
        << c.name << " (" << c.head.size() << " bytes, whole " << c.whole << ")";
  }
}

TEST(DroppedFile, ForeignContentIsNamed) {
  using namespace std::string_view_literals;
  const auto bytes = [](std::string_view s) { return Text(s); };
  struct Case {
    const char* what;
    TBytes head;
    bool whole;
    const char* kind;  // "" for content that could be a ROM's
  };
  const Case cases[] = {
      {"ascii", bytes("hello\tworld\r\n"sv), true, "text"},
      {"utf-8", bytes("caf\xC3\xA9 \xE2\x82\xAC"sv), true, "text"},
      {"utf-8 cut by the head", bytes("abc\xE2\x82"sv), false, "text"},
      {"utf-8 cut by the file", bytes("abc\xE2\x82"sv), true, ""},
      {"a stray continuation", bytes("abc\x82"sv), true, ""},
      {"a control byte", bytes("ab\x01cd"sv), true, ""},
      {"empty", {}, true, ""},
      {"zeros", TBytes(64, 0), false, ""},
      {"jpeg", TBytes{0xFF, 0xD8, 0xFF, 0xDB}, false, "a JPEG image"},
      {"gif", bytes("GIF89a\x01\x00"sv), false, "a GIF image"},
      {"webp", bytes("RIFF\x10\x00\x00\x00WEBPVP8 "sv), false, "a WebP image"},
      {"riff sound", bytes("RIFF\x10\x00\x00\x00WAVEfmt "sv), false, ""},
      {"pdf", bytes("%PDF-1.7\n%\xE2\xE3"sv), false, "a PDF document"},
      {"zip", bytes("PK\x03\x04\x14\x00"sv), false, "a ZIP archive"},
      {"rar", bytes("Rar!\x1A\x07\x01\x00"sv), false, "a RAR archive"},
      {"xz",
       bytes("\xFD"
             "7zXZ\x00\x00"sv),
       false, "an xz archive"},
      {"zstd", TBytes{0x28, 0xB5, 0x2F, 0xFD, 0x24}, false, "a zstd archive"},
      {"elf",
       bytes("\x7F"
             "ELF\x02\x01"sv),
       false, "an ELF program"},
      {"bzip2", bytes("BZh91AY&SY"sv), false, "a bzip2 archive"},
      {"BZh without its block", bytes("BZh\x00\x01\x02\x03\x04\x05\x06"sv), false, ""},
      {"bmp", bytes("BM\x46\x00\x00\x00\x00\x00\x00\x00\x36\x00\x00\x00\x28\x00\x00\x00"sv), false,
       "a BMP image"},
      {"BM then code",
       bytes("BM\x46\x00\x00\x00\x00\x00\x00\x00\x36\x00\x00\x00\x99\x00\x00\x00"sv), false, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ForeignContent(c.head, c.whole), c.kind) << c.what;
  }
  EXPECT_EQ(ForeignFileText("/home/me/notes.txt", "text"),
            "notes.txt is text, not a ROM; nothing was opened.");
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
  std::string what;
  EXPECT_EQ(ClassifyDroppedFile(Write("notes.txt", Text("# todo\n")), &what),
            TDroppedFile::Foreign);
  EXPECT_EQ(what, "text");
  // A long text is judged by its start.
  EXPECT_EQ(ClassifyDroppedFile(Write("long.txt", TBytes(3 * kDropHeadBytes, 'x'))),
            TDroppedFile::Foreign);
}

}  // namespace
