// The window's one way into the ROM write-back that tegulo-cli import uses.
#include "rom_import.h"

#include "base/uCommon.h"
#include "image/png_reader.h"
#include "rom/patches.h"
#include "rom/rom_file.h"
#include "rom/write_back.h"

namespace tegulo {

TPixelImage ReadImportPicture(const TTileEntry& entry, const std::string& pngPath,
                              std::uint32_t background, TColourMatch match,
                              TColourMatchReport* report) {
  const std::vector<std::uint8_t> file = ReadRomFile(pngPath);
  try {
    return PictureIndices(PngForEntry(file, entry), ImportColours(entry), background, match,
                          report);
  } catch (const TColoursNotInPalette& error) {
    throw TColoursNotInPalette(pngPath + ": " + error.what());
  } catch (const TError& error) {
    throw TError(pngPath + ": " + error.what());  // which file, as tegulo-cli says it
  }
}

std::vector<std::uint8_t> ImportPictureFile(std::span<const std::uint8_t> rom,
                                            const TTileEntry& entry, const std::string& pngPath,
                                            std::uint32_t background, TColourMatch match,
                                            TColourMatchReport* report) {
  return WriteBackPicture(rom, entry, ReadImportPicture(entry, pngPath, background, match, report))
      .rom;
}

std::vector<std::uint8_t> MakeRomPatch(TPatchFormat format, std::span<const std::uint8_t> source,
                                       std::span<const std::uint8_t> target) {
  return format == TPatchFormat::Bps ? MakeBpsPatch(source, target) : MakeIpsPatch(source, target);
}

}  // namespace tegulo
