// Bitmap storage. Large bitmaps are mapped pages, so that untouched pixels cost nothing
// and the first draw of a huge image is not dominated by page faults.
#include "base/bitmap.h"

#include <sys/mman.h>

#include <cstdlib>
#include <string>

#include "base/uCommon.h"

namespace tegulo {
namespace {

constexpr std::size_t kMapThreshold = std::size_t{8} << 20;

}  // namespace

void PixelDeleter::operator()(std::uint8_t* p) const {
  if (mappedBytes != 0) {
    ::munmap(p, mappedBytes);
  } else {
    std::free(p);
  }
}

void TIndexedBitmap::SetSize(std::int32_t width, std::int32_t height) {
  if (width <= 0 || height <= 0) width = height = 0;
  if (width == width_ && height == height_) return;
  pixels_.reset();
  width_ = height_ = 0;
  if (width == 0) return;
  const std::size_t n = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  std::uint8_t* p = nullptr;
  std::size_t mapped = 0;
  if (n >= kMapThreshold) {
    void* m = ::mmap(nullptr, n, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (m != MAP_FAILED) {
#ifdef MADV_HUGEPAGE
      ::madvise(m, n, MADV_HUGEPAGE);
#endif
      p = static_cast<std::uint8_t*>(m);
      mapped = n;
    }
  } else {
    p = static_cast<std::uint8_t*>(std::calloc(n, 1));
  }
  if (p == nullptr) {
    throw TError("Not enough memory for an image of " + std::to_string(width) + " x " +
                 std::to_string(height) + " pixels");
  }
  pixels_ = std::unique_ptr<std::uint8_t[], PixelDeleter>(p, PixelDeleter{mapped});
  width_ = width;
  height_ = height;
}

}  // namespace tegulo
