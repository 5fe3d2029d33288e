// The window's pictures: button pictures and the application icon, from the resources.
#include "pictures.h"

#include <QString>

namespace tegulo {

QIcon ButtonPicture(const char* name) {
  QIcon icon;
  const QString base = QStringLiteral(":/icons/%1").arg(QString::fromLatin1(name));
  for (const QString& file : {base + QStringLiteral(".png"), base + QStringLiteral("@2x.png")}) {
    QPixmap picture(file);
    if (!picture.isNull()) icon.addPixmap(picture);
  }
  return icon;
}

QIcon AppIcon() {
  QIcon icon;
  for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
    icon.addFile(QStringLiteral(":/icons/app/%1-%2.png").arg(QString::fromLatin1(kAppId)).arg(size),
                 QSize(size, size));
  }
  return icon;
}

}  // namespace tegulo
