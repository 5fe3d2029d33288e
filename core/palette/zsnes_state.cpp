// The palette half of a GBA state's palette memory.
#include "palette/state_readers.h"

namespace tegulo {
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
