// A grown stream through the window: the offer, free space or a chosen address, the question
// before writing, Undo as one step, and the list's "Find Pointers to This Entry".
#include <QAction>

#include "../core/rom/layout_fixtures.h"
#include "base/numbers.h"
#include "compress/compressors.h"
#include "flow_fixture.h"
#include "image/png_writer.h"
#include "qt_text.h"
#include "screen/map_formats.h"
#include "screen/screen.h"

namespace tegulo {
namespace {

using TAnswer = UserPrompts::TRelocateAnswer;

class RelocateTest : public FlowTest {
protected:
  // A GBA ROM: the LZ77-10 stream of a flat 2 x 2 tile picture at $2000, pointed to from
  // $400; 0xFF from $1C000 on. The entry is current.
  void OpenWithStream() {
    rom = test::GbaRom(0x20000);
    std::fill(rom.begin() + 0x1C000, rom.end(), 0xFF);
    const std::vector<std::uint8_t> stream = CompressLZ10(std::vector<std::uint8_t>(128, 0x33));
    std::copy(stream.begin(), stream.end(), rom.begin() + 0x2000);
    const std::vector<std::uint8_t> pointer = {0x00, 0x20, 0x00, 0x08};
    std::copy(pointer.begin(), pointer.end(), rom.begin() + 0x400);
    OpenRom(rom, QStringLiteral("game.gba"));
    AddEntry("$2000");
    Pick(cbTemplate, "4bpp (GBA)");
    Type(seWidth, "2");
    Type(seHeight, "2");
    Pick(cbCompression, "LZ77-10");
  }

  // Noise, which packs to more than the flat picture's stream.
  QString NoisyPicture() {
    TIndexedBitmap bmp;
    bmp.SetSize(16, 16);
    std::uint32_t x = 99;
    for (auto& p : bmp.Pixels()) {
      x = x * 1103515245u + 12345u;
      p = static_cast<std::uint8_t>(x >> 16 & 15);
    }
    for (int i = 0; i < 256; ++i) bmp.Colours[static_cast<std::size_t>(i)] = Grey(i);
    picture.assign(bmp.Pixels().begin(), bmp.Pixels().end());
    WritePng(LocalPath(Path("noise.png")), bmp);
    return Path("noise.png");
  }

  void Import() {
    prompts->fileAnswers.push_back(NoisyPicture());
    Find<QAction>("aImportImage")->trigger();
  }
  std::vector<std::uint8_t>& Rom() { return TfmMainPeer::RomData(*window); }
  std::vector<std::uint8_t> Shown() { return {Bitmap().Pixels().begin(), Bitmap().Pixels().end()}; }
  std::vector<std::uint8_t> PointerBytes() {
    return {Rom().begin() + 0x400, Rom().begin() + 0x404};
  }

  std::vector<std::uint8_t> rom;
  std::vector<std::uint8_t> picture;
};

TEST_F(RelocateTest, AnswersToTheOffer) {
  struct TCase {
    const char* name;
    std::vector<TAnswer> offer;
    std::vector<QString> typed;
    std::vector<bool> confirm;
    std::int32_t address;  // where the entry reads afterwards; $2000: nothing written
  };
  const TCase cases[] = {
      {"cancel", {TAnswer::Cancel}, {}, {}, 0x2000},
      {"free space, declined", {TAnswer::FreeSpace}, {}, {false}, 0x2000},
      {"free space", {TAnswer::FreeSpace}, {}, {true}, 0x1C010},
      {"address typed, box cancelled", {TAnswer::ChooseAddress}, {}, {}, 0x2000},
      {"address typed", {TAnswer::ChooseAddress}, {QStringLiteral("$1D000")}, {true}, 0x1D000},
  };
  for (const TCase& c : cases) {
    OpenWithStream();
    prompts->relocateAnswers.assign(c.offer.begin(), c.offer.end());
    prompts->textAnswers.assign(c.typed.begin(), c.typed.end());
    prompts->confirmAnswers.assign(c.confirm.begin(), c.confirm.end());
    prompts->questions.clear();
    Import();
    EXPECT_TRUE(prompts->errors.empty()) << c.name << ": " << prompts->errors.front().toStdString();
    ASSERT_FALSE(prompts->questions.empty()) << c.name;
    EXPECT_TRUE(prompts->questions[0].contains(QStringLiteral("does not fit"))) << c.name;
    EXPECT_EQ(Cur()->Address, c.address) << c.name;
    if (c.address == 0x2000) {
      EXPECT_EQ(Rom(), rom) << c.name;
      continue;
    }
    const QString question = prompts->questions.back();
    EXPECT_TRUE(question.contains(QString::fromStdString(FormatAddress(c.address)))) << c.name;
    EXPECT_TRUE(question.contains(QStringLiteral("$000400 32-bit 0x08002000"))) << c.name;
    EXPECT_EQ(PointerBytes(),
              (std::vector<std::uint8_t>{static_cast<std::uint8_t>(c.address),
                                         static_cast<std::uint8_t>(c.address >> 8),
                                         static_cast<std::uint8_t>(c.address >> 16), 0x08}))
        << c.name;
    EXPECT_EQ(Shown(), picture) << c.name;
    EXPECT_EQ(eAddress->text().toStdString(), FormatAddress(c.address)) << c.name;
    // One Undo takes back the bytes and the entry's address.
    Find<QAction>("aUndoImport")->trigger();
    EXPECT_EQ(Rom(), rom) << c.name;
    EXPECT_EQ(Cur()->Address, 0x2000) << c.name;
    EXPECT_EQ(eAddress->text(), QStringLiteral("$002000")) << c.name;
  }
}

TEST_F(RelocateTest, TheEntryMovesBeforeItIsShownAndRedoMovesItAgain) {
  // Each answer that relocates: no box about the stream the old place no longer holds, the
  // question asks before anything is done, and Undo and Redo move the entry with the bytes.
  struct TCase {
    const char* name;
    TAnswer offer;
    std::vector<QString> typed;
    std::int32_t address;
  };
  const TCase cases[] = {
      {"free space", TAnswer::FreeSpace, {}, 0x1C010},
      {"address typed", TAnswer::ChooseAddress, {QStringLiteral("$1D000")}, 0x1D000},
  };
  for (const TCase& c : cases) {
    OpenWithStream();
    prompts->relocateAnswers = {c.offer};
    prompts->textAnswers.assign(c.typed.begin(), c.typed.end());
    prompts->confirmAnswers = {true};
    prompts->questions.clear();
    prompts->messages.clear();
    Import();
    EXPECT_TRUE(prompts->messages.empty()) << c.name << ": " << prompts->messages[0].toStdString();
    ASSERT_EQ(prompts->questions.size(), 2u) << c.name;
    EXPECT_TRUE(prompts->questions[1].contains(QStringLiteral("\nRewrite 1 pointer from")))
        << c.name << ": " << prompts->questions[1].toStdString();
    EXPECT_FALSE(prompts->questions[1].contains(QStringLiteral("Rewrote"))) << c.name;
    const std::vector<std::uint8_t> relocated = Rom();
    const QString status = sBar->PanelText(0);
    Find<QAction>("aUndoImport")->trigger();
    ASSERT_EQ(Cur()->Address, 0x2000) << c.name;
    Find<QAction>("aRedo")->trigger();
    EXPECT_EQ(Rom(), relocated) << c.name;
    EXPECT_EQ(Cur()->Address, c.address) << c.name << ": Redo moves the entry again";
    EXPECT_EQ(eAddress->text().toStdString(), FormatAddress(c.address)) << c.name;
    EXPECT_EQ(sBar->PanelText(0), status) << c.name;
    EXPECT_EQ(Shown(), picture) << c.name;
    EXPECT_TRUE(prompts->messages.empty()) << c.name;
    Find<QAction>("aUndoImport")->trigger();  // the next case opens the ROM without a question
  }
}

TEST_F(RelocateTest, FindPointersListsThePlaces) {
  OpenWithStream();
  Find<QAction>("aFindPointers")->trigger();
  ASSERT_EQ(prompts->tables.size(), 1u);
  EXPECT_EQ(prompts->tables[0].text, QStringLiteral("1 pointers to $002000:"));
  ASSERT_EQ(prompts->tables[0].rows.size(), 1u);
  EXPECT_EQ(prompts->tables[0].rows[0],
            (QStringList{QStringLiteral("$000400"), QStringLiteral("32-bit"),
                         QStringLiteral("0x08002000")}));
  // A headerless ROM has no layout to search in.
  OpenRom(MakeRom(), QStringLiteral("plain.sfc"));
  AddEntry("$100");
  Find<QAction>("aFindPointers")->trigger();
  ASSERT_EQ(prompts->errors.size(), 1u);
  EXPECT_EQ(prompts->errors[0].toStdString(), "The ROM's layout is not known from its headers.");
}

}  // namespace
}  // namespace tegulo

namespace tegulo {
namespace {

// A picture imported as a screen whose packed map and tiles both grow: the offer, both streams
// at free space with their pointers, the entry and its map following; one Undo takes all back.
TEST_F(RelocateTest, ImportAsScreenMovesGrownMapAndTiles) {
  rom = test::GbaRom(0x20000);
  std::fill(rom.begin() + 0x18000, rom.end(), 0xFF);
  const std::vector<std::uint8_t> tiles = CompressLZ10(std::vector<std::uint8_t>(128, 0x11));
  const std::vector<std::uint8_t> map = CompressLZ10(std::vector<std::uint8_t>(7 * 64 + 16, 0));
  std::copy(tiles.begin(), tiles.end(), rom.begin() + 0x2000);
  std::copy(map.begin(), map.end(), rom.begin() + 0x3000);
  const std::vector<std::uint8_t> pointers = {0x00, 0x20, 0x00, 0x08, 0x00, 0x30, 0x00, 0x08};
  std::copy(pointers.begin(), pointers.end(), rom.begin() + 0x400);
  OpenRom(rom, QStringLiteral("game.gba"));
  AddEntry("$2000");
  Pick(cbTemplate, "4bpp (GBA)");
  Type(seWidth, "1");
  Type(seHeight, "4");
  Pick(cbCompression, "LZ77-10");
  TScreen screen;
  screen.mapAddress = 0x3000;
  screen.mapCompression = kSchemeLZ10;
  screen.format = kMapGBAText;
  screen.width = 8;
  screen.height = 8;
  prompts->screenAnswers.push_back(screen);
  Find<QAction>("aShowAsScreen")->trigger();

  TIndexedBitmap bmp;
  bmp.SetSize(64, 64);
  std::uint32_t x = 5;
  for (auto& p : bmp.Pixels()) {
    x = x * 1103515245u + 12345u;
    p = static_cast<std::uint8_t>(x >> 16 & 15);
  }
  for (int i = 0; i < 256; ++i) bmp.Colours[static_cast<std::size_t>(i)] = Grey(i);
  WritePng(LocalPath(Path("title.png")), bmp);
  prompts->fileAnswers.push_back(Path("title.png"));
  prompts->textAnswers.push_back(QStringLiteral("$1000"));
  prompts->relocateAnswers.push_back(TAnswer::FreeSpace);
  prompts->confirmAnswers.push_back(true);
  Find<QAction>("aImportAsScreen")->trigger();
  ASSERT_TRUE(prompts->errors.empty()) << prompts->errors.front().toStdString();
  ASSERT_FALSE(prompts->questions.empty());
  EXPECT_TRUE(prompts->questions[0].contains(QStringLiteral("does not fit")));
  EXPECT_GE(Cur()->Address, 0x18000);
  const auto word = [&](std::size_t at) {
    return Rom()[at] | Rom()[at + 1] << 8 | Rom()[at + 2] << 16;
  };
  EXPECT_EQ(word(0x400), Cur()->Address) << "the tiles' pointer follows";
  EXPECT_GE(word(0x404), 0x18000) << "the map's pointer follows";
  Find<QAction>("aUndoImport")->trigger();
  EXPECT_EQ(Rom(), rom);
  EXPECT_EQ(Cur()->Address, 0x2000);
}

}  // namespace
}  // namespace tegulo
