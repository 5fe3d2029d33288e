// The entry workflow driven through the window's controls: ROM, list, document, edits and
// the four states of the window.
#include <QDir>

#include "flow_fixture.h"

namespace tegulo {
namespace {

const char* const kRomGroup[] = {"bNew",        "bLoad",    "bSave",       "ePalAddress",
                                 "bLoadPalROM", "eAddress", "bAddAddress", "bDelAddress"};
const char* const kEntryGroup[] = {"bExport", "cbTemplate", "cbCompression"};
const char* const kGeometry[] = {"seZoom", "seWidth", "seHeight", "seOffset"};

class WorkflowTest : public FlowTest {
protected:
  // Which of the controls above accept input, by group; the no-ROM group always does.
  struct TState {
    bool rom;
    bool entry;
    bool geometry;
  };
  void ExpectState(TState s, const char* where) {
    for (const char* n : {"bOpenROM", "bOpenPal", "eName", "sePalNum", "bPalMono",
                          "bPalMonoReverse", "lbList", "gPal"}) {
      EXPECT_TRUE(Find<QWidget>(n)->isEnabled()) << n << " " << where;
    }
    for (const char* n : kRomGroup)
      EXPECT_EQ(Find<QWidget>(n)->isEnabled(), s.rom) << n << " " << where;
    for (const char* n : kEntryGroup)
      EXPECT_EQ(Find<QWidget>(n)->isEnabled(), s.entry) << n << " " << where;
    for (const char* n : kGeometry)
      EXPECT_EQ(Find<QWidget>(n)->isEnabled(), s.geometry) << n << " " << where;
  }
};

TEST_F(WorkflowTest, TheWindowMovesThroughItsFourStates) {
  ExpectState({false, false, false}, "at start");
  prompts->fileAnswers.push_back(Path("missing.sfc"));
  Click("bOpenROM");
  ExpectState({false, false, false}, "after a failed open");
  OpenRom();
  ExpectState({true, false, false}, "with a ROM");
  AddEntry("$100");
  ExpectState({true, true, false}, "entry without template");
  Pick(cbTemplate, "4bpp (SNES)");
  ExpectState({true, true, true}, "entry with template");
  AddEntry("$200");
  ExpectState({true, true, false}, "a second entry without template");
  ClickItem(0);
  ExpectState({true, true, true}, "back to the first");

  // New empties the view, so nothing is left to export; Load and removing the last entry
  // leave every control as it was.
  prompts->saveChangesAnswers.push_back(UserPrompts::TSaveChanges::Discard);
  Click("bNew");
  EXPECT_FALSE(Find<QWidget>("bExport")->isEnabled()) << "after New";
  AddEntry("$100");
  Pick(cbTemplate, "4bpp (SNES)");
  ExpectState({true, true, true}, "a new entry after New");
  prompts->saveChangesAnswers.push_back(UserPrompts::TSaveChanges::Discard);
  prompts->fileAnswers.push_back(WriteFile("empty.tgl", {}));
  Click("bLoad");
  ExpectState({true, true, true}, "after loading an empty document");
  AddEntry("$300");
  ExpectState({true, true, false}, "a new entry");
  Click("bDelAddress");
  EXPECT_EQ(Cur(), nullptr);
  ExpectState({true, true, false}, "after removing the last entry");
  EXPECT_TRUE(prompts->errors.size() == 1u) << "only the missing ROM";
}

TEST_F(WorkflowTest, RomFailuresLeaveNameTitleImageAndListAlone) {
  OpenRom(std::vector<std::uint8_t>(10, 7), "first.sfc");
  AddEntry("$4");
  const QString title = window->windowTitle();
  EXPECT_EQ(title, "Tegulo:>   <:>  " + Path("first.sfc"));

  const QString missing = Path("missing.sfc");
  const QString folder = Path("folder.sfc");
  ASSERT_TRUE(QDir(dir.path()).mkdir("folder.sfc"));
  for (const QString& name : {missing, folder}) {
    prompts->fileAnswers.push_back(name);
    Click("bOpenROM");
  }
  // No full stop after a closing quote: it sorts before ".".
  EXPECT_EQ(prompts->errors,
            (std::vector<QString>{missing + " not found.", "Cannot read \"" + folder + "\""}));
  EXPECT_EQ(window->windowTitle(), title);
  EXPECT_EQ(TfmMainPeer::RomFileName(*window), Path("first.sfc"));
  EXPECT_EQ(TfmMainPeer::RomData(*window), std::vector<std::uint8_t>(10, 7));
  EXPECT_EQ(lbList->count(), 1);
  EXPECT_EQ(lbList->ItemIndex(), 0);
  EXPECT_EQ(Cur(), TfmMainPeer::Entries(*window)[0].get());
}

TEST_F(WorkflowTest, ASecondRomKeepsTheListAndRedrawsTheView) {
  OpenRom(std::vector<std::uint8_t>(64, 0xFF), "ones.sfc");
  AddEntry("$0");
  Pick(cbTemplate, "2bpp (SNES)");
  EXPECT_EQ(Bitmap().Row(0)[0], 3);
  OpenRom(std::vector<std::uint8_t>(64, 0x00), "zeros.sfc");
  EXPECT_EQ(lbList->ItemIndex(), 0);
  ASSERT_NE(Cur(), nullptr);
  EXPECT_EQ(Bitmap().Row(0)[0], 0) << "nothing of the old ROM stays on screen";
  EXPECT_EQ(window->windowTitle(), "Tegulo:>   <:>  " + Path("zeros.sfc"));
}

TEST_F(WorkflowTest, TitleNamesTheDocumentBeforeTheRom) {
  OpenRom();
  prompts->fileAnswers.push_back(WriteFile("list.tgl", {}));
  Click("bLoad");
  OpenRom(MakeRom(), "other.smc");
  EXPECT_EQ(window->windowTitle(), "Tegulo:> " + Path("list.tgl") + "  <:>  " + Path("other.smc"));
}

TEST_F(WorkflowTest, AddingFromTheStartTextSelectsAnEntryWithoutTemplate) {
  OpenRom();
  Click("bAddAddress");
  ASSERT_EQ(lbList->count(), 1);
  EXPECT_EQ(lbList->item(0)->text(), "$1C7D04");
  EXPECT_EQ(lbList->ItemIndex(), 0);
  EXPECT_EQ(eAddress->text(), "$1C7D04");
  EXPECT_EQ(ePalAddress->text(), "$000000");
  EXPECT_EQ(eName->text(), "$1C7D04");
  EXPECT_EQ(sePalNum->text(), "1");
  EXPECT_EQ(cbCompression->currentText(), "(none)");
  EXPECT_EQ(cbTemplate->currentText(), "");
  EXPECT_TRUE(Bitmap().Empty()) << "an entry without template is not drawn";
  EXPECT_EQ(StatusTexts(),
            (QStringList{"#Tiles:   1 ($01)", "RawSize:   8 ($08)", "Compr.Size:   0 ($00)"}));
  EXPECT_FALSE(TfmMainPeer::Updating(*window));
}

TEST_F(WorkflowTest, PickingATemplateDrawsWithARampButDoesNotRefresh) {
  OpenRom();
  AddEntry("0");
  const QStringList status = StatusTexts();
  Pick(cbTemplate, "4bpp (SNES)");
  TTileEntry& e = *Cur();
  EXPECT_EQ(e.Template, 2);
  EXPECT_EQ(e.Bpp, 4);
  EXPECT_EQ(e.PalCount, 16);
  EXPECT_EQ(sePalNum->text(), "16");
  for (int i = 0; i < 16; ++i) EXPECT_EQ(e.Palette[i], Grey(17 * i)) << i;
  EXPECT_EQ(Bitmap().Width(), 8);
  EXPECT_EQ(Bitmap().Colours[0], SwapRedBlue(window->BackgroundColour()));
  EXPECT_EQ(Bitmap().Colours[15], 0x00FFFFFFu);
  EXPECT_EQ(StatusTexts(), status) << "no refresh";
  EXPECT_EQ(View()[1], 0u) << "the grid keeps the entry's earlier colours";

  // The ROM palette, then a template of fewer colours: the loaded colours above it stay.
  Type(ePalAddress, QStringLiteral("$%1").arg(kRomPalette, 0, 16));
  Click("bLoadPalROM");
  EXPECT_EQ(e.Palette[15], ConsoleColour(RomColourWord(15)));
  Pick(cbTemplate, "2bpp (SNES)");
  EXPECT_EQ(e.PalCount, 4);
  EXPECT_EQ(e.Palette[3], Grey(255));
  for (int i = 4; i < 16; ++i) EXPECT_EQ(e.Palette[i], ConsoleColour(RomColourWord(i))) << i;

  Pick(cbTemplate, "8bpp (PC)");
  EXPECT_EQ(e.PalCount, 256);
  EXPECT_EQ(sePalNum->text(), "256");
  for (int i = 0; i < 256; ++i) ASSERT_EQ(e.Palette[i], Grey(i)) << i;
}

TEST_F(WorkflowTest, EachKeystrokeInASpinEditIsAChangeOfItsOwn) {
  OpenRom();
  AddEntry("0");
  Pick(cbTemplate, "4bpp (SNES)");
  struct Seen {
    std::int32_t width;
    std::int32_t rawSize;
    std::int32_t bitmapWidth;
  };
  std::vector<Seen> seen;
  QObject::connect(seWidth, &TSpinEdit::Change, window.get(), [&] {
    seen.push_back({Cur()->Width, Cur()->RawSize, Bitmap().Width()});
  });
  Type(seWidth, "4");
  seen.clear();
  Type(seWidth, "12");
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].width, 1);
  EXPECT_EQ(seen[0].rawSize, 32);
  EXPECT_EQ(seen[0].bitmapWidth, 8);
  EXPECT_EQ(seen[1].width, 12);
  EXPECT_EQ(seen[1].rawSize, 384);
  EXPECT_EQ(seen[1].bitmapWidth, 96);
}

TEST_F(WorkflowTest, TypingANameRenamesTheItemWithoutRedrawing) {
  OpenRom();
  AddEntry("0");
  Pick(cbTemplate, "4bpp (SNES)");
  Cur()->Palette[1] = 0x0000FF;  // would show in the colour table at the next draw
  const std::uint32_t drawn = Bitmap().Colours[1];
  std::vector<QString> items;
  QObject::connect(eName, &QLineEdit::textChanged, window.get(),
                   [&] { items.push_back(lbList->item(0)->text()); });
  Type(eName, "Hero");
  EXPECT_EQ(items, (std::vector<QString>{"H", "He", "Her", "Hero"}));
  EXPECT_EQ(GetName(*Cur()), "Hero");
  EXPECT_EQ(lbList->ItemIndex(), 0);
  EXPECT_EQ(Bitmap().Colours[1], drawn);
  EXPECT_EQ(View()[1], 0x0000FFu) << "but the refresh ran";
  Type(seZoom, "1");
  EXPECT_EQ(Bitmap().Colours[1], 0xFF0000u);
}

TEST_F(WorkflowTest, ACompressionChangeStoresEveryControlValue) {
  // A record from elsewhere whose geometry the controls cannot show as it is.
  TTileEntry record = NewEntry("$10", 5000, 0, -5);
  SetName(record, "wide");
  OpenRom();
  prompts->fileAnswers.push_back(
      WriteFile("odd.tgl", QByteArray(reinterpret_cast<const char*>(&record), sizeof record)));
  Click("bLoad");
  ClickItem(0);
  EXPECT_EQ(seWidth->text(), "2000");
  EXPECT_EQ(seHeight->text(), "1");
  EXPECT_EQ(seOffset->text(), "-5");
  EXPECT_EQ(Cur()->Width, 5000) << "the entry keeps its own value";
  Pick(cbCompression, "LZSS-FF5");
  EXPECT_EQ(Cur()->Compression, 2);
  EXPECT_EQ(Cur()->Width, 2000);
  EXPECT_EQ(Cur()->Height, 1);
  EXPECT_EQ(Cur()->Offset, -5);
  EXPECT_EQ(GetName(*Cur()), "wide");
}

TEST_F(WorkflowTest, AnEntryWithoutTemplateKeepsThePreviousPicture) {
  OpenRom();
  AddEntry("0");
  Pick(cbTemplate, "4bpp (SNES)");
  Type(seWidth, "2");
  AddEntry("$40");
  ClickItem(0);
  const std::vector<std::uint8_t> first(Bitmap().Pixels().begin(), Bitmap().Pixels().end());
  ClickItem(1);
  for (const char* n : kGeometry) EXPECT_FALSE(Find<QWidget>(n)->isEnabled()) << n;
  EXPECT_EQ(std::vector<std::uint8_t>(Bitmap().Pixels().begin(), Bitmap().Pixels().end()), first);
  EXPECT_EQ(Image->PictureSize(), QSize(32, 16));
  // The keyboard selects as the mouse does.
  lbList->setFocus();
  QTest::keyClick(lbList, Qt::Key_Up);
  EXPECT_EQ(Cur(), TfmMainPeer::Entries(*window)[0].get());
  EXPECT_TRUE(seWidth->isEnabled());
}

TEST_F(WorkflowTest, WithoutACurrentEntryChangesAreIgnored) {
  OpenRom();
  AddEntry("0");
  Pick(cbTemplate, "4bpp (SNES)");
  prompts->saveChangesAnswers.push_back(UserPrompts::TSaveChanges::Discard);
  Click("bNew");
  const QSize picture = Image->PictureSize();
  Type(seZoom, "4");
  Type(eName, "ignored");
  Type(seWidth, "7");
  EXPECT_EQ(Image->PictureSize(), picture);
  EXPECT_EQ(lbList->count(), 0);
  EXPECT_EQ(window->windowTitle(), "Tegulo:>   <:>  " + Path("game.sfc"));
  EXPECT_TRUE(prompts->errors.empty());
}

TEST_F(WorkflowTest, AddingAndSavingAtOnceWritesTheStartRecord) {
  OpenRom();
  Click("bAddAddress");
  prompts->fileAnswers.push_back(Path("one"));  // typed without extension
  Click("bSave");
  const QByteArray doc = ReadFile(Path("one.tgl"));
  ASSERT_EQ(doc.size(), 1096);
  QByteArray expected(1096, '\0');
  expected[0] = 7;
  expected.replace(1, 7, "$1C7D04");
  const char address[] = {0x04, 0x7D, 0x1C, 0x00};
  expected.replace(32, 4, address, 4);
  expected[36] = 8;  // RawSize from the refresh
  expected[44] = 1;  // Width
  expected[48] = 1;  // Height
  expected[57] = 1;  // Bpp
  expected[60] = 8;  // TileWidth
  expected[61] = 8;  // TileHeight
  EXPECT_EQ(doc, expected);
}

TEST_F(WorkflowTest, RemovingSelectsTheNeighbour) {
  OpenRom();
  for (const char* a : {"$10", "$20", "$30"}) AddEntry(a);
  ClickItem(1);
  Click("bDelAddress");
  ASSERT_EQ(lbList->count(), 2);
  EXPECT_EQ(lbList->ItemIndex(), 1);
  EXPECT_EQ(Cur()->Address, 0x30);
  EXPECT_EQ(eAddress->text(), "$000030");
  Click("bDelAddress");  // the last item: the one before it
  EXPECT_EQ(lbList->ItemIndex(), 0);
  EXPECT_EQ(Cur()->Address, 0x10);
  Click("bDelAddress");  // the only item
  EXPECT_EQ(lbList->count(), 0);
  EXPECT_EQ(lbList->ItemIndex(), -1);
  EXPECT_EQ(Cur(), nullptr);
  EXPECT_EQ(eAddress->text(), "$000010") << "the controls keep what they show";
  EXPECT_TRUE(Find<QWidget>("bExport")->isEnabled());
  Click("bDelAddress");  // nothing selected: nothing happens
  EXPECT_TRUE(prompts->errors.empty());
}

TEST_F(WorkflowTest, NewThenSaveWritesAnEmptyFileAndTheTitleNamesIt) {
  OpenRom();
  AddEntry("$10");
  prompts->saveChangesAnswers = {UserPrompts::TSaveChanges::Discard,
                                 UserPrompts::TSaveChanges::Discard};
  prompts->fileAnswers.push_back(WriteFile("two.tgl", QByteArray(2 * 1096, 'x')));
  Click("bLoad");
  const QString title = window->windowTitle();
  Click("bNew");
  EXPECT_TRUE(TfmMainPeer::DocFileName(*window).isEmpty()) << "a new document has no file yet";
  EXPECT_NE(window->windowTitle(), title);
  prompts->fileAnswers.push_back(Path("empty.tgl"));
  Click("bSave");
  EXPECT_EQ(ReadFile(Path("empty.tgl")).size(), 0);
  // The window holds the document just written.
  EXPECT_EQ(TfmMainPeer::DocFileName(*window), Path("empty.tgl"));
  EXPECT_TRUE(window->windowTitle().contains(Path("empty.tgl")));

  // Loading the empty file empties the list.
  AddEntry("$20");
  prompts->saveChangesAnswers.push_back(UserPrompts::TSaveChanges::Discard);
  prompts->fileAnswers.push_back(Path("empty.tgl"));
  Click("bLoad");
  EXPECT_EQ(lbList->count(), 0);
  EXPECT_EQ(Cur(), nullptr);
}

TEST_F(WorkflowTest, LoadingTakesWholeRecordsAndSelectsNothing) {
  OpenRom();
  AddEntry("$10");
  AddEntry("$20");
  prompts->fileAnswers.push_back(Path("pair.tgl"));
  Click("bSave");
  QByteArray doc = ReadFile(Path("pair.tgl"));
  ASSERT_EQ(doc.size(), 2 * 1096);
  const QString padded = WriteFile("padded.tgl", doc + QByteArray(1095, 'z'));
  Click("bNew");
  prompts->fileAnswers.push_back(padded);
  Click("bLoad");
  ASSERT_EQ(lbList->count(), 2);
  EXPECT_EQ(lbList->item(1)->text(), "$20");
  EXPECT_EQ(lbList->ItemIndex(), -1);
  EXPECT_EQ(Cur(), nullptr);
  EXPECT_EQ(eAddress->text(), "$000020") << "nothing refreshed";
}

TEST_F(WorkflowTest, AFailedLoadLeavesTitleListAndEntryAlone) {
  OpenRom();
  AddEntry("$10");
  const QString title = window->windowTitle();
  const QString missing = Path("missing.tgl");
  prompts->fileAnswers.push_back(missing);
  Click("bLoad");
  EXPECT_EQ(prompts->errors, (std::vector<QString>{"File not found."}));
  EXPECT_EQ(window->windowTitle(), title);
  EXPECT_EQ(TfmMainPeer::DocFileName(*window), "");
  EXPECT_EQ(lbList->count(), 1);
  EXPECT_EQ(lbList->ItemIndex(), 0);
  EXPECT_EQ(Cur(), TfmMainPeer::Entries(*window)[0].get());
}

TEST_F(WorkflowTest, ALongAddressTextConvertsWholeAndNamesTheFirst30Characters) {
  OpenRom();
  const QString text = QStringLiteral("   000000000000000000000000000291");
  ASSERT_GT(text.size(), 30);
  AddEntry(text);
  ASSERT_TRUE(prompts->errors.empty());
  EXPECT_EQ(Cur()->Address, 291);
  EXPECT_EQ(GetName(*Cur()), text.left(30).toStdString());
  EXPECT_EQ(eAddress->text(), "$000123");
}

}  // namespace
}  // namespace tegulo
