// The state of editing pixels in the view: the mode, the current index and the stroke under
// way.
#pragma once

#include <QPoint>
#include <cstdint>
#include <memory>

#include "image/pixel_paint.h"
#include "screen/screen_edit.h"

namespace tegulo {

struct TTileEntry;

struct TPixelEdit {
  bool editing = false;
  std::uint8_t index = 1;  // the index drawn and filled with
  // A stroke runs from the press to the release; it belongs to the entry and the offset
  // drawn when it began, and is dropped when those change under it.
  bool stroking = false;
  bool filling = false;  // a Shift press: one fill, the moves after it draw nothing
  QPoint last;
  TPixelRect changed;
  const TTileEntry* entry = nullptr;
  std::int32_t offset = 0;
  // On a screen: its cells and tiles as the stroke changes them (null on a tile entry).
  std::unique_ptr<TScreenCanvas> canvas;
};

}  // namespace tegulo
