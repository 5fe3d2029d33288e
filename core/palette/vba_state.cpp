// VisualBoyAdvance and VBA-M GBA states (.sgm): fields of fixed sizes, some only in newer
// versions, then work RAM and the palette RAM.
#include "palette/state_bytes.h"
#include "palette/state_parts.h"
#include "palette/state_readers.h"

namespace tegulo {
namespace {

constexpr std::int32_t kLastVersion = 11;
constexpr std::size_t kExternalRam = 0x40000;

}  // namespace

std::size_t VbaPaletteOffset(std::int32_t version) {
  if (version <= 2) return 0x81D7;
  if (version == 3) return 0x81DB;
  if (version <= 10) return 0x81DF;
  return 0x81FF;  // the DMA fields of version 11
}

std::int32_t VbaVersion(std::span<const std::uint8_t> stream) {
  if (stream.size() < 20) throw TError("the VisualBoyAdvance state is cut short");
  const auto version = static_cast<std::int32_t>(U32LeAt(stream, 0));
  if (version < 1 || version > kLastVersion) {
    throw TError("VisualBoyAdvance state version " + std::to_string(version) +
                 " is not supported (1 to 11 are)");
  }
  // A GBA state carries the ROM's title and game code here; a Game Boy state other bytes.
  for (std::size_t i = 4; i < 20; ++i) {
    const std::uint8_t c = stream[i];
    if (c != 0 && (c < 0x20 || c > 0x7E)) {
      throw TError("it is not a GBA state of VisualBoyAdvance (a Game Boy state?)");
    }
  }
  return version;
}

TPalette VbaPalette(std::span<const std::uint8_t> stream, TPaletteHalf half) {
  const std::size_t at = VbaPaletteOffset(VbaVersion(stream));
  // External work RAM follows the palette in every GBA state.
  if (stream.size() < at + 0x400 + kExternalRam) {
    throw TError("the VisualBoyAdvance state is cut short");
  }
  return GbaPaletteHalf(stream.subspan(at, 0x400), half);
}

}  // namespace tegulo
