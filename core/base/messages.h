// The text of an error message box.
#pragma once

#include <string>
#include <string_view>

namespace tegulo {

// The message as the error box shows it: a full stop is added when the last character
// sorts after "." (so "x not found" gets one, "Done." and "Size (4)" do not).
std::string ErrorBoxText(std::string_view message);

// User text as it is echoed in a message: control characters (below 0x20, and 0x7F) become
// "\xHH" with lower-case digits, so an escape sequence in a name cannot act on a terminal;
// everything else is kept.
std::string EscapeControls(std::string_view text);

}  // namespace tegulo
