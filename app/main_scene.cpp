// Scenes in the window: a save state's screen shown in the view, its layers toggled from the
// view's menu, what lies under the pointer in the status bar, and its export as a PNG.
#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <cstdio>

#include "MainUnit.h"
#include "image_view.h"
#include "qt_text.h"
#include "scene/scene_png.h"
#include "spin_edit.h"

namespace tegulo {

namespace {

const QString kSceneFilter = QStringLiteral(
    "Save states (*.000 *.001 *.002 *.003 *.004 *.005 *.006 *.007 *.008 *.009 *.frz *.oops "
    "*.undo *.ss0 *.ss1 *.ss2 *.ss3 *.ss4 *.ss5 *.ss6 *.ss7 *.ss8 *.ss9 *.png *.sgm *.mss "
    "*.rgd *.zst *.zs1 *.zs2 *.zs3 *.zs4 *.zs5 *.zs6 *.zs7 *.zs8 *.zs9)|*.000;*.001;*.002;*."
    "003;*.004;*.005;*.006;*.007;*.008;*.009;*.frz;*.oops;*.undo;*.ss?;*.png;*.sgm;*.mss;*.rgd;"
    "*.zs?|ALL (*.*)|*.*");

}  // namespace

void TfmMain::BuildSceneActions() {
  const auto make = [this](const char* name, const char* text, void (TfmMain::*handler)()) {
    auto* action = new QAction(QString::fromUtf8(text), this);
    action->setObjectName(QString::fromLatin1(name));
    addAction(action);
    if (handler != nullptr) {
      connect(action, &QAction::triggered, handlers_,
              [this, handler] { Guard([this, handler] { (this->*handler)(); }); });
    }
    return action;
  };
  aOpenScene = make("aOpenScene", "Open Save State as Scene…", &TfmMain::aOpenSceneClick);
  aExportScene = make("aExportScene", "Export Scene…", &TfmMain::aExportSceneClick);
  aCloseScene = make("aCloseScene", "Close Scene", &TfmMain::aCloseSceneClick);
  aFindInRom = make("aFindInRom", "Find in ROM", &TfmMain::aFindInRomClick);
  aFindInRom->setToolTip(
      QStringLiteral("Find where the scene's tiles, maps and palettes live in the open ROM, plain "
                     "or packed, and add them to the list as entries and screens"));
  aFindLayerInRom = make("aFindLayerInRom", "Find Layer in ROM", nullptr);
  connect(aFindLayerInRom, &QAction::triggered, handlers_, [this] {
    Guard([this] {
      if (FindLayer >= 0) FindInRom(FindLayer);
    });
  });
  for (std::size_t n = 0; n < aSceneLayers.size(); ++n) {
    QAction* layer = make("aSceneLayer", "", nullptr);
    aSceneLayers[n] = layer;
    layer->setObjectName(QStringLiteral("aSceneLayer%1").arg(n));
    layer->setCheckable(true);
    layer->setChecked(true);
    connect(layer, &QAction::toggled, handlers_, [this, n](bool on) {
      Guard([&] {
        SceneLayers = on ? SceneLayers | (1u << n) : SceneLayers & ~(1u << n);
        if (Scene) ShowScene();
      });
    });
  }
}

void TfmMain::UpdateSceneActions() {
  if (aOpenScene == nullptr) return;
  const bool shown = Scene != nullptr;
  aExportScene->setEnabled(shown);
  aCloseScene->setEnabled(shown);
  aFindInRom->setEnabled(shown);
  aFindLayerInRom->setEnabled(shown);
  for (std::size_t n = 0; n < aSceneLayers.size(); ++n) {
    const int layer = static_cast<int>(n);
    aSceneLayers[n]->setEnabled(shown);
    aSceneLayers[n]->setText(
        QString::fromStdString(SceneLayerName(shown ? Scene->console : TConsole::Snes, layer)));
  }
}

void TfmMain::FillSceneMenu(QMenu& menu, QPoint pos) {
  // The layer under the pointer gets a search of its own.
  FindLayer = -1;
  if (Scene != nullptr) {
    const QPoint pixel = Image->PixelAt(pos);
    if (pixel.x() >= 0 && pixel.y() >= 0 && pixel.x() < SceneImage.width &&
        pixel.y() < SceneImage.height) {
      const int layer = SceneAt(*Scene, SceneImage, pixel.x(), pixel.y()).layer;
      if (layer >= 0 && layer <= kSceneObj) FindLayer = layer;
    }
  }
  aFindLayerInRom->setVisible(FindLayer >= 0);
  if (FindLayer >= 0) {
    aFindLayerInRom->setText(
        QStringLiteral("Find %1 in ROM")
            .arg(QString::fromStdString(SceneLayerName(Scene->console, FindLayer))));
  }
  menu.addSeparator();
  menu.addAction(aOpenScene);
  QMenu* layers = menu.addMenu(QStringLiteral("Scene Layers"));
  layers->setObjectName(QStringLiteral("mSceneLayers"));
  layers->setEnabled(Scene != nullptr);
  for (QAction* layer : aSceneLayers) layers->addAction(layer);
  menu.addAction(aExportScene);
  menu.addAction(aFindInRom);
  menu.addAction(aFindLayerInRom);
  menu.addAction(aCloseScene);
}

void TfmMain::aOpenSceneClick() {
  TFileDialog dialog{TFileDialog::TKind::Open, kSceneFilter, QString()};
  const std::optional<QString> name = Execute(dialog, TFileKind::Palette);
  if (name) OpenScene(*name);
}

void TfmMain::OpenScene(const QString& FileName) {
  // Read whole before anything changes: a state that cannot be read leaves the view as it was.
  auto scene = std::make_unique<TScene>(ReadSceneFile(LocalPath(FileName)));
  if (Edit.editing) SetEditing(false);
  Scene = std::move(scene);
  SceneFileName = FileName;
  SceneLayers = kAllSceneLayers;
  for (QAction* layer : aSceneLayers) {
    const QSignalBlocker quiet(layer);
    layer->setChecked(true);
  }
  ShowScene();
}

void TfmMain::ShowScene() {
  SceneImage = RenderScene(*Scene, SceneLayers);
  ScenePicture = QImage(SceneImage.width, SceneImage.height, QImage::Format_RGB32);
  for (std::int32_t y = 0; y < SceneImage.height; ++y) {
    auto* row = reinterpret_cast<QRgb*>(ScenePicture.scanLine(y));
    const std::uint32_t* src =
        SceneImage.pixels.data() +
        static_cast<std::size_t>(y) * static_cast<std::size_t>(SceneImage.width);
    for (std::int32_t x = 0; x < SceneImage.width; ++x) row[x] = 0xFF000000u | src[x];
  }
  Image->SetScene(&ScenePicture, std::max(seZoom->Value(), 1));
  QString text =
      QStringLiteral("Scene of %1 (%2), %3 x %4")
          .arg(QFileInfo(SceneFileName).fileName(), QString::fromStdString(Scene->source))
          .arg(SceneImage.width)
          .arg(SceneImage.height);
  if (!SceneImage.leftOut.empty()) {
    std::string words;
    for (std::size_t i = 0; i < SceneImage.leftOut.size(); ++i) {
      if (i > 0) words += i + 1 == SceneImage.leftOut.size() ? " and " : ", ";
      words += SceneImage.leftOut[i];
    }
    text += QStringLiteral(": drawn without ") + QString::fromStdString(words);
    std::fprintf(stderr, "tegulo: %s uses %s: the scene is drawn without %s\n",
                 LocalPath(SceneFileName).c_str(), words.c_str(),
                 SceneImage.leftOut.size() == 1 ? "it" : "them");
  }
  ShowStatus(text);
  UpdateActions();
}

void TfmMain::SceneHover(QPoint pixel) {
  if (!Scene) return;
  if (pixel.x() < 0 || pixel.y() < 0 || pixel.x() >= SceneImage.width ||
      pixel.y() >= SceneImage.height) {
    return;
  }
  const TScenePoint p = SceneAt(*Scene, SceneImage, pixel.x(), pixel.y());
  ShowStatus(QStringLiteral("%1,%2: ").arg(pixel.x()).arg(pixel.y()) +
             QString::fromStdString(ScenePointText(*Scene, p)));
}

void TfmMain::aExportSceneClick() {
  if (!Scene) return;
  SaveDialog.Filter = QStringLiteral("PNG Image (*.png)|*.png|ALL (*.*)|*.*");
  TFileDialog dialog = SaveDialog;
  dialog.DefaultExt = QStringLiteral("png");
  const QString suggested =
      QFileInfo(SceneFileName).completeBaseName() + QStringLiteral("-scene.png");
  const std::optional<QString> name = Execute(dialog, TFileKind::Picture, suggested);
  if (!name) return;
  const std::string note = WriteScenePng(LocalPath(*name), SceneImage);
  ShowStatus(note.empty() ? QStringLiteral("Scene written to %1").arg(*name)
                          : QString::fromStdString(note));
}

void TfmMain::aCloseSceneClick() {
  if (!Scene) return;
  Scene.reset();
  ScenePicture = QImage();
  ShowStatus(QString());
  Image->SetPicture(nullptr, 1);
  if (CurEntry != nullptr) Redraw();
  UpdateActions();
}

}  // namespace tegulo
