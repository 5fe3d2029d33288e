// "Import Picture as Screen…": a picture made into tiles, a map and palettes of its own, all
// three written into the ROM as one step of Undo.
#include "MainUnit.h"
#include "base/numbers.h"
#include "convert/convert_write.h"
#include "line_edit.h"
#include "palette/palette.h"
#include "qt_text.h"
#include "rom/palette_write.h"
#include "rom/relocate.h"
#include "rom/rom_file.h"

namespace tegulo {

void TfmMain::aImportAsScreenClick() {
  if (!RomOpen || CurEntry == nullptr) return;
  const auto it = Screens.find(CurEntry);
  if (it == Screens.end()) return;
  const std::optional<QString> name =
      Execute({TFileDialog::TKind::Open, QStringLiteral("PNG Image (*.png)|*.png|ALL (*.*)|*.*"),
               QStringLiteral("png")},
              TFileKind::Picture);
  if (!name) return;
  const std::optional<QString> text = prompts_->AskText(
      QStringLiteral("Import Picture as Screen"),
      QStringLiteral("Address for the palettes made from the picture:"), ePalAddress->text());
  if (!text) return;
  const TPaletteTarget target = ParsePaletteTarget(text->trimmed().toStdString());
  const std::string path = LocalPath(*name);
  const std::vector<std::uint8_t> file = ReadRomFile(path);
  const TPngPicture picture = ReadPng(file);
  TScreenPaletteResult r;
  std::vector<TRelocation> moved;
  try {
    r = RebuildWithPalettes(RomData, *CurEntry, it->second, picture, target.address);
  } catch (const TStreamDoesNotFit& grown) {
    // A packed map or tile set that grew: the relocation offer, as for an import.
    const std::optional<TRelocateOptions> where = AskStreamPlace(grown.what());
    if (!where) return;
    r = RebuildWithPalettesRelocating(RomData, *CurEntry, it->second, picture, target.address,
                                      *where, &moved);
    QString question = QStringLiteral("Write the screen's grown streams elsewhere?");
    for (const std::string& line : r.screen.lines) question += "\n" + QString::fromStdString(line);
    if (!prompts_->Confirm(question)) return;
  } catch (const TError& error) {
    throw TError(path + ": " + error.what());
  }
  const std::int32_t tilesFrom = CurEntry->Address;
  const std::int32_t mapFrom = it->second.mapAddress;
  PushRomImage(std::move(r.screen.rom), false, "Import");
  if (!moved.empty()) {
    // The entry and its screen follow their streams, and Undo takes them back.
    const std::uint64_t serial = RomHistory.UndoStep()->serial;
    const std::int32_t tilesTo = r.screen.entry.Address;
    const std::int32_t mapTo = r.screen.screen.mapAddress;
    if (tilesTo != tilesFrom) {
      CurEntry->Address = tilesTo;
      EntryMoves.push_back({serial, CurEntry, tilesFrom, tilesTo, false});
    }
    if (mapTo != mapFrom) {
      it->second.mapAddress = mapTo;
      EntryMoves.push_back({serial, CurEntry, mapFrom, mapTo, true});
    }
    eAddress->setText(QString::fromStdString(FormatAddress(CurEntry->Address)));
  }
  // The view shows the palettes made, where the screen draws them.
  const int bpp = TileTemplates[CurEntry->Template].Value;
  const int shift = bpp >= 8 ? 0 : (it->second.paletteBase << bpp) & 0xFF;
  for (std::size_t i = 0; 2 * i + 1 < r.conversion.palettes.size(); ++i) {
    CurEntry->Palette[(static_cast<std::size_t>(shift) + i) & 0xFF] =
        ConsoleColour(static_cast<std::uint16_t>(r.conversion.palettes[2 * i] |
                                                 r.conversion.palettes[2 * i + 1] << 8));
  }
  ePalAddress->setText(QString::fromStdString(FormatAddress(target.address)));
  RefreshEntry();
  Redraw();
  ShowStatus(QString::fromStdString(r.conversion.Summary()));
}

}  // namespace tegulo
