// Editing in place through the window: the edit mode, strokes, fills and picks in the view
// with undo and redo, and colours written into the ROM.
#include <QAction>
#include <QLabel>

#include "compress/compressors.h"
#include "compress/uCompress.h"
#include "flow_fixture.h"
#include "palette/console_words.h"
#include "palette/palette_import.h"

namespace tegulo {
namespace {

constexpr int kZoom = 4;

class EditInPlaceTest : public FlowTest {
protected:
  // A 2 x 2 tile entry of `templ` at `address`, zoom 4, its grey ramp.
  void Entry(const QString& address, const char* templ, const char* scheme = "(none)") {
    AddEntry(address);
    Pick(cbTemplate, QString::fromLatin1(templ));
    Type(seWidth, "2");
    Type(seHeight, "2");
    Pick(cbCompression, QString::fromLatin1(scheme));
    Type(seZoom, QString::number(kZoom));
  }
  QAction* Action(const char* name) { return Find<QAction>(name); }
  std::vector<std::uint8_t>& Rom() { return TfmMainPeer::RomData(*window); }
  QString Status() { return Find<QLabel>("sBarMessage")->text(); }
  static QPoint At(int x, int y) { return QPoint(x * kZoom + 1, y * kZoom + 1); }
  std::uint8_t PixelAt(int x, int y) { return Bitmap().Row(y)[x]; }

  void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(Image, static_cast<Qt::Key>(key), modifiers);
  }
  // A stroke through the points, pressed at the first and released at the last.
  void Stroke(std::initializer_list<QPoint> pixels, Qt::KeyboardModifiers modifiers = {}) {
    const QPoint first = *pixels.begin();
    QTest::mousePress(Image, Qt::LeftButton, modifiers, At(first.x(), first.y()));
    QPoint last = first;
    for (const QPoint p : pixels) {
      QTest::mouseMove(Image, At(p.x(), p.y()));
      last = p;
    }
    QTest::mouseRelease(Image, Qt::LeftButton, modifiers, At(last.x(), last.y()));
  }
  std::vector<std::uint8_t> Pixels() {
    return {Bitmap().Pixels().begin(), Bitmap().Pixels().end()};
  }
};

TEST_F(EditInPlaceTest, TheModeFollowsEAndEscapeAndTheStatusBarTellsIt) {
  OpenRom();
  Entry("$100", "4bpp (SNES)");
  Image->setFocus();
  Key(Qt::Key_E);
  EXPECT_TRUE(Action("aEditPixels")->isChecked());
  EXPECT_TRUE(Status().startsWith("Edit Pixels: index 1.")) << Status().toStdString();
  const int offset = seOffset->Value();
  Key(Qt::Key_Right);  // browsing keys still browse
  EXPECT_EQ(seOffset->Value(), offset + 32);
  Key(Qt::Key_Escape);
  EXPECT_FALSE(Action("aEditPixels")->isChecked());
  EXPECT_EQ(Status(), "");
  // Outside edit mode a press draws nothing.
  const std::vector<std::uint8_t> before = Rom();
  Stroke({{0, 0}, {5, 5}});
  EXPECT_EQ(Rom(), before);
  Action("aEditPixels")->trigger();
  EXPECT_TRUE(Action("aEditPixels")->isChecked());
}

TEST_F(EditInPlaceTest, StrokesFillsAndPicksAreStepsOfOneHistory) {
  struct TCase {
    const char* templ;
    const char* scheme;
    int drawn;  // an index the template holds
  };
  const TCase cases[] = {{"4bpp (SNES)", "(none)", 9},
                         {"8bpp (Mode7-2)", "(none)", 200},
                         {"4bpp (GBA)", "LZ77-10", 5},
                         {"8bpp (Mode3)", "LZ77-10", 130}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::string(c.templ) + " " + c.scheme);
    std::vector<std::uint8_t> rom = MakeRom();
    // A packed stream of 2 x 2 tiles of 8 bits (enough for both depths) at $4000.
    // Noise packs to literals only, so that a stroke never makes the stream longer.
    std::vector<std::uint8_t> tiles(4 * 64);
    std::uint32_t x = 99;
    for (auto& b : tiles) b = static_cast<std::uint8_t>((x = x * 1103515245u + 12345u) >> 16);
    const std::vector<std::uint8_t> stream = CompressLZ10(tiles);
    std::copy(stream.begin(), stream.end(), rom.begin() + 0x4000);
    OpenRom(rom, QString::fromLatin1(c.scheme[0] == 'L' ? "packed.gba" : "plain.sfc"));
    const bool packed = c.scheme[0] == 'L';
    Entry(packed ? "$4000" : "$100", c.templ, c.scheme);
    const std::vector<std::uint8_t> shown = Pixels();
    Action("aEditPixels")->trigger();

    // The grid chooses the index while editing (no colour dialog); the cell is marked.
    ClickCell(c.drawn);
    EXPECT_TRUE(prompts->requests.empty() ||
                prompts->requests.back().kind != FakePrompts::TKind::PickColour);
    EXPECT_TRUE(Status().startsWith(QStringLiteral("Edit Pixels: index %1.").arg(c.drawn)));

    // A fast diagonal stroke leaves no gap; it is one step, written to the ROM.
    Stroke({{0, 0}, {15, 15}});
    for (int i = 0; i < 16; ++i) ASSERT_EQ(PixelAt(i, i), c.drawn) << i;
    EXPECT_NE(Rom(), rom);
    EXPECT_TRUE(window->windowTitle().contains("*"));
    const std::vector<std::uint8_t> afterStroke = Rom();
    const std::vector<std::uint8_t> strokePixels = Pixels();

    // Right button picks the index under the pointer; Shift+left fills its area.
    ClickCell(1);
    QTest::mouseClick(Image, Qt::RightButton, {}, At(0, 0));
    EXPECT_TRUE(Status().startsWith(QStringLiteral("Edit Pixels: index %1.").arg(c.drawn)));
    ClickCell(1);
    Stroke({{0, 0}}, Qt::ShiftModifier);
    EXPECT_EQ(PixelAt(0, 0), 1);

    // Undo twice to the ROM as opened, redo both.
    QTest::keyClick(Image, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Rom(), afterStroke);
    EXPECT_EQ(Pixels(), strokePixels);
    QTest::keyClick(Image, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Rom(), rom);
    EXPECT_EQ(Pixels(), shown);
    QTest::keyClick(Image, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Rom(), afterStroke);
    QTest::keyClick(Image, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(PixelAt(0, 0), 1);
    EXPECT_FALSE(Action("aRedo")->isEnabled());
    EXPECT_TRUE(prompts->errors.empty()) << prompts->errors.front().toStdString();

    // Written as the entry shows it: decoding the new ROM gives the picture in the view.
    const std::vector<std::uint8_t> drawn = Pixels();
    Type(seOffset, "0");
    EXPECT_EQ(Pixels(), drawn);
    prompts->saveChangesAnswers.push_back(UserPrompts::TSaveChanges::Discard);
    Action("aEditPixels")->trigger();
  }
}

TEST_F(EditInPlaceTest, AStrokeThatDoesNotFitIsOfferedFreeSpaceOrTakenBack) {
  // A stream of zeros packs to a few bytes; noise drawn into it no longer fits in place.
  std::vector<std::uint8_t> rom(0x2000, 0);
  const std::vector<std::uint8_t> stream = CompressLZ10(std::vector<std::uint8_t>(4 * 32, 0));
  std::copy(stream.begin(), stream.end(), rom.begin() + 0x200);
  OpenRom(rom, "tight.gba");
  Entry("$200", "4bpp (GBA)", "LZ77-10");
  Action("aEditPixels")->trigger();
  ClickCell(7);
  Stroke({{0, 0}, {15, 3}, {0, 7}, {15, 11}, {0, 15}, {9, 0}});
  // The import's offer comes; cancelled, the stroke is taken back.
  ASSERT_EQ(prompts->questions.size(), 1u);
  EXPECT_TRUE(prompts->questions[0].contains(QStringLiteral("does not fit")));
  EXPECT_TRUE(prompts->errors.empty());
  EXPECT_EQ(Rom(), rom);
  EXPECT_EQ(PixelAt(0, 0), 0) << "the view shows the ROM again";
  EXPECT_FALSE(Action("aUndoImport")->isEnabled());

  // An index the template cannot hold draws nothing and says why.
  ClickCell(16);
  Stroke({{1, 1}});
  EXPECT_EQ(Status(), "Index 16 is beyond the 16 colours of this template");
  EXPECT_EQ(PixelAt(1, 1), 0);
}

TEST_F(EditInPlaceTest, APaletteWrittenToTheRomReadsBackTheSame) {
  OpenRom();
  Entry("$100", "4bpp (SNES)");
  Type(ePalAddress, QStringLiteral("$%1").arg(kRomPalette, 0, 16));
  Click("bLoadPalROM");
  const TTileEntry before = *Cur();
  // Colour 3 picked as the console shows it, then the 16 colours written at $9000.
  prompts->colourAnswers.push_back(QColor(200, 100, 50));
  ClickCell(3);
  EXPECT_EQ(Cur()->Palette[3], SnapToConsole(0x3264C8u));
  prompts->textAnswers.push_back("$9000");
  Action("aWritePalette")->trigger();
  ASSERT_TRUE(prompts->errors.empty()) << prompts->errors.front().toStdString();
  EXPECT_EQ(prompts->textInitials.back(), QStringLiteral("$%1:16").arg(kRomPalette, 0, 16));
  EXPECT_EQ(Status(), "Wrote 16 colours at $009000 as console words");
  EXPECT_EQ(ePalAddress->text(), "$009000");
  const TTileEntry written = *Cur();
  Click("bLoadPalROM");
  for (int i = 0; i < 16; ++i) EXPECT_EQ(Cur()->Palette[i], written.Palette[i]) << i;
  EXPECT_NE(Cur()->Palette[3], before.Palette[3]);
  EXPECT_TRUE(window->windowTitle().contains("*"));

  // One undo step; a count after a colon; a place outside the ROM is refused.
  Action("aUndoImport")->trigger();
  EXPECT_EQ(Rom(), MakeRom());
  prompts->textAnswers.push_back("$FFFE:2");
  Action("aWritePalette")->trigger();
  EXPECT_EQ(prompts->errors,
            (std::vector<QString>{
                "The palette of 2 colours at $00FFFE does not fit in the ROM (65536 bytes)"}));
  EXPECT_EQ(Rom(), MakeRom());
  Action("aWritePalette")->trigger();  // cancelled: nothing
  EXPECT_EQ(Rom(), MakeRom());
}

TEST_F(EditInPlaceTest, AFileOfNoKnownKindSaysItWasReadAsAZsnesState) {
  OpenRom();
  Entry("$100", "4bpp (SNES)");
  struct TCase {
    const char* name;
    QByteArray bytes;
    QString status;
  };
  const TCase cases[] = {
      {"noise.bin", QByteArray(333, '\x5A'),
       "noise.bin is of no known kind: read as a ZSNES save state, 0 colours"},
      {"notes.txt", QByteArray(1600, 'a'),
       "notes.txt is of no known kind: read as a ZSNES save state, 20 colours"},
      {"dump.cgram", QByteArray(512, '\x1F'), ""},
  };
  for (const TCase& c : cases) {
    prompts->fileAnswers.push_back(WriteFile(c.name, c.bytes));
    Click("bOpenPal");
    EXPECT_EQ(Status(), c.status) << c.name;
  }
  EXPECT_TRUE(prompts->errors.empty());
}

}  // namespace
}  // namespace tegulo
