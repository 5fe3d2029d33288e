// Write Palette to ROM: the current entry's first colours as console words at an address,
// one step of the ROM's history.
#include <QLabel>
#include <algorithm>

#include "MainUnit.h"
#include "base/numbers.h"
#include "line_edit.h"
#include "qt_text.h"
#include "rom/palette_write.h"

namespace tegulo {

void TfmMain::aWritePaletteClick() {
  if (!RomOpen || CurEntry == nullptr) return;
  // The palette address last used, and as many colours as the entry uses.
  const std::int32_t uses = std::clamp(CurEntry->PalCount, 1, 256);
  const QString initial = QStringLiteral("%1:%2").arg(ePalAddress->text().trimmed()).arg(uses);
  const std::optional<QString> text = prompts_->AskText(
      QStringLiteral("Write Palette to ROM"),
      QStringLiteral("Address of the colour words, and their count after a colon:"), initial);
  if (!text) return;
  const TPaletteTarget target = ParsePaletteTarget(text->trimmed().toStdString());
  const std::int32_t count = target.count.value_or(uses);
  const std::span<const std::uint32_t> colours(CurEntry->Palette, static_cast<std::size_t>(count));
  PushRomImage(WritePaletteToRom(RomData, target.address, colours), true, "Palette Write");
  // The palette-from-ROM button reads them back from here.
  ePalAddress->setText(QString::fromStdString(FormatAddress(target.address)));
  ShowStatus(QString::fromStdString(PaletteWriteText(count, target.address)));
}

}  // namespace tegulo
