// PNG export: the bytes from the indexed encoder, the file through the safe-write path.
#include "image/png_writer.h"

#include "base/uCommon.h"
#include "image/png_encode.h"
#include "io/safe_write.h"

namespace tegulo {

int TransparentIndex(const TIndexedBitmap& bmp) {
  if (bmp.Empty()) return -1;
  const std::uint32_t rgb = bmp.Colours[bmp.Row(bmp.Height() - 1)[0]] & 0x00FFFFFFu;
  int k = 0;
  while ((bmp.Colours[static_cast<std::size_t>(k)] & 0x00FFFFFFu) != rgb) ++k;
  return k;
}

void WritePng(TAtomicFile& file, const TIndexedBitmap& bmp, const TPngProgress& progress) {
  if (bmp.Empty()) throw TError("There is no image to export");
  EncodeIndexedPng(
      bmp, TransparentIndex(bmp), [&](std::span<const std::uint8_t> b) { file.Write(b); },
      progress);
  file.Prepare();
}

void WritePng(const std::string& path, const TIndexedBitmap& bmp, const TPngProgress& progress) {
  if (bmp.Empty()) throw TError("There is no image to export");
  TAtomicFile file(path);
  WritePng(file, bmp, progress);
  file.Commit();
}

}  // namespace tegulo
