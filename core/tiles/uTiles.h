// Tile templates and the decoders that turn stored tiles into colour indices.
#pragma once

#include <cstdint>
#include <span>

#include "base/bitmap.h"
#include "base/uCommon.h"

namespace tegulo {

inline constexpr int kTemplateCount = 10;

// Row 0 is "no template"; the value is the template's bits per pixel.
inline constexpr TChoice TileTemplates[kTemplateCount] = {
    MakeChoice("", 0),
    MakeChoice("4bpp (GBA)", 4),
    MakeChoice("4bpp (SNES)", 4),
    MakeChoice("3bpp (SNES)", 3),
    MakeChoice("2bpp (SNES)", 2),
    MakeChoice("1bpp", 1),
    MakeChoice("8bpp (Mode7-1)", 8),
    MakeChoice("8bpp (Mode7-2)", 8),
    MakeChoice("8bpp (Mode3)", 8),
    MakeChoice("8bpp (PC)", 8),
};

// The rows of TileTemplates by name; an entry's Template holds one of them.
inline constexpr int kTemplateNone = 0;
inline constexpr int kTemplate4bppGBA = 1;
inline constexpr int kTemplate4bppSNES = 2;
inline constexpr int kTemplate3bppSNES = 3;
inline constexpr int kTemplate2bppSNES = 4;
inline constexpr int kTemplate1bpp = 5;
inline constexpr int kTemplateMode7Interleaved = 6;  // "8bpp (Mode7-1)"
inline constexpr int kTemplateMode7Linear = 7;       // "8bpp (Mode7-2)"
inline constexpr int kTemplate8bppSNES = 8;          // "8bpp (Mode3)"
inline constexpr int kTemplateLinear8bpp = 9;        // "8bpp (PC)"

// Where a decoder reads: the whole data it may touch, and a start position inside it
// that may lie before the data or past its end. Bytes outside the data read as 0.
struct TByteSource {
  std::span<const std::uint8_t> data;
  std::int64_t start = 0;
};

// Every decoder writes Width x Height tiles into a bitmap of 8*Width x 8*Height pixels
// (DrawLinear8bpp: the top-left Width x Height block). With Width or Height <= 0, or a
// bitmap of another size, nothing is read or written.
void Draw4bppGBA(TIndexedBitmap& bmp, TByteSource src, std::int32_t Width, std::int32_t Height);
void Draw4bppSNES(TIndexedBitmap& bmp, TByteSource src, std::int32_t Width, std::int32_t Height);
void Draw3bppSNES(TIndexedBitmap& bmp, TByteSource src, std::int32_t Width, std::int32_t Height);
void Draw2bppSNES(TIndexedBitmap& bmp, TByteSource src, std::int32_t Width, std::int32_t Height);
// 8 bytes per tile: byte y is pixel row y, bit 7 the leftmost pixel.
void Draw1bpp(TIndexedBitmap& bmp, TByteSource src, std::int32_t Width, std::int32_t Height);
void DrawMode7Interleaved(TIndexedBitmap& bmp, TByteSource src, std::int32_t Width,
                          std::int32_t Height);
void DrawMode7Linear(TIndexedBitmap& bmp, TByteSource src, std::int32_t Width, std::int32_t Height);
void Draw8bppSNES(TIndexedBitmap& bmp, TByteSource src, std::int32_t Width, std::int32_t Height);
void DrawLinear8bpp(TIndexedBitmap& bmp, TByteSource src, std::int32_t Width, std::int32_t Height);

// Runs the decoder of template row `row`; row 0 and rows above 9 draw nothing.
void DrawTemplate(int row, TIndexedBitmap& bmp, TByteSource src, std::int32_t Width,
                  std::int32_t Height);

}  // namespace tegulo
