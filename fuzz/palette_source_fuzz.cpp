// libFuzzer target: save states and palette files, read as their content says. Bad input may
// only be refused with a TError; both halves of a GBA palette are asked for. Palettes read
// from 24-bit files must write back and read again unchanged.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "base/uCommon.h"
#include "palette/palette_files.h"
#include "palette/palette_import.h"

namespace {

void Require(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tegulo;
  const std::span<const std::uint8_t> bytes(data, size);
  for (const TPaletteHalf half : {TPaletteHalf::Background, TPaletteHalf::Sprites}) {
    try {
      const TPalette p = ReadPaletteSource(bytes, half);
      for (const std::uint32_t c : p) Require(c <= 0x00FFFFFFu);
      const TPaletteSourceKind kind = DetectPaletteSource(bytes);
      if (kind == TPaletteSourceKind::JascPal || kind == TPaletteSourceKind::Gpl) {
        for (const auto f :
             {TPaletteFileFormat::JascPal, TPaletteFileFormat::Gpl, TPaletteFileFormat::Act}) {
          Require(ReadPaletteSource(WritePaletteFile(p, f), TPaletteHalf::Background) == p);
        }
      }
    } catch (const TError&) {
    }
  }
  return 0;
}
