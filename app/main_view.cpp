// The view side of the main window: refreshing the current entry, drawing it, zoom, export.
#include "MainUnit.h"
#include "image_view.h"
#include "spin_edit.h"

namespace tegulo {

void TfmMain::RefreshEntry() {
  // Unpacking, the status texts and the view palette come with the refresh unit
  // (refresh.h: UnpackEntry, StatusTexts; palette.h: LoadViewPalette).
}

void TfmMain::Redraw() {
  if (CurEntry != nullptr && CurEntry->Template != 0) DrawTiles();
}

void TfmMain::DrawTiles() {
  // Decoding into TileBitmap comes with the renderer (render.h: DrawTiles with
  // BackgroundColour()). The view shows the bitmap at the zoom as it reads now.
  Image->SetPicture(TileBitmap.get(), seZoom->Value());
}

void TfmMain::seZoomChange() {
  if (CurEntry != nullptr) Redraw();
}

void TfmMain::bExportClick() {
  // Comes with the PNG writer (png_writer.h). SaveDialog's default extension is "tgl";
  // the export should ask the prompts with its own ("png") or none.
}

}  // namespace tegulo
