// Editing screens in the window: strokes into the tiles the cells name, the cell mode, the
// pointer's read-out, panning and the palettes a map uses.
#include <QAction>
#include <QLabel>
#include <QWheelEvent>

#include "flow_fixture.h"
#include "screen/cell_edit.h"
#include "screen_pictures.h"
#include "tiles/uTiles.h"

namespace tegulo {
namespace {

class ScreenEditingTest : public FlowTest {
protected:
  // A 32 x 32 "2bpp (SNES)" screen of 8 palettes (tiles at $20000, map at $1000) shown as a
  // screen at zoom `zoom`.
  void OpenScreen(int zoom = 2) {
    screen.format = kMapSNES;
    screen.mapAddress = 0x1000;
    picture = test::ScreenPicture(32, 32, 2, 8, true);
    built = test::BuildScreenRom(picture, screen, kTemplate2bppSNES, 0x20000, 0, 0x40000);
    OpenRom(built.rom);
    AddEntry("$20000");
    Pick(cbTemplate, "2bpp (SNES)");
    Type(seZoom, QString::number(zoom));
    // The entry's colours are the built ones: distinct, so that no index stands for another.
    std::copy(std::begin(built.entry.Palette), std::end(built.entry.Palette), Cur()->Palette);
    std::copy(std::begin(built.entry.Palette), std::end(built.entry.Palette), View().begin());
    prompts->screenAnswers.push_back(screen);
    Find<QAction>("aShowAsScreen")->trigger();
    ASSERT_EQ(Pixels(), picture.pixels);
  }
  std::vector<std::uint8_t>& Rom() { return TfmMainPeer::RomData(*window); }
  std::vector<std::uint8_t> Pixels() const {
    const auto p = Bitmap().Pixels();
    return {p.begin(), p.end()};
  }
  std::vector<TMapCell> Cells() {
    TDecodeBuffer buffer;
    return ReadMapCells(screen, MapBytes(screen, Rom(), buffer));
  }
  QString Label(const char* name) { return Find<QLabel>(name)->text(); }
  QAction* Action(const char* name) { return Find<QAction>(name); }
  QPoint At(QPoint pixel) const {
    const int z = Image->Zoom();
    return QPoint(pixel.x() * z + z / 2, pixel.y() * z + z / 2) - Image->Pan();
  }
  void Wheel(int delta, Qt::KeyboardModifiers modifiers) {
    const QPointF at(10, 10);
    QWheelEvent event(at, Image->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                      modifiers, Qt::NoScrollPhase, false);
    QApplication::sendEvent(Image, &event);
  }

  TScreen screen;
  TPixelImage picture;
  test::TScreenRom built;
};

TEST_F(ScreenEditingTest, AStrokeEditsTheTileAndEveryCellShowingItFollows) {
  OpenScreen();
  const std::vector<TMapCell> cells = Cells();
  // A cell whose tile other cells show too, and a pixel of it that index 3 of its palette
  // changes.
  std::size_t i = 1;
  const auto shares = [&](std::size_t k) {
    return std::count_if(cells.begin(), cells.end(),
                         [&](const TMapCell& c) { return c.tile == cells[k].tile; }) > 1;
  };
  while (!shares(i)) ++i;
  const QPoint pixel(8 * static_cast<int>(i % 32) + 2, 8 * static_cast<int>(i / 32) + 3);
  const int index = 4 * cells[i].palette + (Bitmap().Row(pixel.y())[pixel.x()] % 4 == 3 ? 2 : 3);
  Image->setFocus();
  QTest::keyClick(Image, Qt::Key_E);
  ClickCell(index);
  QTest::mouseClick(Image, Qt::LeftButton, {}, At(pixel));
  ASSERT_TRUE(prompts->errors.empty()) << prompts->errors[0].toStdString();
  EXPECT_EQ(Bitmap().Row(pixel.y())[pixel.x()], index);
  // Every cell of that tile shows the new value at the pixel's place, through its flips.
  std::size_t changed = 0;
  for (std::size_t k = 0; k < cells.size(); ++k) {
    const auto* before = picture.pixels.data();
    const auto* now = Bitmap().Pixels().data();
    for (int p = 0; p < 64; ++p) {
      const std::size_t at = (8 * (k / 32) + p / 8) * 256 + 8 * (k % 32) + p % 8;
      changed += before[at] != now[at] ? 1 : 0;
    }
  }
  EXPECT_GT(changed, 1u) << "the other cells of the tile followed";
  EXPECT_EQ(Cells(), cells) << "the map is not touched";
  EXPECT_EQ(Action("aUndoImport")->text(), QStringLiteral("Undo Stroke"));
  const std::vector<std::uint8_t> drawn = Pixels();
  Action("aUndoImport")->trigger();
  EXPECT_EQ(Pixels(), picture.pixels);
  Action("aRedo")->trigger();
  EXPECT_EQ(Pixels(), drawn);
}

TEST_F(ScreenEditingTest, AColourTheCellsPaletteLacksIsRefusedNamingIt) {
  OpenScreen();
  const std::vector<TMapCell> cells = Cells();
  std::size_t i = 1;
  while (cells[i].palette == 0) ++i;
  const std::vector<std::uint8_t> rom = Rom();
  Image->setFocus();
  QTest::keyClick(Image, Qt::Key_E);
  ClickCell(1);  // palette 0's colour 1, which no other palette has
  QTest::mouseClick(Image, Qt::LeftButton, {}, At(QPoint(8 * (i % 32) + 1, 8 * (i / 32) + 1)));
  EXPECT_TRUE(Label("sBarMessage")
                  .startsWith(QStringLiteral("Colour 1 is not in palette %1 of cell (%2, %3)")
                                  .arg(cells[i].palette)
                                  .arg(i % 32)
                                  .arg(i / 32)))
      << Label("sBarMessage").toStdString();
  EXPECT_EQ(Rom(), rom);
  EXPECT_EQ(Pixels(), picture.pixels);
}

TEST_F(ScreenEditingTest, TheCellModeChangesTheSelectedCellOneStepEach) {
  OpenScreen();
  Image->setFocus();
  QTest::keyClick(Image, Qt::Key_C);
  ASSERT_TRUE(Action("aEditCells")->isChecked());
  const QPoint cell(5, 2);
  QTest::mouseClick(Image, Qt::LeftButton, {}, At(cell * 8 + QPoint(3, 3)));
  EXPECT_TRUE(Label("sBarMessage").startsWith(QStringLiteral("Selected Cell (5, 2): tile")))
      << Label("sBarMessage").toStdString();
  const std::size_t k = 2 * 32 + 5;
  const TMapFormat& f = MapFormats()[kMapSNES];
  struct TCase {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    TCellChange change;
  };
  const TCase cases[] = {
      {Qt::Key_H, Qt::NoModifier, TCellChange::FlipH},
      {Qt::Key_V, Qt::NoModifier, TCellChange::FlipV},
      {Qt::Key_P, Qt::NoModifier, TCellChange::NextPalette},
      {Qt::Key_P, Qt::ShiftModifier, TCellChange::PreviousPalette},
      {Qt::Key_N, Qt::NoModifier, TCellChange::NextTile},
      {Qt::Key_N, Qt::ShiftModifier, TCellChange::PreviousTile},
      {Qt::Key_R, Qt::NoModifier, TCellChange::Priority},
  };
  for (const TCase& c : cases) {
    const std::vector<TMapCell> before = Cells();
    std::vector<TMapCell> expected = before;
    expected[k] = ChangeCell(f, before[k], c.change);
    QTest::keyClick(Image, c.key, c.modifiers);
    ASSERT_TRUE(prompts->errors.empty()) << prompts->errors[0].toStdString();
    EXPECT_EQ(Cells(), expected) << int(c.change);
    EXPECT_EQ(Action("aUndoImport")->text(), QStringLiteral("Undo Cell Change"));
    Action("aUndoImport")->trigger();
    EXPECT_EQ(Cells(), before) << int(c.change) << ": one step";
  }
  // Pick Tile… shows the tile set and writes the tile chosen.
  prompts->tileAnswers.push_back(7);
  QTest::keyClick(Image, Qt::Key_T);
  ASSERT_EQ(prompts->tilePicks.size(), 1u);
  EXPECT_EQ(prompts->tilePicks[0].columns, 16);
  EXPECT_EQ(prompts->tilePicks[0].first, 0);
  EXPECT_EQ(prompts->tilePicks[0].width, 128);
  EXPECT_EQ(Cells()[k].tile, 7);
  QTest::keyClick(Image, Qt::Key_E);  // the pixel mode ends the cell mode
  EXPECT_FALSE(Action("aEditCells")->isChecked());
  EXPECT_FALSE(Action("aFlipCellH")->isEnabled());
}

TEST_F(ScreenEditingTest, ThePointerTellsTheCellOrTheTileUnderIt) {
  OpenScreen();
  const std::vector<TMapCell> cells = Cells();
  const QPoint cell(4, 1);
  QTest::mouseMove(Image, At(cell * 8 + QPoint(2, 2)));
  const TMapCell& c = cells[32 + 4];
  EXPECT_TRUE(Label("sBarPointer")
                  .startsWith(QStringLiteral("Cell (4, 1): tile %1, palette %2, flips ")
                                  .arg(c.tile)
                                  .arg(c.palette)))
      << Label("sBarPointer").toStdString();
  EXPECT_TRUE(Label("sBarPointer").endsWith(QStringLiteral("entry at $001048")));
  Action("aShowAsTiles")->trigger();
  QTest::mouseMove(Image, At(QPoint(1, 1)));
  EXPECT_EQ(Label("sBarPointer"), QStringLiteral("Tile 0, pixel (1, 1): byte at $020002"));
}

TEST_F(ScreenEditingTest, PanningMovesALargePictureAndHomeGoesBack) {
  OpenScreen(4);  // 1024 x 1024 view pixels
  ASSERT_GT(Image->PictureSize().height(), Image->height());
  EXPECT_EQ(Image->Pan(), QPoint(0, 0));
  EXPECT_EQ(Label("sBarView"), QString());
  const std::int32_t offset = seOffset->Value();
  struct TCase {
    const char* what;
    std::function<void()> act;
    QPoint pan;
  };
  const TCase cases[] = {
      {"Shift+wheel down", [&] { Wheel(-120, Qt::ShiftModifier); }, QPoint(96, 0)},
      {"Alt+wheel down", [&] { Wheel(-120, Qt::AltModifier); }, QPoint(96, 96)},
      {"Alt+wheel up twice", [&] { Wheel(240, Qt::AltModifier); }, QPoint(96, 0)},
      {"middle drag",
       [&] {
         QTest::mousePress(Image, Qt::MiddleButton, {}, QPoint(200, 200));
         QTest::mouseMove(Image, QPoint(150, 120));
         QTest::mouseRelease(Image, Qt::MiddleButton, {}, QPoint(150, 120));
       },
       QPoint(146, 80)},
      {"drag past the start",
       [&] {
         QTest::mousePress(Image, Qt::MiddleButton, {}, QPoint(10, 10));
         QTest::mouseMove(Image, QPoint(400, 300));
         QTest::mouseRelease(Image, Qt::MiddleButton, {}, QPoint(400, 300));
       },
       QPoint(0, 0)},
  };
  for (const TCase& c : cases) {
    c.act();
    EXPECT_EQ(Image->Pan(), c.pan) << c.what;
  }
  Wheel(-120, Qt::ShiftModifier);
  EXPECT_TRUE(Label("sBarView").startsWith(QStringLiteral("View: 24-")))
      << Label("sBarView").toStdString();
  EXPECT_EQ(seOffset->Value(), offset) << "panning leaves the offset";
  Image->setFocus();
  QTest::keyClick(Image, Qt::Key_Home);
  EXPECT_EQ(Image->Pan(), QPoint(0, 0));
  EXPECT_EQ(Label("sBarView"), QString());
  // The plain wheel still steps the offset.
  Wheel(-120, Qt::NoModifier);
  EXPECT_NE(seOffset->Value(), offset);
}

TEST_F(ScreenEditingTest, AScreenReadsTheColoursItsPalettesNeedAndReportsTheRest) {
  OpenScreen();
  EXPECT_EQ(sePalNum->Value(), 256) << "a screen's Colors";
  Type(sePalNum, "16");
  ePalAddress->setText(QStringLiteral("$0"));
  Click("bLoadPalROM");
  EXPECT_EQ(Cur()->PalCount, 32) << "8 palettes of 4 colours";
  EXPECT_EQ(sePalNum->Value(), 32);
  // Colours loaded by fewer than the cells need are reported.
  Cur()->PalCount = 16;
  Type(seZoom, "3");
  EXPECT_TRUE(Label("sBarMessage").contains(QStringLiteral("palettes past the 16 colours loaded")))
      << Label("sBarMessage").toStdString();
  // The grid marks the first colour of each palette the map uses.
  const QImage grid = gPal->grab().toImage();
  for (int p = 0; p < 8; ++p) {
    const QRect r = TPaletteGrid::CellRect((4 * p) % 16, (4 * p) / 16);
    EXPECT_EQ(grid.pixelColor(r.topLeft() + QPoint(3, 3)), QColor(Qt::white)) << p;
  }
  const QRect unused = TPaletteGrid::CellRect(0, 3);  // index 48: no palette of the map
  const std::uint32_t c = View()[48];
  EXPECT_EQ(grid.pixelColor(unused.topLeft() + QPoint(3, 3)),
            QColor(static_cast<int>(c & 0xFF), static_cast<int>(c >> 8 & 0xFF),
                   static_cast<int>(c >> 16 & 0xFF)));
}

}  // namespace
}  // namespace tegulo
