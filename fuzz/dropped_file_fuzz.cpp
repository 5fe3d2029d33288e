// libFuzzer target: a dropped file's start told apart (foreign content, the kinds by name),
// and a screen's map bytes read under the pointer and for a changed cell. Nothing may crash;
// a foreign kind is one of the named ones.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "base/uCommon.h"
#include "rom/dropped_file.h"
#include "screen/cell_edit.h"
#include "screen/hover_texts.h"

namespace {

void Require(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tegulo;
  const std::span<const std::uint8_t> bytes(data, size);
  for (const bool whole : {false, true}) {
    const std::string what = ForeignContent(bytes, whole);
    Require(what.empty() || what == "text" || what.rfind("a ", 0) == 0 ||
            what.rfind("an ", 0) == 0);
    for (const char* name : {"file", "game.sfc", "notes.txt", "shot.png", "list.tgl"}) {
      const TDroppedFile kind = ClassifyDroppedFile(name, bytes, whole);
      Require(kind != TDroppedFile::Foreign || !what.empty());
    }
  }
  if (size < 4) return 0;
  // The first bytes choose the map; the rest are its bytes.
  TScreen s;
  s.format = data[0] % kMapFormatCount;
  s.width = 1 + data[1] % 64;
  s.height = 1 + data[2] % 64;
  s.paletteBase = static_cast<std::int8_t>(data[3]);
  const std::span<const std::uint8_t> map = bytes.subspan(4);
  for (std::int32_t y = 0; y < 8 * s.height; y += 13) {
    for (std::int32_t x = 0; x < 8 * s.width; x += 11) {
      ScreenCellText(s, 4, map, x, y, 16);
      const TMapCell cell = CellAt(s, map, x / 8, y / 8);
      Require(cell.tile <= MapFormats()[static_cast<std::size_t>(s.format)].MaxTile());
    }
  }
  try {
    MapCellBand(s, map, 0, 0, TMapCell{});
  } catch (const TError&) {
  }
  return 0;
}
