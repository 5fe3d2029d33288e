// Screens in the window: Show as Screen, the status bar, import and undo on a screen, Show as
// Tiles, and the dialog's address keys.
#include <QAction>
#include <QKeyEvent>
#include <QLineEdit>

#include "flow_fixture.h"
#include "image/png_writer.h"
#include "priority_overlay.h"
#include "qt_text.h"
#include "screen/screen_doc.h"
#include "screen_dialog.h"
#include "screen_pictures.h"
#include "tiles/uTiles.h"

namespace tegulo {
namespace {

class ScreenWindowTest : public FlowTest {
protected:
  // A 32 x 32 "2bpp (SNES)" screen: tiles at $20000, map at $1000; the entry current.
  void OpenScreenRom() {
    screen.format = kMapSNES;
    screen.mapAddress = 0x1000;
    picture = test::ScreenPicture(32, 32, 2, 8, true);
    OpenRom(test::BuildScreenRom(picture, screen, kTemplate2bppSNES, 0x20000, 0, 0x40000).rom);
    AddEntry("$20000");
    Pick(cbTemplate, "2bpp (SNES)");
  }
  std::vector<std::uint8_t> Pixels() const {
    const auto p = Bitmap().Pixels();
    return {p.begin(), p.end()};
  }
  QString WritePicture(const QString& name, const TPixelImage& img) {
    TIndexedBitmap bmp;
    bmp.SetSize(img.width, img.height);
    std::copy(img.pixels.begin(), img.pixels.end(), bmp.Pixels().begin());
    WritePng(LocalPath(Path(name)), bmp);
    return Path(name);
  }

  TScreen screen;
  TPixelImage picture;
};

TEST_F(ScreenWindowTest, ShowImportUndoAndBackToTiles) {
  OpenScreenRom();
  const std::vector<std::uint8_t> tiles = Pixels();
  prompts->screenAnswers.push_back(screen);
  Find<QAction>("aShowAsScreen")->trigger();
  EXPECT_TRUE(prompts->errors.empty());
  EXPECT_EQ(Bitmap().Width(), 256);
  EXPECT_EQ(Pixels(), picture.pixels);
  EXPECT_EQ(sBar->PanelText(0), QStringLiteral("Screen: snes map 32 x 32 at $001000"));
  EXPECT_TRUE(Find<QAction>("aShowAsTiles")->isEnabled());
  EXPECT_EQ(Cur()->PalCount, 256);  // a palette loaded from here on fills all 256 colours

  // A pixel of cell (0, 0), a tile no other cell shows, to another colour of its palette.
  TPixelImage edited = picture;
  for (std::uint8_t& p : edited.pixels) {
    if (p == 0) continue;
    p = static_cast<std::uint8_t>((p & 3) == 1 ? p + 1 : (p & ~3) + 1);
    break;
  }
  prompts->fileAnswers.push_back(WritePicture(QStringLiteral("edited.png"), edited));
  Find<QAction>("aImportImage")->trigger();
  EXPECT_TRUE(prompts->errors.empty())
      << (prompts->errors.empty() ? "" : prompts->errors[0].toStdString());
  EXPECT_EQ(Pixels(), edited.pixels);
  Find<QAction>("aUndoImport")->trigger();
  EXPECT_EQ(Pixels(), picture.pixels);

  // The dialog opens again at the screen's settings; cancelling keeps them.
  Find<QAction>("aShowAsScreen")->trigger();
  ASSERT_EQ(prompts->screenAsked.size(), 2U);
  EXPECT_EQ(prompts->screenAsked[1], screen);
  EXPECT_EQ(Pixels(), picture.pixels);

  Find<QAction>("aShowAsTiles")->trigger();
  EXPECT_EQ(Pixels(), tiles);
  EXPECT_FALSE(Find<QAction>("aShowAsTiles")->isEnabled());
}

TEST_F(ScreenWindowTest, PriorityOverlayDimsTheCellsWithoutPriority) {
  OpenScreenRom();
  // Cells (0..3, 0) get the priority bit: every other cell is dimmed.
  std::vector<std::uint8_t>& rom = TfmMainPeer::RomData(*window);
  for (int x = 0; x < 4; ++x) rom[static_cast<std::size_t>(0x1000 + 2 * x + 1)] |= 0x20;
  TScreen dimmed = screen;
  dimmed.showPriority = true;
  prompts->screenAnswers.push_back(dimmed);
  Find<QAction>("aShowAsScreen")->trigger();
  auto* overlay = Find<TPriorityOverlay>("PriorityOverlay");
  ASSERT_NE(overlay, nullptr);
  EXPECT_TRUE(overlay->isVisible());
  EXPECT_EQ(overlay->DimmedCells(), 32 * 32 - 4);
  Find<QAction>("aShowAsTiles")->trigger();
  EXPECT_FALSE(overlay->isVisible());
}

TEST_F(ScreenWindowTest, ARefusedScreenChangesNothing) {
  OpenScreenRom();
  const std::vector<std::uint8_t> tiles = Pixels();
  TScreen bad = screen;
  bad.format = kMapMode7;
  bad.width = 256;
  prompts->screenAnswers.push_back(bad);
  Find<QAction>("aShowAsScreen")->trigger();
  ASSERT_EQ(prompts->errors.size(), 1U);
  EXPECT_EQ(prompts->errors[0],
            QStringLiteral("A mode7 map is 1 to 128 tiles wide and high, not 256 x 32."));
  EXPECT_EQ(Pixels(), tiles);
  EXPECT_FALSE(Find<QAction>("aShowAsTiles")->isEnabled());
}

TEST_F(ScreenWindowTest, ScreensAreSavedBesideTheDocument) {
  OpenScreenRom();
  AddEntry("$30000");  // a second entry, current, shown as tiles
  Pick(cbTemplate, "2bpp (SNES)");
  ClickItem(0);
  prompts->screenAnswers.push_back(screen);
  Find<QAction>("aShowAsScreen")->trigger();
  prompts->fileAnswers.push_back(Path(QStringLiteral("game.tgl")));
  Click("bSave");
  ASSERT_TRUE(QFile::exists(Path(QStringLiteral("game.tgl.screens.json"))));

  // Loaded again, the entry with the screen draws as one; the other as tiles.
  prompts->fileAnswers.push_back(Path(QStringLiteral("game.tgl")));
  Click("bLoad");
  ClickItem(1);
  EXPECT_EQ(Bitmap().Width(), 8 * seWidth->Value());
  ClickItem(0);
  EXPECT_EQ(Pixels(), picture.pixels);
  EXPECT_TRUE(prompts->errors.empty());

  // A damaged companion is reported; the entries load all the same, as tiles.
  WriteFile(QStringLiteral("game.tgl.screens.json"), QByteArray("{\"format\": 1"));
  prompts->fileAnswers.push_back(Path(QStringLiteral("game.tgl")));
  Click("bLoad");
  ASSERT_EQ(prompts->errors.size(), 1U);
  EXPECT_TRUE(prompts->errors[0].contains(QStringLiteral("Damaged screens file")))
      << prompts->errors[0].toStdString();
  EXPECT_EQ(lbList->count(), 2);
  ClickItem(0);
  EXPECT_EQ(Bitmap().Width(), 8 * seWidth->Value());
}

// A screens file that could not be read is never written over: a save of the document says
// so, and the screens go under another name, nowhere, or the save is cancelled.
TEST_F(ScreenWindowTest, AnUnreadScreensFileIsKept) {
  OpenScreenRom();
  prompts->fileAnswers.push_back(Path(QStringLiteral("game.tgl")));
  Click("bSave");
  const QByteArray damaged("{\"format\": \"tegulo-screens\", \"version\": 2, \"screens\": []}");
  WriteFile(QStringLiteral("game.tgl.screens.json"), damaged);
  prompts->fileAnswers.push_back(Path(QStringLiteral("game.tgl")));
  Click("bLoad");
  ASSERT_EQ(prompts->errors.size(), 1U);
  const auto companion = [&] {
    QFile f(Path(QStringLiteral("game.tgl.screens.json")));
    f.open(QIODevice::ReadOnly);
    return f.readAll();
  };

  // No screens in the list: the save tells that the file is kept.
  prompts->fileAnswers.push_back(Path(QStringLiteral("game.tgl")));
  Click("bSave");
  EXPECT_EQ(companion(), damaged);
  ASSERT_EQ(prompts->messages.size(), 1U);
  EXPECT_TRUE(prompts->messages[0].endsWith(
      QStringLiteral("could not be read when the document was loaded; it is kept as it was.")))
      << prompts->messages[0].toStdString();

  // A screen shown: asked where it goes. Cancel saves nothing, Save puts it under another
  // name, and the file stays as it was each time.
  ClickItem(0);
  prompts->screenAnswers.push_back(screen);
  Find<QAction>("aShowAsScreen")->trigger();
  QFile::remove(Path(QStringLiteral("game.tgl")));
  prompts->fileAnswers.push_back(Path(QStringLiteral("game.tgl")));
  prompts->saveChangesAnswers.push_back(UserPrompts::TSaveChanges::Cancel);
  Click("bSave");
  EXPECT_FALSE(QFile::exists(Path(QStringLiteral("game.tgl"))));
  prompts->fileAnswers.push_back(Path(QStringLiteral("game.tgl")));
  prompts->fileAnswers.push_back(Path(QStringLiteral("other.json")));
  prompts->saveChangesAnswers.push_back(UserPrompts::TSaveChanges::Save);
  Click("bSave");
  EXPECT_TRUE(QFile::exists(Path(QStringLiteral("game.tgl"))));
  EXPECT_EQ(companion(), damaged);
  QFile saved(Path(QStringLiteral("other.json")));
  ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
  const QByteArray text = saved.readAll();
  EXPECT_EQ(ScreensFromJson(std::span(reinterpret_cast<const std::uint8_t*>(text.data()),
                                      static_cast<std::size_t>(text.size())))
                .size(),
            1U);
}

TEST(ScreenDialog, KeysInTheAddressStepTheMapAndPreview) {
  TScreen initial;
  initial.mapAddress = 0x1000;
  std::vector<std::int32_t> previewed;
  TScreenDialog dialog(initial, [&](const TScreen& s) { previewed.push_back(s.mapAddress); });
  struct Case {
    Qt::Key key;
    std::int32_t address;
  };
  const Case cases[] = {{Qt::Key_Right, 0x1002},    {Qt::Key_Down, 0x1042},
                        {Qt::Key_PageDown, 0x1842}, {Qt::Key_PageUp, 0x1042},
                        {Qt::Key_Up, 0x1002},       {Qt::Key_Left, 0x1000}};
  for (const Case& c : cases) {
    QKeyEvent press(QEvent::KeyPress, c.key, Qt::NoModifier);
    QCoreApplication::sendEvent(dialog.eMapAddress, &press);
    ASSERT_TRUE(dialog.Screen().has_value());
    EXPECT_EQ(dialog.Screen()->mapAddress, c.address) << c.key;
    EXPECT_EQ(previewed.back(), c.address) << c.key;
  }
  dialog.eMapAddress->setText(QStringLiteral("zz"));
  EXPECT_FALSE(dialog.Screen().has_value());
}

}  // namespace
}  // namespace tegulo
