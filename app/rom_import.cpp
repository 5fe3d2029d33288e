// The window's one way into the ROM write-back that tegulo-cli import uses.
#include "rom_import.h"

#include <QImage>

#include "base/uCommon.h"
#include "rom/rom_file.h"
#include "tiles/tile_encoders.h"
#include "tiles/uTiles.h"

namespace tegulo {

// Stand-in until the core write-back is there: plain entries and indexed pictures only.
std::vector<std::uint8_t> ImportPictureFile(std::span<const std::uint8_t> rom,
                                            const TTileEntry& entry, const std::string& pngPath) {
  const std::vector<std::uint8_t> file = ReadRomFile(pngPath);
  QImage image;
  if (!image.loadFromData(file.data(), static_cast<int>(file.size()), "PNG")) {
    throw TError("Not a PNG file");
  }
  if (image.format() != QImage::Format_Indexed8)
    image = image.convertToFormat(QImage::Format_Indexed8);
  if (entry.Template == 0 || entry.Template >= kTemplateCount)
    throw TError("The entry has no template");
  if (entry.Compression != 0) throw TError("Compressed entries cannot be imported yet");
  const bool pc = entry.Template == 9;
  const std::int32_t w = pc ? entry.Width : entry.Width * 8;
  const std::int32_t h = pc ? entry.Height : entry.Height * 8;
  if (image.width() != w || image.height() != h) {
    throw TError("The picture is " + std::to_string(image.width()) + " x " +
                 std::to_string(image.height()) + " pixels; the entry shows " + std::to_string(w) +
                 " x " + std::to_string(h));
  }
  TPixelImage pixels{w, h, std::vector<std::uint8_t>(static_cast<std::size_t>(w) * h)};
  for (int y = 0; y < h; ++y) {
    const uchar* line = image.constScanLine(y);
    std::copy(line, line + w, pixels.pixels.begin() + static_cast<std::ptrdiff_t>(y) * w);
  }
  const std::size_t size = TemplateDataSize(entry.Template, entry.Width, entry.Height);
  const std::int64_t at = static_cast<std::int64_t>(entry.Address) + entry.Offset;
  if (at < 0 || static_cast<std::uint64_t>(at) + size > rom.size()) {
    throw TError("The tiles do not fit inside the ROM");
  }
  std::vector<std::uint8_t> result(rom.begin(), rom.end());
  try {
    EncodeTilesInto(entry.Template, pixels,
                    std::span(result).subspan(static_cast<std::size_t>(at), size));
  } catch (const std::invalid_argument& e) {
    throw TError(e.what());
  }
  return result;
}

std::vector<std::uint8_t> MakeRomPatch(TPatchFormat, std::span<const std::uint8_t>,
                                       std::span<const std::uint8_t>) {
  throw TError("Patches cannot be written yet");
}

}  // namespace tegulo
