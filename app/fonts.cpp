// The window's faces: the classic ones where the machine has them, close ones otherwise.
#include "fonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace tegulo {

namespace {

constexpr int kPixelSize = 11;  // 8 point on a 96-dpi screen

QFont FirstAvailable(const QStringList& families, QFont::StyleHint hint) {
  QFont font;
  font.setStyleHint(hint);
  font.setFamily(families.back());
  for (const QString& family : families) {
    if (QFontDatabase::hasFamily(family)) {
      font.setFamily(family);
      break;
    }
  }
  font.setPixelSize(kPixelSize);
  return font;
}

}  // namespace

QFont WindowFont() {
  return FirstAvailable({QStringLiteral("MS Sans Serif"), QStringLiteral("DejaVu Sans")},
                        QFont::SansSerif);
}

QFont ListFont() {
  return FirstAvailable({QStringLiteral("MS Serif"), QStringLiteral("DejaVu Serif")}, QFont::Serif);
}

}  // namespace tegulo
