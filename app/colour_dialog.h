// The colour picker of the palette grid: Qt's colour dialog with the console word of the
// colour shown beside it.
#pragma once

#include <QColor>
#include <optional>

class QWidget;

namespace tegulo {

// Opens the dialog at `initial` with its custom colours shown; the chosen colour, or nothing
// on Cancel. A line under the colour names the 15-bit word the colour becomes and the colour
// the console shows for it; the caller snaps the result.
std::optional<QColor> PickConsoleColour(QColor initial, QWidget* parent);

}  // namespace tegulo
