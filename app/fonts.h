// The window's faces: the classic ones where the machine has them, close ones otherwise.
#pragma once

#include <QFont>

namespace tegulo {

// "MS Sans Serif" (else "DejaVu Sans"), 11 pixels: the window font.
QFont WindowFont();
// "MS Serif" (else "DejaVu Serif"), 11 pixels: the font of the two drop-down lists.
QFont ListFont();

}  // namespace tegulo
