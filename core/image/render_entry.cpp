// The render pipeline of one entry.
#include "image/render_entry.h"

#include "image/png_writer.h"
#include "image/render.h"

namespace tegulo {

void ExportImage(const std::string& path, const TIndexedBitmap& bmp) {
  // The transparent index is worked out by the writer; the bitmap itself is never marked,
  // so nothing on it changes, whether the writing succeeds or not.
  WritePng(path, bmp);
}

TUnpackReport RenderEntryToPng(TTileEntry& e, std::span<const std::uint8_t> rom,
                               std::uint32_t background, const std::string& path) {
  TDecodeBuffer buffer(kDecodeBufferSize);
  const TUnpackReport report = UnpackEntry(e, rom, buffer);
  TIndexedBitmap bmp;
  DrawTiles(bmp, e, rom, buffer, background);
  ExportImage(path, bmp);
  return report;
}

}  // namespace tegulo
