// Scenes in the window: opened from the view's menu or dropped with Shift, shown, layers
// toggled, hovered, exported and closed; a state dropped without Shift still gives its palette.
#include <QAction>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QUrl>

#include "flow_fixture.h"
#include "image/png_reader.h"
#include "locate/locate.h"
#include "palette/palette.h"
#include "qt_text.h"
#include "scene/scene_render.h"
#include "scene_fixtures.h"
#include "state_fixtures.h"

namespace tegulo {
namespace {

class SceneViewTest : public FlowTest {
protected:
  QAction* Action(const char* name) { return Find<QAction>(name); }
  QString Status() { return Find<QLabel>("sBarMessage")->text(); }
  QString State(const QString& name, const std::vector<std::uint8_t>& bytes) {
    return WriteFile(name, Bytes(bytes));
  }
  void Open(const QString& path) {
    prompts->fileAnswers.push_back(path);
    Action("aOpenScene")->trigger();
  }
  // The view's picture as 0x00RRGGBB, rows from the top.
  std::vector<std::uint32_t> Shown() {
    const QImage* scene = Image->Scene();
    std::vector<std::uint32_t> out;
    if (scene == nullptr) return out;
    for (int y = 0; y < scene->height(); ++y) {
      for (int x = 0; x < scene->width(); ++x) out.push_back(scene->pixel(x, y) & 0xFFFFFFu);
    }
    return out;
  }
  bool Drop(const QString& file, Qt::KeyboardModifiers modifiers) {
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(file)});
    const QPoint at = Image->mapTo(window.get(), Image->rect().center());
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, modifiers);
    QApplication::sendEvent(window.get(), &enter);
    QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, modifiers);
    QApplication::sendEvent(window.get(), &drop);
    return drop.isAccepted();
  }
};

TEST_F(SceneViewTest, OpensShowsAndTogglesLayersByTheConsolesNames) {
  const TScene snes = fixtures::SampleSnesScene();
  const TScene gba = fixtures::SampleGbaScene();
  struct {
    QString file;
    std::vector<std::uint8_t> bytes;
    const TScene* scene;
    QStringList names;
  } const cases[] = {
      {"game.000",
       fixtures::Gzip(fixtures::Snes9xSceneStream(snes, 12)),
       &snes,
       {"BG1", "BG2", "BG3", "BG4", "OBJ"}},
      {"game.ss1",
       fixtures::MgbaPng(fixtures::MgbaSceneBlock(gba)),
       &gba,
       {"BG0", "BG1", "BG2", "BG3", "OBJ"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file.toStdString());
    Open(State(c.file, c.bytes));
    ASSERT_NE(Image->Scene(), nullptr);
    EXPECT_TRUE(Shown() == RenderScene(*c.scene).pixels);
    EXPECT_TRUE(Status().startsWith("Scene of " + c.file)) << Status().toStdString();
    for (int n = 0; n < 5; ++n) {
      EXPECT_EQ(
          Find<QAction>(QStringLiteral("aSceneLayer%1").arg(n).toLatin1().constData())->text(),
          c.names[n]);
    }
    Find<QAction>("aSceneLayer0")->setChecked(false);  // BG1 / BG0 off
    Find<QAction>("aSceneLayer4")->setChecked(false);  // and the sprites
    EXPECT_TRUE(Shown() == RenderScene(*c.scene, 0x0E).pixels);
    EXPECT_TRUE(Action("aExportScene")->isEnabled());
    EXPECT_TRUE(Action("aFindInRom")->isEnabled());
  }
  // A new scene shows all its layers again.
  Open(Path("game.000"));
  EXPECT_TRUE(Shown() == RenderScene(snes).pixels);
}

TEST_F(SceneViewTest, HoverTellsWhatLiesUnderThePointer) {
  const TScene snes = fixtures::SampleSnesScene();
  Open(State("game.000", fixtures::Snes9xSceneStream(snes, 12)));
  const int zoom = Image->Zoom();
  const TSceneImage img = RenderScene(snes);
  for (const QPoint p : {QPoint(43, 33), QPoint(78, 51), QPoint(200, 150)}) {
    QTest::mouseMove(Image, QPoint(p.x() * zoom + zoom / 2, p.y() * zoom + zoom / 2));
    const std::string want = std::to_string(p.x()) + "," + std::to_string(p.y()) + ": " +
                             ScenePointText(snes, SceneAt(snes, img, p.x(), p.y()));
    EXPECT_EQ(Status().toStdString(), want);
  }
}

TEST_F(SceneViewTest, ExportWritesThePictureShown) {
  const TScene gba = fixtures::SampleGbaScene();
  Open(State("game.sgm", fixtures::Gzip(fixtures::VbaSceneStream(gba, 9))));
  Find<QAction>("aSceneLayer1")->setChecked(false);
  prompts->fileAnswers.push_back(Path("out.png"));
  Action("aExportScene")->trigger();
  EXPECT_EQ(prompts->starts.back().name, QStringLiteral("game-scene.png"));
  const QByteArray file = ReadFile(Path("out.png"));
  const TPngPicture p = ReadPng(std::span(reinterpret_cast<const std::uint8_t*>(file.data()),
                                          static_cast<std::size_t>(file.size())));
  ASSERT_EQ(p.width, 240);
  ASSERT_EQ(p.height, 160);
  const std::vector<std::uint32_t> want = RenderScene(gba, 0x1D).pixels;
  for (std::size_t i = 0; i < want.size(); ++i) {
    const std::uint32_t c = (static_cast<std::uint32_t>(p.samples[4 * i]) << 16) |
                            (p.samples[4 * i + 1] << 8) | p.samples[4 * i + 2];
    ASSERT_EQ(c, want[i]) << i;
  }
}

TEST_F(SceneViewTest, ShiftDropOpensAScenePlainDropGivesThePalette) {
  const QString state =
      State("game.000", fixtures::Snes9xSceneStream(fixtures::SampleSnesScene(), 12));
  OpenRom();
  AddEntry("$100");
  EXPECT_TRUE(Drop(state, Qt::NoModifier));
  EXPECT_EQ(Image->Scene(), nullptr) << "without Shift: the palette, as before";
  EXPECT_EQ(TfmMainPeer::ViewPalette(*window)[5],
            ConsoleColour(fixtures::SampleSnesScene().palette[5]));
  EXPECT_TRUE(Drop(state, Qt::ShiftModifier));
  ASSERT_NE(Image->Scene(), nullptr);
  EXPECT_FALSE(Action("aEditPixels")->isEnabled()) << "a scene is not the ROM";
  Action("aCloseScene")->trigger();
  EXPECT_EQ(Image->Scene(), nullptr);
  EXPECT_TRUE(Action("aEditPixels")->isEnabled());
  EXPECT_FALSE(Action("aExportScene")->isEnabled());
}

TEST_F(SceneViewTest, AStateWithoutASceneLeavesTheViewAsItWas) {
  Open(State("pal.000", fixtures::Snes9xStream(12)));
  EXPECT_EQ(Image->Scene(), nullptr);
  ASSERT_EQ(prompts->errors.size(), 1u);
  EXPECT_TRUE(prompts->errors[0].endsWith(
      "the Snes9x snapshot has no FIL block (the registers as written)"))
      << prompts->errors[0].toStdString();
}

}  // namespace
}  // namespace tegulo

namespace tegulo {
namespace {

// Find in ROM: BG1's tiles plain in the ROM become an entry at their address, and the status
// bar counts what was found; without a ROM it says to open one. The additions are one step:
// Undo takes them away and Redo brings them back, the ROM never counted as modified. A search
// for one layer looks only at its pieces.
TEST_F(SceneViewTest, FindInRomAddsWhatItFinds) {
  const TScene snes = fixtures::SampleSnesScene();
  const QString state = State("game.000", fixtures::Snes9xSceneStream(snes, 12));
  Open(state);
  Action("aFindInRom")->trigger();
  EXPECT_TRUE(Status().contains(QStringLiteral("open one first"))) << Status().toStdString();

  std::vector<std::uint8_t> rom(0x20000);
  for (std::size_t i = 0; i < rom.size(); ++i) rom[i] = static_cast<std::uint8_t>(i * 131 >> 3);
  std::int32_t tilesAt = -1;
  for (const TScenePart& p : SceneParts(snes)) {
    if (p.layer == 0 && p.kind == TPartKind::Tiles && tilesAt < 0) {
      tilesAt = 0x4003;
      std::copy(p.bytes.begin(), p.bytes.end(), rom.begin() + tilesAt);
    }
  }
  OpenRom(rom);
  Open(state);
  const int before = lbList->count();
  Action("aFindInRom")->trigger();
  EXPECT_TRUE(Status().startsWith(QStringLiteral("Find in ROM: "))) << Status().toStdString();
  const int after = lbList->count();
  ASSERT_GT(after, before);
  ASSERT_NE(Cur(), nullptr);
  EXPECT_EQ(Cur()->Address, tilesAt);
  EXPECT_FALSE(TfmMainPeer::RomModified(*window));

  EXPECT_EQ(Action("aUndoImport")->text(), QStringLiteral("Undo Find in ROM"));
  Action("aUndoImport")->trigger();
  EXPECT_EQ(lbList->count(), before);
  EXPECT_FALSE(TfmMainPeer::RomModified(*window));
  Action("aRedo")->trigger();
  ASSERT_EQ(lbList->count(), after);
  ASSERT_NE(Cur(), nullptr);
  EXPECT_EQ(Cur()->Address, tilesAt);

  Open(state);
  TfmMainPeer::FindInRom(*window, 1);  // BG2's pieces alone: fewer than every layer's
  EXPECT_TRUE(Status().startsWith(QStringLiteral("Find BG2 in ROM: "))) << Status().toStdString();
  EXPECT_FALSE(Status().contains(QStringLiteral(" of 22 "))) << Status().toStdString();
}

}  // namespace
}  // namespace tegulo
