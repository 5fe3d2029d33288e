// ZSNES save states: the palette is the 512 bytes at offset 1560.
#include <algorithm>

#include "palette/state_readers.h"

namespace tegulo {
namespace {
constexpr std::size_t kZsnesPaletteOffset = 1560;
}  // namespace

TPalette ZsnesPalette(std::span<const std::uint8_t> bytes) {
  TPalette out{};
  if (bytes.size() <= kZsnesPaletteOffset) return out;
  const auto words = bytes.subspan(kZsnesPaletteOffset);
  const std::size_t n = std::min<std::size_t>(words.size() / 2, 256);
  for (std::size_t i = 0; i < n; ++i) {
    out[i] = ConsoleColour(static_cast<std::uint16_t>(words[2 * i] | (words[2 * i + 1] << 8)));
  }
  return out;
}

TPalette GbaPaletteHalf(std::span<const std::uint8_t> ram, TPaletteHalf half) {
  TPalette out{};
  const std::size_t start = half == TPaletteHalf::Sprites ? 512 : 0;
  for (std::size_t i = 0; i < 256; ++i) {
    const std::size_t at = start + 2 * i;
    out[i] = ConsoleColour(static_cast<std::uint16_t>(ram[at] | (ram[at + 1] << 8)));
  }
  return out;
}

}  // namespace tegulo
