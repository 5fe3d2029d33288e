// The rows of the tile template table.
#include "tiles/tile_formats.h"

namespace tegulo {
namespace {

template <int Row>
std::vector<std::uint8_t> EncodeRow(const TPixelImage& img) {
  return EncodeTiles(Row, img);
}

template <int Row>
void EncodeRowInto(const TPixelImage& img, std::span<std::uint8_t> dest) {
  EncodeTilesInto(Row, img, dest);
}

constexpr TTileFormat kRows[kTemplateCount] = {
    {kTemplateNone, 0, 0, nullptr, nullptr, nullptr},
    {kTemplate4bppGBA, 4, 32, Draw4bppGBA, EncodeRow<kTemplate4bppGBA>,
     EncodeRowInto<kTemplate4bppGBA>},
    {kTemplate4bppSNES, 4, 32, Draw4bppSNES, EncodeRow<kTemplate4bppSNES>,
     EncodeRowInto<kTemplate4bppSNES>},
    {kTemplate3bppSNES, 3, 24, Draw3bppSNES, EncodeRow<kTemplate3bppSNES>,
     EncodeRowInto<kTemplate3bppSNES>},
    {kTemplate2bppSNES, 2, 16, Draw2bppSNES, EncodeRow<kTemplate2bppSNES>,
     EncodeRowInto<kTemplate2bppSNES>},
    {kTemplate1bpp, 1, 8, Draw1bpp, EncodeRow<kTemplate1bpp>, EncodeRowInto<kTemplate1bpp>},
    {kTemplateMode7Interleaved, 8, 128, DrawMode7Interleaved, EncodeRow<kTemplateMode7Interleaved>,
     EncodeRowInto<kTemplateMode7Interleaved>},
    {kTemplateMode7Linear, 8, 64, DrawMode7Linear, EncodeRow<kTemplateMode7Linear>,
     EncodeRowInto<kTemplateMode7Linear>},
    {kTemplate8bppSNES, 8, 64, Draw8bppSNES, EncodeRow<kTemplate8bppSNES>,
     EncodeRowInto<kTemplate8bppSNES>},
    {kTemplateLinear8bpp, 8, 0, DrawLinear8bpp, EncodeRow<kTemplateLinear8bpp>,
     EncodeRowInto<kTemplateLinear8bpp>},
};

constexpr bool RowsMatchTheChoiceTable() {
  for (int i = 0; i < kTemplateCount; ++i) {
    if (kRows[i].row != i || kRows[i].bitsPerPixel != TileTemplates[i].Value) return false;
    // A tile of 8 x 8 pixels at the row's depth.
    if (kRows[i].bytesPerTile != 0 && kRows[i].bytesPerTile < 8 * kRows[i].bitsPerPixel) {
      return false;
    }
  }
  return true;
}
static_assert(RowsMatchTheChoiceTable());

}  // namespace

std::span<const TTileFormat, kTemplateCount> TileFormats() { return kRows; }

const TTileFormat* FindTileFormat(int row) {
  if (row <= kTemplateNone || row >= kTemplateCount) return nullptr;
  return &kRows[row];
}

}  // namespace tegulo
