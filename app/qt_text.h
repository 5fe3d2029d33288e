// Entry names and table names are single-byte text; these convert them to and from Qt.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace tegulo {

inline QString FromLatin1(std::string_view text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// Characters outside Latin-1 become "?".
inline std::string ToLatin1(const QString& text) { return text.toLatin1().toStdString(); }

}  // namespace tegulo
