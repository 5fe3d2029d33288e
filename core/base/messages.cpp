// The text of an error message box.
#include "base/messages.h"

namespace tegulo {

std::string ErrorBoxText(std::string_view message) {
  std::string text(message);
  // Bytes compare unsigned, so a UTF-8 tail byte (0x80..0xBF) sorts after "." as the
  // character it ends would.
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
  return text;
}

std::string EscapeControls(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(text.size());
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c == 0x7F) {
      out += "\\x";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += ch;
    }
  }
  return out;
}

}  // namespace tegulo
