// Bitmap storage. Large bitmaps come from calloc so that untouched pages cost nothing.
#include "bitmap.h"

#include <string>

#include "uCommon.h"

namespace tegulo {

void TIndexedBitmap::SetSize(std::int32_t width, std::int32_t height) {
  if (width <= 0 || height <= 0) width = height = 0;
  if (width == width_ && height == height_) return;
  pixels_.reset();
  width_ = height_ = 0;
  if (width == 0) return;
  const std::size_t n = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  auto* p = static_cast<std::uint8_t*>(std::calloc(n, 1));
  if (p == nullptr) {
    throw TError("Not enough memory for an image of " + std::to_string(width) + " x " +
                 std::to_string(height) + " pixels");
  }
  pixels_.reset(p);
  width_ = width;
  height_ = height;
}

}  // namespace tegulo
