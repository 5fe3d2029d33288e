// Entry colours (0x00BBGGRR) to and from Qt's colours.
#pragma once

#include <QColor>
#include <cstdint>

namespace tegulo {

inline QColor ToQColor(std::uint32_t c) {
  return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                static_cast<int>((c >> 16) & 0xFF));
}

// The alpha channel is dropped.
inline std::uint32_t FromQColor(const QColor& c) {
  return static_cast<std::uint32_t>(c.red()) | (static_cast<std::uint32_t>(c.green()) << 8) |
         (static_cast<std::uint32_t>(c.blue()) << 16);
}

}  // namespace tegulo
