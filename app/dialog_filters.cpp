// Translating the window's dialog filters and default extensions for Qt's file dialog.
#include "dialog_filters.h"

#include <QFileInfo>

namespace tegulo {

QStringList QtNameFilters(const QString& filter) {
  const QStringList parts = filter.split(u'|');
  QStringList result;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString description = parts[i].trimmed();
    QStringList patterns;
    for (const QString& p : parts[i + 1].split(u';', Qt::SkipEmptyParts)) {
      const QString pattern = p.trimmed();
      if (pattern.isEmpty()) continue;
      // Qt's "*.*" misses names without a dot; the filters mean every file.
      patterns << (pattern == QStringLiteral("*.*") ? QStringLiteral("*") : pattern);
    }
    if (patterns.isEmpty()) continue;
    if (description.endsWith(u')')) {
      const qsizetype open = description.lastIndexOf(u'(');
      if (open >= 0) description = description.left(open).trimmed();
    }
    result << QStringLiteral("%1 (%2)").arg(description, patterns.join(u' '));
  }
  return result;
}

QString QtFilter(const QString& filter) { return QtNameFilters(filter).join(QStringLiteral(";;")); }

QString WithDefaultExtension(const QString& path, const QString& defaultExt) {
  if (defaultExt.isEmpty() || path.isEmpty()) return path;
  if (QFileInfo(path).fileName().contains(u'.')) return path;
  return path + u'.' + defaultExt;
}

QString FilterExtension(const QString& filter, int index) {
  const QStringList parts = filter.split(u'|');
  const qsizetype at = 2 * static_cast<qsizetype>(index) + 1;
  if (index < 0 || at >= parts.size()) return {};
  const QString first = parts[at].split(u';', Qt::SkipEmptyParts).value(0).trimmed();
  if (!first.startsWith(QStringLiteral("*."))) return {};
  const QString ext = first.mid(2);
  if (ext.isEmpty() || ext.contains(u'*') || ext.contains(u'?')) return {};
  return ext;
}

}  // namespace tegulo
