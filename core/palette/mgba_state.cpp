// mGBA GBA states: the raw state block (with or without extra data) and the PNG form, whose
// gbAs chunk holds the block as one zlib stream.
#include <zlib.h>

#include <algorithm>

#include "compress/zlib_inflate.h"
#include "palette/state_bytes.h"
#include "palette/state_parts.h"
#include "palette/state_readers.h"

namespace tegulo {
namespace {

constexpr std::size_t kPaletteRam = 0x800;
constexpr std::uint32_t kGbaMagic = 0x01000000;
constexpr std::uint32_t kGameBoyMagic = 0x00400000;
constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

std::vector<std::uint8_t> CheckedBlock(std::span<const std::uint8_t> block) {
  if (block.size() < 4) throw TError("the mGBA state is cut short");
  const std::uint32_t magic = U32LeAt(block, 0);
  if ((magic & 0xFFFFFF00u) == kGameBoyMagic) {
    throw TError("it is an mGBA Game Boy state, not a GBA state");
  }
  if ((magic & 0xFFFFFF00u) != kGbaMagic) throw TError("it holds no mGBA GBA state");
  if (block.size() < kMgbaStateSize) throw TError("the mGBA state is cut short");
  return {block.begin(), block.begin() + kMgbaStateSize};
}

}  // namespace

std::vector<std::uint8_t> MgbaRawBlock(std::span<const std::uint8_t> bytes) {
  // Extra data (a table of tagged records) may follow the block; the readers ignore it.
  return CheckedBlock(bytes);
}

std::vector<std::uint8_t> MgbaPngBlock(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < 8 ||
      !std::equal(std::begin(kPngSignature), std::end(kPngSignature), bytes.begin())) {
    throw TError("it is not a PNG image");
  }
  // Walk the chunks; the state's place among them is not fixed.
  std::size_t at = 8;
  while (bytes.size() - at >= 12) {
    const std::uint32_t length = U32BeAt(bytes, at);
    if (length > bytes.size() - at - 12) throw TError("the PNG image is cut short");
    const auto typeAndData = bytes.subspan(at + 4, 4 + std::size_t{length});
    if (StartsWith(typeAndData, "gbAs")) {
      const std::uint32_t crc = U32BeAt(bytes, at + 8 + length);
      if (crc32(0, typeAndData.data(), static_cast<uInt>(typeAndData.size())) != crc) {
        throw TError("the PNG chunk holding the state is damaged");
      }
      // The block is a fixed size: anything longer is not an mGBA state.
      return CheckedBlock(InflateZlib(typeAndData.subspan(4), kMgbaStateSize));
    }
    if (StartsWith(typeAndData, "IEND")) break;
    at += 12 + std::size_t{length};
  }
  throw TError("it is a PNG image without an mGBA state in it");
}

TPalette MgbaRawPalette(std::span<const std::uint8_t> bytes, TPaletteHalf half) {
  const std::vector<std::uint8_t> block = MgbaRawBlock(bytes);
  return GbaPaletteHalf(std::span(block).subspan(kPaletteRam, 0x400), half);
}

TPalette MgbaPngPalette(std::span<const std::uint8_t> bytes, TPaletteHalf half) {
  const std::vector<std::uint8_t> block = MgbaPngBlock(bytes);
  return GbaPaletteHalf(std::span(block).subspan(kPaletteRam, 0x400), half);
}

}  // namespace tegulo
