// The view side of the main window: refreshing the current entry, drawing it, zoom, export.
#include <algorithm>

#include "MainUnit.h"
#include "compress/refresh.h"
#include "entries/file_names.h"
#include "entries/status_texts.h"
#include "image/png_writer.h"
#include "image/render.h"
#include "image/render_entry.h"
#include "image_view.h"
#include "palette_grid.h"
#include "qt_text.h"
#include "spin_edit.h"
#include "status_bar.h"
#include "tiles/uTiles.h"

namespace tegulo {

void TfmMain::RefreshEntry() {
  const TUnpackReport report = UnpackEntry(*CurEntry, RomData, DecodeBuffer);
  if (report.notValidLZ10) prompts_->ShowMessage(QStringLiteral("Not valid LZ10 stream"));
  const std::array<std::string, 3> texts = StatusTexts(*CurEntry);
  for (int i = 0; i < 3; ++i) sBar->SetPanelText(i, FromLatin1(texts[static_cast<std::size_t>(i)]));
  UpdateAddressHint();
  LoadViewPalette(ViewPalette, *CurEntry);
  gPal->update();
}

void TfmMain::Redraw() {
  if (CurEntry != nullptr && CurEntry->Template != kTemplateNone) DrawTiles();
}

void TfmMain::DrawTiles() {
  if (Scene) {
    // The entry drawn again (picked, browsed, recoloured) takes the view back from a scene.
    Scene.reset();
    ScenePicture = QImage();
  }
  if (DrawScreenOfEntry()) return;
  tegulo::DrawTiles(*TileBitmap, *CurEntry, RomData, DecodeBuffer, BackgroundColour());
  // A zoom typed below the control's range would give no picture; it shows at 1.
  Image->SetPicture(TileBitmap.get(), std::max(seZoom->Value(), 1));
}

void TfmMain::seZoomChange() {
  if (Scene) {
    ShowScene();
    return;
  }
  if (CurEntry != nullptr) Redraw();
}

void TfmMain::bExportClick() {
  // The dialog is shared with the document save, which sets its own filter each time.
  SaveDialog.Filter = QStringLiteral("PNG Image (*.png)|*.png|ALL (*.*)|*.*");
  // A name typed without an extension becomes a ".png" file; documents keep "tgl".
  TFileDialog dialog = SaveDialog;
  dialog.DefaultExt = QStringLiteral("png");
  // The entry's name is offered as the file's.
  const QString suggested =
      CurEntry != nullptr
          ? QString::fromStdString(SafeFileName(GetName(*CurEntry))) + QStringLiteral(".png")
          : QString();
  const std::optional<QString> name = Execute(dialog, TFileKind::Picture, suggested);
  if (!name) return;
  // The transparent index is worked out by the writer; the bitmap itself is never marked,
  // so nothing on it changes, whether the writing succeeds or not.
  // The work stays on this thread: the progress report is modal, so nothing can change the
  // bitmap while events are handled between pieces. Cancel throws out of the writer, which
  // removes its temporary file and leaves any old file as it was.
  struct TCancelled {};
  const std::unique_ptr<TProgressPrompt> progress =
      prompts_->StartProgress(QStringLiteral("Exporting the image..."), TileBitmap->Height());
  try {
    WritePng(LocalPath(*name), *TileBitmap, [&](std::int32_t rows) {
      progress->SetValue(rows);
      if (progress->Cancelled()) throw TCancelled{};
    });
  } catch (const TCancelled&) {
  }
}

}  // namespace tegulo
