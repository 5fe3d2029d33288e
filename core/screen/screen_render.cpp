// The render pipeline of a screen.
#include "screen/screen_render.h"

#include "image/png_writer.h"

namespace tegulo {

TScreenRenderReport RenderScreenToPng(TTileEntry& e, const TScreen& s,
                                      std::span<const std::uint8_t> rom, std::uint32_t background,
                                      const std::string& path) {
  CheckScreen(s, e);
  TDecodeBuffer buffer(kDecodeBufferSize);
  TScreenRenderReport report;
  report.unpack = UnpackEntry(e, rom, buffer);
  TIndexedBitmap bmp;
  report.draw = DrawScreen(bmp, e, s, rom, buffer, background);
  WritePng(path, bmp);
  return report;
}

}  // namespace tegulo
