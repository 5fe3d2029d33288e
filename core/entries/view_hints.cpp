// What the window's empty view says to do first.
#include "entries/view_hints.h"

namespace tegulo {

std::string EmptyViewHint(bool romOpen, bool hasEntry) {
  static const std::string kDocument =
      "load a document (the toolbar's load button, or drop a .tgl file here), or type a tile "
      "address at the right and press Enter to add an entry.";
  static const std::string kKeys =
      "\n\nIn the view (click it first): Left/Right step a tile, Up/Down a row, Page Up/Page Down "
      "a "
      "screen, Shift+Left/Right a byte, Home goes back to the start; the wheel steps rows and "
      "Ctrl+wheel zooms. E edits pixels. Right-click for more.";
  if (!romOpen) {
    return "Open a ROM first: Ctrl+O, the button at the top left, or drop a ROM file here.\nThen " +
           kDocument + kKeys;
  }
  if (!hasEntry) return "To see graphics, " + kDocument + kKeys;
  return "Choose a tile template for this entry." + kKeys;
}

}  // namespace tegulo
