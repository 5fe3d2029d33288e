// Drawing an entry: bitmap size, colour table, choice of the tile source, decoder.
#include "image/render.h"

#include <algorithm>
#include <limits>
#include <string>

#include "base/uCommon.h"
#include "compress/uCompress.h"
#include "entries/limits.h"
#include "tiles/safe_entry.h"
#include "tiles/uTiles.h"

namespace tegulo {
namespace {

// Sizes the bitmap to 8 x w by 8 x h pixels, empty when either count is 0 or less. A damaged
// entry may hold counts whose pixel sides do not fit the bitmap's 32-bit sizes: that is an
// image we cannot hold, reported like any other allocation that fails.
void SizeBitmap(TIndexedBitmap& bmp, std::int32_t w, std::int32_t h) {
  if (w <= 0 || h <= 0) {
    bmp.SetSize(0, 0);
    return;
  }
  constexpr std::int64_t kMaxSide = std::numeric_limits<std::int32_t>::max();
  const std::int64_t pw = 8LL * w;
  const std::int64_t ph = 8LL * h;
  if (pw > kMaxSide || ph > kMaxSide) {
    throw TError("Not enough memory for an image of " + std::to_string(pw) + " x " +
                 std::to_string(ph) + " pixels");
  }
  bmp.SetSize(static_cast<std::int32_t>(pw), static_cast<std::int32_t>(ph));
}

}  // namespace

bool WithinDrawLimit(const TTileEntry& e) {
  // A side of 0 or less makes an empty bitmap, whatever the other side holds.
  return e.Width <= 0 || e.Height <= 0 || (e.Width <= kMaxTiles && e.Height <= kMaxTiles);
}

std::string TooLargeToDrawText(const TTileEntry& e) {
  return "Entry too large to draw (" + std::to_string(e.Width) + " x " + std::to_string(e.Height) +
         " tiles; at most " + std::to_string(kMaxTiles) + " x " + std::to_string(kMaxTiles) + ")";
}

void DrawTiles(TIndexedBitmap& bmp, const TTileEntry& e, std::span<const std::uint8_t> rom,
               std::span<const std::uint8_t> decoded, std::uint32_t background) {
  if (e.Template == kTemplateNone) return;  // no template: the bitmap keeps the last image drawn
  if (!WithinDrawLimit(e)) throw TError(TooLargeToDrawText(e));

  SizeBitmap(bmp, e.Width, e.Height);

  std::copy(std::begin(e.Palette), std::end(e.Palette), bmp.Colours.begin());
  bmp.Colours[0] = background;
  SwapRedBlue(bmp.Colours, static_cast<std::int32_t>(bmp.Colours.size()));

  // Templates above 9 (only from a damaged document) stop here: sized and coloured, no pixel.
  if (!SafeReading(e).drawable) return;
  const TByteSource src = e.Compression != kSchemeNone
                              ? TByteSource{decoded, static_cast<std::int64_t>(e.Offset)}
                              : TByteSource{rom, static_cast<std::int64_t>(e.Address) + e.Offset};
  DrawTemplate(e.Template, bmp, src, e.Width, e.Height);
}

}  // namespace tegulo
