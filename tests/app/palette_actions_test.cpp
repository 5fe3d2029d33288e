// The palette actions driven through the window: grey ramps, the ROM palette, the import
// and picking single colours in the grid.
#include <cstring>

#include "flow_fixture.h"

namespace tegulo {
namespace {

class PaletteActionsTest : public FlowTest {
protected:
  // An entry with a template of 16 colours whose colours 16..255 hold a marker.
  TTileEntry& AddSixteenColourEntry() {
    AddEntry("0");
    Pick(cbTemplate, "4bpp (SNES)");
    for (int i = 16; i < 256; ++i) Cur()->Palette[i] = 0x00ABCDEFu;
    return *Cur();
  }
  QString SaveState(const std::vector<std::uint16_t>& words) {
    QByteArray bytes(1560, '\0');
    for (std::uint16_t w : words) {
      bytes.append(static_cast<char>(w & 0xFF));
      bytes.append(static_cast<char>(w >> 8));
    }
    return WriteFile("game.zst", bytes);
  }
};

TEST_F(PaletteActionsTest, GreyRampsFillTheGridAndTheEntrysOwnCount) {
  Click("bPalMono");  // at start: no entry, count 16
  for (int i = 0; i < 16; ++i) EXPECT_EQ(CellColour(i), Grey(17 * i)) << i;
  EXPECT_EQ(CellColour(16), 0u);
  EXPECT_EQ(CellColour(255), 0u);

  Type(sePalNum, "4");
  Click("bPalMonoReverse");
  EXPECT_EQ(std::vector<std::uint32_t>(View().begin(), View().begin() + 5),
            (std::vector<std::uint32_t>{Grey(255), Grey(170), Grey(85), 0, 0}));
  Type(sePalNum, "1");
  Click("bPalMonoReverse");
  EXPECT_EQ(View()[0], 0u);
  Type(sePalNum, "many");  // not a number: counts as 1
  Click("bPalMono");
  EXPECT_EQ(View()[1], 0u);

  OpenRom();
  TTileEntry& e = AddSixteenColourEntry();
  Type(sePalNum, "256");
  Click("bPalMonoReverse");
  for (int i = 0; i < 256; ++i) ASSERT_EQ(View()[i], Grey(255 - i)) << i;
  for (int i = 0; i < 16; ++i) EXPECT_EQ(e.Palette[i], Grey(255 - 17 * i)) << i;
  EXPECT_EQ(e.Palette[16], 0x00ABCDEFu);
  EXPECT_EQ(Bitmap().Colours[1], SwapRedBlue(Grey(238))) << "redrawn";
}

TEST_F(PaletteActionsTest, ThePaletteFromTheRomFillsTheEntrysCount) {
  OpenRom();
  TTileEntry& e = AddSixteenColourEntry();
  Type(sePalNum, "4");
  Type(ePalAddress, QStringLiteral("$%1").arg(kRomPalette, 0, 16));
  Click("bLoadPalROM");
  EXPECT_EQ(e.PalAddress, kRomPalette);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(e.Palette[i], ConsoleColour(RomColourWord(i))) << i;
    EXPECT_EQ(CellColour(i), ConsoleColour(RomColourWord(i))) << i;
  }
  for (int i = 4; i < 16; ++i) EXPECT_EQ(e.Palette[i], 0u) << i;
  EXPECT_EQ(e.Palette[16], 0x00ABCDEFu);
  EXPECT_EQ(Bitmap().Colours[2], SwapRedBlue(ConsoleColour(RomColourWord(2)))) << "redrawn";

  // Enter in the address runs it too, and inserts nothing.
  Type(sePalNum, "16");
  QTest::keyClick(ePalAddress, Qt::Key_Return);
  EXPECT_EQ(ePalAddress->text(), QStringLiteral("$%1").arg(kRomPalette, 0, 16));
  EXPECT_EQ(e.Palette[15], ConsoleColour(RomColourWord(15)));
  // Words past the end of the ROM read as black.
  Type(ePalAddress, QStringLiteral("$%1").arg(kRomSize - 4, 0, 16));
  Click("bLoadPalROM");
  EXPECT_EQ(e.PalAddress, kRomSize - 4);
  EXPECT_EQ(e.Palette[2], 0u);
  EXPECT_TRUE(prompts->errors.empty());
}

TEST_F(PaletteActionsTest, AnEntryWithoutTemplateRecordsTheAddressOnly) {
  OpenRom();
  AddEntry("0");
  const TTileEntry before = *Cur();
  Type(ePalAddress, QString::number(kRomPalette));
  Click("bLoadPalROM");
  EXPECT_EQ(Cur()->PalAddress, kRomPalette);
  EXPECT_EQ(std::memcmp(Cur()->Palette, before.Palette, sizeof before.Palette), 0);
  EXPECT_EQ(CellColour(0), ConsoleColour(RomColourWord(0)));  // sePalNum shows 1
  EXPECT_EQ(CellColour(1), 0u);
}

TEST_F(PaletteActionsTest, AnUnparsablePaletteAddressStopsWithTheGridBlack) {
  OpenRom();
  TTileEntry& e = AddSixteenColourEntry();
  Click("bPalMono");
  ASSERT_NE(View()[5], 0u);
  const TTileEntry before = e;
  Type(ePalAddress, "$12G");
  Click("bLoadPalROM");
  EXPECT_EQ(prompts->errors, (std::vector<QString>{"'$12G' is not a valid integer value."}));
  for (std::uint32_t c : View()) ASSERT_EQ(c, 0u);
  EXPECT_EQ(CellColour(5), 0u);
  EXPECT_EQ(std::memcmp(&e, &before, sizeof e), 0);

  // Without a current entry nothing happens at all.
  Click("bPalMono");
  Click("bNew");
  Click("bLoadPalROM");
  EXPECT_NE(View()[5], 0u);
  EXPECT_EQ(prompts->errors.size(), 1u);
}

TEST_F(PaletteActionsTest, ImportingASaveStateReplacesAllColours) {
  std::vector<std::uint16_t> words(256);
  for (int i = 0; i < 256; ++i) words[i] = static_cast<std::uint16_t>(i * 129);
  const QString state = SaveState(words);
  OpenRom();
  TTileEntry& e = AddSixteenColourEntry();
  e.PalAddress = 77;
  prompts->fileAnswers.push_back(state);
  Click("bOpenPal");
  ASSERT_EQ(prompts->requests.back().kind, FakePrompts::TKind::OpenPalette);
  const QString filter = prompts->requests.back().filter;
  EXPECT_TRUE(filter.startsWith("zSnes Save State|*.zs?|All palettes and save states|"))
      << filter.toStdString();
  EXPECT_TRUE(filter.endsWith("|ALL|*.*")) << filter.toStdString();
  EXPECT_EQ(prompts->requests.back().defaultExt, "zst");
  for (int i = 0; i < 256; ++i) {
    ASSERT_EQ(View()[i], ConsoleColour(words[i])) << i;
    ASSERT_EQ(e.Palette[i], ConsoleColour(words[i])) << i;
  }
  EXPECT_EQ(e.PalAddress, 77);
  EXPECT_EQ(e.PalCount, 16);
  EXPECT_EQ(Bitmap().Colours[3], SwapRedBlue(ConsoleColour(words[3])));

  const QString missing = Path("missing.zst");
  prompts->fileAnswers.push_back(Path("missing"));  // the default extension is added
  Click("bOpenPal");
  EXPECT_EQ(prompts->errors, (std::vector<QString>{missing + " not found."}));
  EXPECT_EQ(e.Palette[3], ConsoleColour(words[3]));
}

TEST_F(PaletteActionsTest, ACancelledImportChangesNoColour) {
  OpenRom();
  TTileEntry& e = AddSixteenColourEntry();
  const TPalette view = View();
  const TTileEntry before = e;
  const auto colours = Bitmap().Colours;
  Click("bOpenPal");  // no answer: the dialog is cancelled
  ASSERT_EQ(prompts->requests.back().kind, FakePrompts::TKind::OpenPalette);
  EXPECT_TRUE(prompts->errors.empty());
  EXPECT_EQ(View(), view);
  EXPECT_EQ(std::memcmp(&before, &e, sizeof before), 0);
  EXPECT_EQ(Bitmap().Colours, colours);

  // Without a current entry too.
  Click("bNew");
  Click("bOpenPal");
  EXPECT_TRUE(prompts->errors.empty());
  EXPECT_EQ(View(), view);
}

TEST_F(PaletteActionsTest, PickingColoursChangesTheGridAndTheSelectedEntry) {
  OpenRom();
  TTileEntry& e = AddSixteenColourEntry();
  Type(seOffset, "0");  // a refresh: the grid shows the entry's ramp
  prompts->colourAnswers.push_back(QColor(10, 20, 30));
  ClickCell(200, Qt::RightButton);  // any button
  ASSERT_EQ(prompts->requests.back().kind, FakePrompts::TKind::PickColour);
  EXPECT_EQ(prompts->requests.back().initial, QColor(0, 0, 0));
  // The colour snaps to the nearest the console shows: 10, 20, 30 become 8, 16, 32.
  EXPECT_EQ(e.Palette[200], 0x201008u);
  EXPECT_EQ(CellColour(200), 0x201008u);
  Type(seOffset, "0");
  EXPECT_EQ(CellColour(200), 0u) << "above PalCount the next refresh hides it";
  EXPECT_EQ(e.Palette[200], 0x201008u);

  prompts->colourAnswers.push_back(QColor(0, 255, 0));
  ClickCell(0);
  EXPECT_EQ(prompts->requests.back().initial, QColor(0, 0, 0));
  EXPECT_EQ(e.Palette[0], 0x00FF00u);
  EXPECT_EQ(Bitmap().Colours[0], SwapRedBlue(window->BackgroundColour()));
  prompts->fileAnswers.push_back(Path("picked.tgl"));
  Click("bSave");
  const QByteArray doc = ReadFile(Path("picked.tgl"));
  ASSERT_EQ(doc.size(), 1096);
  EXPECT_EQ(doc.mid(64, 4), QByteArray("\x00\xff\x00\x00", 4));

  // The dialog starts from the grid's colour; cancelling changes nothing.
  ClickCell(5);
  EXPECT_EQ(prompts->requests.back().initial, QColor(85, 85, 85));
  EXPECT_EQ(e.Palette[5], Grey(85));

  // A release outside the cells asks nothing.
  const std::size_t asked = prompts->requests.size();
  QTest::mouseRelease(gPal, Qt::LeftButton, {}, QPoint(300, 10));
  EXPECT_EQ(prompts->requests.size(), asked);

  // With no item selected only the grid changes.
  Click("bNew");
  prompts->colourAnswers.push_back(QColor(1, 2, 90));
  ClickCell(7);
  EXPECT_EQ(View()[7], 0x5A0000u);
  EXPECT_TRUE(prompts->errors.empty());
}

}  // namespace
}  // namespace tegulo
