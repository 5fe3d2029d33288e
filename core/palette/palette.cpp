// MakeMonoPalette: the grey ramp of n colours, black to white or reversed (the other functions
// of palette.h are in palette_sources.cpp).
#include "palette/palette.h"

#include <algorithm>

namespace tegulo {

void MakeMonoPalette(std::span<std::uint32_t> colours, std::int32_t n, bool reverse) {
  if (n <= 0) return;
  if (n == 1) {
    if (!colours.empty()) colours[0] = 0;
    return;
  }
  const std::int64_t count = n;
  const std::int64_t limit = static_cast<std::int64_t>(colours.size());
  for (std::int64_t i = 0; i < count; ++i) {
    const std::uint32_t v = static_cast<std::uint32_t>(i * 255 / (count - 1));
    const std::int64_t at = reverse ? count - 1 - i : i;
    if (at < limit) colours[static_cast<std::size_t>(at)] = v * 65793u;
  }
}

}  // namespace tegulo
