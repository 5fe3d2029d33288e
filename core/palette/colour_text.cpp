// Parsing typed colours.
#include "palette/colour_text.h"

#include <string>

#include "base/numbers.h"
#include "base/uCommon.h"

namespace tegulo {

std::uint32_t ParseColour(std::string_view text) {
  const std::string_view hex = text.substr(text.starts_with('#') ? 1 : 0);
  const std::optional<std::uint32_t> rgb = hex.size() == 6 ? TryParseHexDigits(hex) : std::nullopt;
  if (!rgb) throw TError("'" + std::string(text) + "' is not a valid colour (RRGGBB)");
  return SwapRedBlue(*rgb);  // 0x00RRGGBB to entry order; the swap is its own inverse
}

}  // namespace tegulo
