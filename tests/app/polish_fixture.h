// PolishTest: the window with one 2 x 2 tile "4bpp (SNES)" entry, pictures and drops.
#pragma once

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include "flow_fixture.h"
#include "image/png_writer.h"
#include "qt_text.h"

namespace tegulo {

class PolishTest : public FlowTest {
protected:
  using TSaveChanges = UserPrompts::TSaveChanges;

  // A ROM with the entry "$100" current.
  void OpenWithEntry(const std::vector<std::uint8_t>& rom = MakeRom()) {
    OpenRom(rom);
    AddEntry("$100");
    Pick(cbTemplate, "4bpp (SNES)");
    Type(seWidth, "2");
    Type(seHeight, "2");
  }

  // A 16 x 16 indexed picture whose pattern `seed` varies.
  QString WritePicture(const QString& name, int seed) {
    TIndexedBitmap bmp;
    bmp.SetSize(16, 16);
    for (int y = 0; y < 16; ++y) {
      for (int x = 0; x < 16; ++x) bmp.Row(y)[x] = static_cast<std::uint8_t>((x + y * seed) % 16);
    }
    WritePng(LocalPath(Path(name)), bmp);
    return Path(name);
  }

  QAction* Action(const char* name) { return Find<QAction>(name); }
  std::vector<std::uint8_t>& Rom() { return TfmMainPeer::RomData(*window); }

  void Import(const QString& png) {
    prompts->fileAnswers.push_back(png);
    Action("aImportImage")->trigger();
  }

  // Drags one file over the centre of `over` and drops it; true when the window took it.
  bool Drop(const QString& file, QWidget* over) {
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(file)});
    const QPoint at = over->mapTo(window.get(), over->rect().center());
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &enter);
    QDragMoveEvent move(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &move);
    if (!move.isAccepted()) return false;
    QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &drop);
    return drop.isAccepted();
  }

  // The questions asked so far, in order.
  QStringList Questions() const {
    QStringList texts;
    for (const auto& r : prompts->requests) {
      if (r.kind == FakePrompts::TKind::SaveChanges) texts << r.text;
    }
    return texts;
  }
};

}  // namespace tegulo
