// Colours as the user types them.
#pragma once

#include <cstdint>
#include <string_view>

namespace tegulo {

// "RRGGBB", six hexadecimal digits of red, green and blue in either letter case, after an
// optional "#", as an entry colour (0x00BBGGRR). Throws TError
// "'<text>' is not a valid colour (RRGGBB)" for any other text.
std::uint32_t ParseColour(std::string_view text);

}  // namespace tegulo
