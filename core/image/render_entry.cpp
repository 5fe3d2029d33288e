// The render pipeline of one entry.
#include "image/render_entry.h"

#include "image/png_writer.h"
#include "image/render.h"

namespace tegulo {

TUnpackReport RenderEntryToPng(TTileEntry& e, std::span<const std::uint8_t> rom,
                               std::uint32_t background, const std::string& path) {
  TDecodeBuffer buffer(kDecodeBufferSize);
  const TUnpackReport report = UnpackEntry(e, rom, buffer);
  TIndexedBitmap bmp;
  DrawTiles(bmp, e, rom, buffer, background);
  WritePng(path, bmp);
  return report;
}

TUnpackReport RenderEntryToPng(TTileEntry& e, std::span<const std::uint8_t> rom,
                               std::uint32_t background, TAtomicFile& file) {
  TDecodeBuffer buffer(kDecodeBufferSize);
  const TUnpackReport report = UnpackEntry(e, rom, buffer);
  TIndexedBitmap bmp;
  DrawTiles(bmp, e, rom, buffer, background);
  WritePng(file, bmp);
  return report;
}

}  // namespace tegulo
