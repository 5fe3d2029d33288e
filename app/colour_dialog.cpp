// The colour picker of the palette grid.
#include "colour_dialog.h"

#include <QColorDialog>
#include <QLabel>
#include <QLayout>

#include "palette/console_words.h"
#include "qt_colour.h"

namespace tegulo {

std::optional<QColor> PickConsoleColour(QColor initial, QWidget* parent) {
  QColorDialog dialog(initial, parent);
  auto* word = new QLabel(&dialog);
  word->setObjectName(QStringLiteral("lConsoleWord"));
  const auto show = [word](const QColor& colour) {
    word->setText(QString::fromStdString(ConsoleWordText(FromQColor(colour))));
  };
  show(initial);
  QObject::connect(&dialog, &QColorDialog::currentColorChanged, word, show);
  if (QLayout* layout = dialog.layout()) layout->addWidget(word);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.selectedColor();
}

}  // namespace tegulo
