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

}  // namespace tegulo
