// File names and printable text from entry names.
#include "entries/file_names.h"

#include <cstdio>

namespace tegulo {

std::string SafeFileName(std::string_view name) {
  std::string out(name);
  for (char& c : out) {
    const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      c == '-' || c == '_';
    if (!keep) c = '_';
  }
  return out;
}

std::string ExportFileName(std::size_t index, std::string_view name) {
  char number[32];
  std::snprintf(number, sizeof number, "%03zu", index);
  return std::string(number) + "-" + SafeFileName(name) + ".png";
}

std::string PrintableName(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  for (const char ch : name) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0)) {
      out += '?';
    } else if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(0xC0 | c >> 6);
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

}  // namespace tegulo
