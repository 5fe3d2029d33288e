// Entry names and table names are single-byte text; these convert them to and from Qt.
// Also the file names that the core opens.
#pragma once

#include <QFile>
#include <QString>
#include <string>
#include <string_view>

namespace tegulo {

inline QString FromLatin1(std::string_view text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// Characters outside Latin-1 become "?".
inline std::string ToLatin1(const QString& text) { return text.toLatin1().toStdString(); }

// A path as the system's file functions take it.
inline std::string LocalPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

}  // namespace tegulo
