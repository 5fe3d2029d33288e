// Palette files: each kind read, the exported kinds written back byte for byte, and bad files
// refused with their reason.
#include "palette/palette_files.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "base/uCommon.h"
#include "palette/palette_import.h"
#include "state_fixtures.h"

using namespace tegulo;
using namespace tegulo::fixtures;
namespace fs = std::filesystem;

namespace {

using K = TPaletteSourceKind;

TBytes Text(const std::string& s) { return TBytes(s.begin(), s.end()); }
// A literal with its NUL bytes, without the final one.
template <std::size_t N>
TBytes Text(const char (&s)[N]) {
  return TBytes(s, s + N - 1);
}

TPalette Rainbow() {
  TPalette p{};
  for (std::uint32_t i = 0; i < 256; ++i) p[i] = i | ((255 - i) << 8) | (((i * 7) & 255) << 16);
  return p;
}

std::string Refusal(const TBytes& bytes) {
  try {
    ReadPaletteSource(bytes, TPaletteHalf::Background);
    return "";
  } catch (const TError& e) {
    return e.what();
  }
}

TEST(PaletteFiles, ExportedKindsReadBackAndWriteBackByteForByte) {
  for (const auto format :
       {TPaletteFileFormat::JascPal, TPaletteFileFormat::Gpl, TPaletteFileFormat::Act}) {
    SCOPED_TRACE(static_cast<int>(format));
    const TBytes file = WritePaletteFile(Rainbow(), format);
    const TPalette back = ReadPaletteSource(file, TPaletteHalf::Background);
    EXPECT_EQ(back, Rainbow());
    EXPECT_EQ(WritePaletteFile(back, format), file);
  }
}

TEST(PaletteFiles, WrittenFilesHaveTheUsualLayout) {
  TPalette p{};
  p[0] = 0x00030201;
  p[1] = 0xFF0000FF;  // the top byte is not a colour
  const std::string jasc = [&] {
    const TBytes b = WritePaletteFile(p, TPaletteFileFormat::JascPal);
    return std::string(b.begin(), b.end());
  }();
  EXPECT_TRUE(jasc.starts_with("JASC-PAL\r\n0100\r\n256\r\n1 2 3\r\n255 0 0\r\n0 0 0\r\n"));
  const TBytes gpl = WritePaletteFile(p, TPaletteFileFormat::Gpl, "Level 1");
  EXPECT_TRUE(std::string(gpl.begin(), gpl.end())
                  .starts_with("GIMP Palette\nName: Level 1\nColumns: 16\n#\n  1   2   3\tIndex 0\n"
                               "255   0   0\tIndex 1\n"));
  const TBytes act = WritePaletteFile(p, TPaletteFileFormat::Act);
  ASSERT_EQ(act.size(), 768u);
  EXPECT_EQ(TBytes(act.begin(), act.begin() + 6), (TBytes{1, 2, 3, 255, 0, 0}));
}

TEST(PaletteFiles, ReadsEachKindAsPaintProgramsWriteIt) {
  // JASC with LF ends, trailing blanks and no final newline; 3 colours, the rest black.
  TPalette three{};
  three[0] = 0x000000FF;
  three[1] = 0x0000FF00;
  three[2] = 0x00FF0000;
  EXPECT_EQ(ReadPaletteSource(Text("JASC-PAL\n0100\n3\n255 0 0 \n0 255 0\n0 0 255"),
                              TPaletteHalf::Background),
            three);
  EXPECT_EQ(ReadPaletteSource(Text("GIMP Palette\nName: x\nColumns: 4\n# comment\n\n"
                                   "255   0   0\tRed\n  0 255   0 Green\n\t0\t0\t255\n"),
                              TPaletteHalf::Background),
            three);
  // RIFF with an extra chunk of odd size before the data chunk.
  TBytes riff = Text("RIFF\0\0\0\0PAL plth\x03\0\0\0abc\0data\x10\0\0\0\0\x03\x03\0");
  for (const std::uint8_t b : {255, 0, 0, 0, 0, 255, 0, 1, 0, 0, 255, 2}) riff.push_back(b);
  EXPECT_EQ(DetectPaletteSource(riff), K::RiffPal);
  EXPECT_EQ(ReadPaletteSource(riff, TPaletteHalf::Background), three);
  // ACT of 772 bytes using 3 colours; the unused entries do not count.
  TBytes act(772, 0x99);
  for (int i = 0; i < 9; ++i) act[i] = i % 4 == 0 ? 255 : 0;
  act[768] = 0;
  act[769] = 3;
  act[770] = act[771] = 0xFF;
  EXPECT_EQ(ReadPaletteSource(act, TPaletteHalf::Background), three);
  // Raw dumps: console words.
  EXPECT_EQ(ReadPaletteSource(CgramDump(), TPaletteHalf::Background), BgColours());
  EXPECT_EQ(ReadPaletteSource(GbaPaletteRam(), TPaletteHalf::Sprites), ObjColours());
}

TEST(PaletteFiles, BadFilesAreRefusedWithTheirReason) {
  std::string many = "JASC-PAL\r\n0100\r\n257\r\n";
  std::string gplMany = "GIMP Palette\n";
  for (int i = 0; i < 257; ++i) gplMany += "1 2 3\n";
  const struct {
    TBytes bytes;
    std::string reason;
  } cases[] = {
      {Text("JASC-PAL\r\n0101\r\n"), "line 2 is not the version \"0100\""},
      {Text("JASC-PAL\r\n0100\r\n2\r\n1 2 3\r\n"), "it ends after 1 of its 2 colours"},
      {Text("JASC-PAL\r\n0100\r\n1\r\n1 2\r\n"),
       "line 4 is not a colour (red, green and blue, 0 to 255)"},
      {Text("JASC-PAL\r\n0100\r\n1\r\n1 2 3 4\r\n"), "line 4 has more than a colour"},
      {Text("JASC-PAL\r\n0100\r\n1\r\n1 256 3\r\n"), "line 4 has a value above 255"},
      {Text("JASC-PAL\r\n0100\r\n1\r\n1 2 3\r\n4 5 6\r\n"),
       "it has more colour lines than its count 1"},
      {Text("JASC-PAL\r\n0100\r\nmany\r\n"), "line 3 is not a colour count"},
      {Text(many), "it has more than 256 colours"},
      {Text(gplMany), "it has more than 256 colours"},
      {Text("GIMP Palette\n1 2 x3\n"), "line 2 is not a colour (red, green and blue, 0 to 255)"},
      {Text("GIMP Palette\n-1 2 3\n"), "line 2 is not a colour (red, green and blue, 0 to 255)"},
      {Text("GIMP Palette\n1 2 999999999999\n"), "line 2 has a value above 255"},
      {Text("RIFF\0\0\0\0PAL data\x04\0\0\0\0\x03\x02\0"), "the RIFF palette's data is cut short"},
      {Text("RIFF\0\0\0\0PAL data\x04\0\0\0\0\x03\x01\x01"), "it has more than 256 colours"},
      {Text("RIFF\0\0\0\0PAL plth\x02\0\0\0ab"), "the RIFF palette has no data chunk"},
      {Text("RIFF\0\0\0\0PAL data\xFF\0\0\0\0"), "the RIFF palette is cut short"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Refusal(c.bytes), c.reason) << std::string(c.bytes.begin(), c.bytes.end());
  }
  TBytes act(772, 0);
  act[768] = 1;
  act[769] = 1;  // 257 colours
  EXPECT_EQ(Refusal(act), "it has more than 256 colours");
  // 24-bit colour files have no sprite half.
  EXPECT_THROW(ReadPaletteSource(WritePaletteFile(Rainbow(), TPaletteFileFormat::Gpl),
                                 TPaletteHalf::Sprites),
               TError);
}

class PaletteFileIo : public ::testing::Test {
protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("tegulo-palfile-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Write(const std::string& name, const TBytes& bytes) {
    const std::string path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path;
  }
  std::string Message(const std::function<void()>& f) {
    try {
      f();
      return "";
    } catch (const TError& e) {
      return e.what();
    }
  }
  fs::path dir_;
};

TEST_F(PaletteFileIo, ExportWritesTheKindTheExtensionNames) {
  for (const char* name : {"a.pal", "b.GPL", "c.act"}) {
    const std::string path = (dir_ / name).string();
    ExportPaletteFile(path, Rainbow());
    EXPECT_EQ(ReadPaletteFile(path, TPaletteHalf::Background, TPaletteFileRule::PaletteFileOnly),
              Rainbow())
        << name;
  }
  const std::string png = (dir_ / "d.png").string();
  EXPECT_EQ(Message([&] { ExportPaletteFile(png, Rainbow()); }),
            "Cannot export a palette as \"" + png + "\": use .pal, .gpl or .act");
  EXPECT_FALSE(fs::exists(png));
  // A failed export leaves the old file as it was.
  const std::string old = Write("old.act", TBytes(768, 7));
  fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
  if (::access(dir_.c_str(), W_OK) != 0) {
    EXPECT_THROW(ExportPaletteFile(old, Rainbow()), TError);
    fs::permissions(dir_, fs::perms::owner_all);
    EXPECT_EQ(ReadPaletteSource(TBytes(768, 7), TPaletteHalf::Background),
              ReadPaletteFile(old, TPaletteHalf::Background));
  }
  fs::permissions(dir_, fs::perms::owner_all);
}

TEST_F(PaletteFileIo, ErrorsNameTheFileAndTheReason) {
  const std::string gb = Write("gb.ss1", MgbaGameBoy());
  EXPECT_EQ(Message([&] { ReadPaletteFile(gb, TPaletteHalf::Background); }),
            gb + ": it is an mGBA Game Boy state, not a GBA state");
  const std::string missing = (dir_ / "missing.ss1").string();
  EXPECT_EQ(Message([&] { ReadPaletteFile(missing, TPaletteHalf::Background); }),
            missing + " not found");
  EXPECT_EQ(Message([&] { ReadPaletteFile(dir_.string(), TPaletteHalf::Background); }),
            dir_.string() + " not found");
  const std::string state = Write("game.000", Gzip(Snes9xStream(12)));
  EXPECT_EQ(Message([&] {
              ReadPaletteFile(state, TPaletteHalf::Background, TPaletteFileRule::PaletteFileOnly);
            }),
            state +
                ": it is not a palette file (JASC-PAL, RIFF PAL, GIMP, ACT or a 512- or "
                "1024-byte dump)");
  EXPECT_EQ(ReadPaletteFile(state, TPaletteHalf::Background), BgColours());
  // The ZSNES rule alone ignores what the file is.
  EXPECT_EQ(ReadZsnesPalette(gb)[255], ConsoleColour(0x4444));
}

TEST_F(PaletteFileIo, AFileOver64MiBIsReadOnlyByTheZsnesRule) {
  // Sparse files: the size without the disk space.
  TBytes head = Zsnes();
  head.resize(4096);
  const std::string zsnes = Write("big.zst", head);
  fs::resize_file(zsnes, kMaxPaletteFileBytes + 1);
  EXPECT_EQ(ReadPaletteFile(zsnes, TPaletteHalf::Background), BgColours());
  head = MgbaRaw(7, false);
  head.resize(4096);
  const std::string mgba = Write("big.ss1", head);
  fs::resize_file(mgba, kMaxPaletteFileBytes + 1);
  EXPECT_EQ(Message([&] { ReadPaletteFile(mgba, TPaletteHalf::Background); }),
            mgba + ": it is larger than 64 MiB");
}

}  // namespace
