// The text of an error message box.
#pragma once

#include <string>
#include <string_view>

namespace tegulo {

// The message as the error box shows it: a full stop is added when the last character
// sorts after "." (so "x not found" gets one, "Done." and "Size (4)" do not).
std::string ErrorBoxText(std::string_view message);

}  // namespace tegulo
