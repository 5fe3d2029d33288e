// libFuzzer target: the tile decoders through the drawing, with a random template, size,
// offset and address over the input as the ROM or the working buffer.
#include <algorithm>

#include "base/bitmap.h"
#include "fuzz_input.h"
#include "image/render.h"

using namespace tegulo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::TFuzzInput in(data, size);
  TTileEntry e{};
  e.Template = static_cast<std::uint8_t>(in.Take(1) % 12);
  e.Compression = static_cast<std::uint8_t>(in.Take(1) & 1);
  e.Width = static_cast<std::int8_t>(in.Take(1)) % 40;
  e.Height = static_cast<std::int8_t>(in.Take(1)) % 40;
  // Offsets and addresses near the data, and anywhere in 32 bits.
  const bool wide = in.Take(1) & 1;
  e.Offset = wide ? in.TakeInt() : static_cast<std::int16_t>(in.Take(2));
  e.Address = wide ? in.TakeInt() : static_cast<std::int16_t>(in.Take(2));
  for (auto& c : e.Palette) c = 0x00123456;
  const std::span<const std::uint8_t> bytes = in.Rest();

  TIndexedBitmap bmp;
  bmp.SetSize(8, 8);
  std::fill_n(bmp.Row(0), 64, 0xEE);
  DrawTiles(bmp, e, bytes, bytes, 0x00F0F0F0);
  if (e.Template == 0) {
    fuzz::Check(bmp.Width() == 8 && bmp.Row(0)[0] == 0xEE);  // never drawn
    return 0;
  }
  const bool sized = e.Width > 0 && e.Height > 0;
  fuzz::Check(bmp.Width() == (sized ? 8 * e.Width : 0));
  fuzz::Check(bmp.Height() == (sized ? 8 * e.Height : 0));
  if (!sized || e.Template >= 9) return 0;  // 9 fills only a block of the bitmap
  // Every pixel fits the template's bits: no index above what its planes can hold.
  const int bits[] = {0, 4, 4, 3, 2, 1, 8, 8, 8, 8};
  const int top = (1 << bits[e.Template]) - 1;
  for (std::int32_t y = 0; y < bmp.Height(); ++y) {
    for (std::int32_t x = 0; x < bmp.Width(); ++x) fuzz::Check(bmp.Row(y)[x] <= top);
  }
  return 0;
}
