// Colour byte-order conversion shared by the renderer and the exporter.
#include "base/uCommon.h"

#include <algorithm>

namespace tegulo {

void SwapRedBlue(std::span<std::uint32_t> colours, std::int32_t count) {
  if (count <= 0) return;
  const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(count), colours.size());
  for (std::size_t i = 0; i < n; ++i) colours[i] = SwapRedBlue(colours[i]);
}

}  // namespace tegulo
