// The window's one way into the ROM write-back that tegulo-cli import uses.
#include "rom_import.h"

#include "base/uCommon.h"
#include "image/png_reader.h"
#include "rom/patches.h"
#include "rom/rom_file.h"
#include "rom/write_back.h"

namespace tegulo {

std::vector<std::uint8_t> ImportPictureFile(std::span<const std::uint8_t> rom,
                                            const TTileEntry& entry, const std::string& pngPath,
                                            std::uint32_t background) {
  const std::vector<std::uint8_t> file = ReadRomFile(pngPath);
  TPixelImage picture;
  try {
    picture = PictureIndices(PngForEntry(file, entry), ImportColours(entry), background);
  } catch (const TError& error) {
    throw TError(pngPath + ": " + error.what());  // which file, as tegulo-cli says it
  }
  return WriteBackPicture(rom, entry, picture).rom;
}

std::vector<std::uint8_t> MakeRomPatch(TPatchFormat format, std::span<const std::uint8_t> source,
                                       std::span<const std::uint8_t> target) {
  return format == TPatchFormat::Bps ? MakeBpsPatch(source, target) : MakeIpsPatch(source, target);
}

}  // namespace tegulo
