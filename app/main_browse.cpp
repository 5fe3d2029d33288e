// Browsing the ROM from the view: keys and wheel step the offset as typing would, Ctrl+wheel
// zooms; the status bar's first panel tells the ROM address drawn first.
#include <algorithm>

#include "MainUnit.h"
#include "base/numbers.h"
#include "image_view.h"
#include "spin_edit.h"
#include "status_bar.h"

#include <QLabel>
#include "tiles/browse_steps.h"

namespace tegulo {

namespace {
constexpr std::int32_t kMinZoom = 1;
constexpr std::int32_t kMaxZoom = 4;
}  // namespace

void TfmMain::ConnectBrowsing() {
  connect(Image, &TImageView::Browse, this,
          [this](TBrowseMove move) { Guard([this, move] { ImageBrowse(move); }); });
  connect(Image, &TImageView::ZoomStep, this,
          [this](int delta) { Guard([this, delta] { ImageZoomStep(delta); }); });
  ConnectHover();  // main_hover.cpp
}

void TfmMain::ImageBrowse(TBrowseMove move) {
  if (CurEntry == nullptr) return;
  const std::optional<TBrowseSteps> steps = BrowseSteps(*CurEntry);
  if (!steps) return;
  std::int64_t delta = 0;
  switch (move) {
    case TBrowseMove::ByteBack: delta = -1; break;
    case TBrowseMove::ByteForward: delta = 1; break;
    case TBrowseMove::TileBack: delta = -steps->tile; break;
    case TBrowseMove::TileForward: delta = steps->tile; break;
    case TBrowseMove::RowBack: delta = -steps->row; break;
    case TBrowseMove::RowForward: delta = steps->row; break;
    case TBrowseMove::ScreenBack: delta = -steps->screen; break;
    case TBrowseMove::ScreenForward: delta = steps->screen; break;
    case TBrowseMove::Home: break;
  }
  if (move == TBrowseMove::Home) Image->SetPan({});  // back to the top-left too
  const std::int64_t target = move == TBrowseMove::Home ? 0 : seOffset->Value() + delta;
  // As if typed: the edit's Change runs ValueChange, which stores, refreshes and redraws.
  seOffset->SetValue(seOffset->CheckValue(target));
}

void TfmMain::ImageZoomStep(int delta) {
  if (CurEntry == nullptr) return;
  const std::int32_t zoom = std::clamp(seZoom->Value() + delta, kMinZoom, kMaxZoom);
  if (zoom != seZoom->Value()) seZoom->SetValue(zoom);
}

void TfmMain::UpdateAddressHint() {
  if (CurEntry == nullptr) return;
  const std::int64_t first = std::int64_t{CurEntry->Address} + CurEntry->Offset;
  const QString size =
      QString::number(static_cast<qulonglong>(RomData.size()), 16).toUpper().rightJustified(6, '0');
  sBar->Panel(0)->setToolTip(
      QStringLiteral("ROM address %1 (ROM size $%2, %3 bytes)")
          .arg(QString::fromStdString(FormatAddress(static_cast<std::int32_t>(first))), size)
          .arg(static_cast<qulonglong>(RomData.size())));
}

}  // namespace tegulo
