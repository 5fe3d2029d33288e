// The 8-bit indexed bitmap: one colour index per pixel, a 256-entry colour table.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace tegulo {

// Large pixel stores are mapped pages (zero on first touch, huge pages where the system
// allows them); small ones come from calloc.
struct PixelDeleter {
  std::size_t mappedBytes = 0;
  void operator()(std::uint8_t* p) const;
};

class TIndexedBitmap {
public:
  std::int32_t Width() const { return width_; }
  std::int32_t Height() const { return height_; }
  bool Empty() const { return width_ <= 0 || height_ <= 0; }

  // Resizes; a size of 0 or less in either direction gives an empty bitmap. A bitmap
  // whose size changes starts all index 0; the same size keeps its pixels.
  // Throws TError when the memory cannot be had.
  void SetSize(std::int32_t width, std::int32_t height);

  // Pixel row y (0 at the top), Width() bytes. y must be in 0..Height()-1.
  std::uint8_t* Row(std::int32_t y) { return pixels_.get() + RowOffset(y); }
  const std::uint8_t* Row(std::int32_t y) const { return pixels_.get() + RowOffset(y); }

  std::span<std::uint8_t> Pixels() { return {pixels_.get(), PixelCount()}; }
  std::span<const std::uint8_t> Pixels() const { return {pixels_.get(), PixelCount()}; }
  std::size_t PixelCount() const {
    return static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_);
  }

  // Colour table in 0x00RRGGBB order (blue, green, red, zero in memory).
  std::array<std::uint32_t, 256> Colours{};

private:
  std::size_t RowOffset(std::int32_t y) const {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_);
  }
  std::unique_ptr<std::uint8_t[], PixelDeleter> pixels_;
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
};

}  // namespace tegulo
