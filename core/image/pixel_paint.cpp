// Drawing into the tile bitmap by hand.
#include "image/pixel_paint.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "tiles/tile_formats.h"

namespace tegulo {

void TPixelRect::Add(std::int32_t x, std::int32_t y) {
  if (Empty()) {
    *this = {x, y, x, y};
    return;
  }
  left = std::min(left, x);
  top = std::min(top, y);
  right = std::max(right, x);
  bottom = std::max(bottom, y);
}

void TPixelRect::Add(const TPixelRect& other) {
  if (other.Empty()) return;
  Add(other.left, other.top);
  Add(other.right, other.bottom);
}

TPixelRect DrawPixelLine(TIndexedBitmap& bitmap, std::int32_t x0, std::int32_t y0, std::int32_t x1,
                         std::int32_t y1, std::uint8_t index) {
  // Bresenham's walk in 64 bits, so that no difference of two coordinates can overflow.
  TPixelRect changed;
  std::int64_t x = x0, y = y0;
  const std::int64_t dx = std::llabs(std::int64_t{x1} - x0);
  const std::int64_t dy = -std::llabs(std::int64_t{y1} - y0);
  const int sx = x0 < x1 ? 1 : -1;
  const int sy = y0 < y1 ? 1 : -1;
  std::int64_t err = dx + dy;
  for (;;) {
    if (x >= 0 && y >= 0 && x < bitmap.Width() && y < bitmap.Height()) {
      std::uint8_t& p = bitmap.Row(static_cast<std::int32_t>(y))[x];
      if (p != index) {
        p = index;
        changed.Add(static_cast<std::int32_t>(x), static_cast<std::int32_t>(y));
      }
    }
    if (x == x1 && y == y1) break;
    const std::int64_t e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y += sy;
    }
  }
  return changed;
}

namespace {

// A run of pixels of one row still to be filled from, and the row it was found from.
struct TSpan {
  std::int32_t left, right, y;
};

// Fills the run of `from` pixels around (x, y) in row y and returns its ends.
std::pair<std::int32_t, std::int32_t> FillRun(std::uint8_t* row, std::int32_t width, std::int32_t x,
                                              std::uint8_t from, std::uint8_t to) {
  std::int32_t left = x;
  while (left > 0 && row[left - 1] == from) --left;
  std::int32_t right = x;
  while (right + 1 < width && row[right + 1] == from) ++right;
  std::memset(row + left, to, static_cast<std::size_t>(right - left + 1));
  return {left, right};
}

}  // namespace

TPixelRect FloodFillPixels(TIndexedBitmap& bitmap, std::int32_t x, std::int32_t y,
                           std::uint8_t index) {
  TPixelRect changed;
  if (x < 0 || y < 0 || x >= bitmap.Width() || y >= bitmap.Height()) return changed;
  const std::uint8_t from = bitmap.Row(y)[x];
  if (from == index) return changed;
  const std::int32_t width = bitmap.Width();
  std::vector<TSpan> work;
  const auto [l, r] = FillRun(bitmap.Row(y), width, x, from, index);
  changed.Add(l, y);
  changed.Add(r, y);
  work.push_back({l, r, y});
  while (!work.empty()) {
    const TSpan span = work.back();
    work.pop_back();
    for (const std::int32_t ny : {span.y - 1, span.y + 1}) {
      if (ny < 0 || ny >= bitmap.Height()) continue;
      std::uint8_t* row = bitmap.Row(ny);
      for (std::int32_t nx = span.left; nx <= span.right; ++nx) {
        if (row[nx] != from) continue;
        const auto [a, b] = FillRun(row, width, nx, from, index);
        changed.Add(a, ny);
        changed.Add(b, ny);
        work.push_back({a, b, ny});
        nx = b;
      }
    }
  }
  return changed;
}

TEditBand EditBand(const TTileEntry& entry, const TIndexedBitmap& bitmap, const TPixelRect& rows) {
  const TTileFormat* format = FindTileFormat(entry.Template);
  bool narrow = entry.Compression == 0 && format != nullptr && format->bytesPerTile > 0 &&
                !rows.Empty() && bitmap.Width() == 8 * entry.Width;
  std::int32_t firstRow = 0;
  std::int32_t lastRow = std::max(bitmap.Height() / 8 - 1, 0);
  TEditBand band{entry, {}};
  if (narrow) {
    firstRow = std::clamp(rows.top / 8, 0, lastRow);
    lastRow = std::clamp(rows.bottom / 8, firstRow, lastRow);
    const std::int64_t skip =
        std::int64_t{firstRow} * entry.Width * format->bytesPerTile + entry.Offset;
    narrow = skip <= INT32_MAX;  // else the whole entry, which the write-back refuses itself
    if (narrow) {
      band.entry.Offset = static_cast<std::int32_t>(skip);
      band.entry.Height = lastRow - firstRow + 1;
    }
  }
  const std::int32_t top = narrow ? firstRow * 8 : 0;
  const std::int32_t height = narrow ? band.entry.Height * 8 : bitmap.Height();
  band.picture.width = bitmap.Width();
  band.picture.height = height;
  band.picture.pixels.resize(static_cast<std::size_t>(bitmap.Width()) *
                             static_cast<std::size_t>(height));
  for (std::int32_t y = 0; y < height; ++y) {
    std::memcpy(band.picture.pixels.data() + static_cast<std::size_t>(y) * bitmap.Width(),
                bitmap.Row(top + y), static_cast<std::size_t>(bitmap.Width()));
  }
  return band;
}

}  // namespace tegulo
