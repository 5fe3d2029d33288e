// Drawing by hand: lines without gaps, flood fills against a plain reference, and the band of
// tile rows written back.
#include "image/pixel_paint.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <random>
#include <tuple>
#include <vector>

#include "entries/tile_entry.h"
#include "image/render.h"
#include "palette/entry_template.h"
#include "rom/write_back.h"
#include "tiles/tile_formats.h"

using namespace tegulo;

namespace {

TIndexedBitmap Blank(std::int32_t w, std::int32_t h) {
  TIndexedBitmap b;
  b.SetSize(w, h);
  return b;
}

int Count(const TIndexedBitmap& b, std::uint8_t index) {
  int n = 0;
  for (const std::uint8_t p : b.Pixels()) n += p == index;
  return n;
}

// A plain breadth-first fill, pixel by pixel.
void ReferenceFill(std::vector<std::uint8_t>& px, int w, int h, int x, int y, std::uint8_t to) {
  const std::uint8_t from = px[static_cast<std::size_t>(y * w + x)];
  if (from == to) return;
  std::deque<std::pair<int, int>> queue{{x, y}};
  px[static_cast<std::size_t>(y * w + x)] = to;
  while (!queue.empty()) {
    const auto [cx, cy] = queue.front();
    queue.pop_front();
    const int near[4][2] = {{cx - 1, cy}, {cx + 1, cy}, {cx, cy - 1}, {cx, cy + 1}};
    for (const auto& n : near) {
      if (n[0] < 0 || n[1] < 0 || n[0] >= w || n[1] >= h) continue;
      std::uint8_t& p = px[static_cast<std::size_t>(n[1] * w + n[0])];
      if (p != from) continue;
      p = to;
      queue.push_back({n[0], n[1]});
    }
  }
}

}  // namespace

TEST(PixelLine, ReachesBothEndsWithoutGaps) {
  struct TCase {
    int x0, y0, x1, y1;
  };
  const TCase cases[] = {{3, 3, 3, 3},   {0, 0, 19, 0},  {0, 0, 0, 19}, {0, 0, 19, 19},
                         {19, 2, 1, 17}, {5, 18, 14, 1}, {2, 9, 18, 11}};
  for (const TCase& c : cases) {
    TIndexedBitmap b = Blank(20, 20);
    const TPixelRect r = DrawPixelLine(b, c.x0, c.y0, c.x1, c.y1, 7);
    const int steps = std::max(std::abs(c.x1 - c.x0), std::abs(c.y1 - c.y0));
    EXPECT_EQ(Count(b, 7), steps + 1) << c.x0 << "," << c.y0 << " to " << c.x1 << "," << c.y1;
    EXPECT_EQ(b.Row(c.y0)[c.x0], 7);
    EXPECT_EQ(b.Row(c.y1)[c.x1], 7);
    EXPECT_EQ(r.left, std::min(c.x0, c.x1));
    EXPECT_EQ(r.right, std::max(c.x0, c.x1));
    EXPECT_EQ(r.top, std::min(c.y0, c.y1));
    EXPECT_EQ(r.bottom, std::max(c.y0, c.y1));
    // One pixel per step of the longer side: every column (or row) between the ends is hit.
    for (int i = 0; i <= steps; ++i) {
      bool hit = false;
      for (int j = 0; j < 20; ++j) {
        const bool alongX = std::abs(c.x1 - c.x0) >= std::abs(c.y1 - c.y0);
        const int x = alongX ? std::min(c.x0, c.x1) + i : j;
        const int y = alongX ? j : std::min(c.y0, c.y1) + i;
        hit = hit || b.Row(y)[x] == 7;
      }
      EXPECT_TRUE(hit) << "gap at step " << i;
    }
  }
}

TEST(PixelLine, SkipsWhatLiesOutsideAndReportsOnlyChanges) {
  TIndexedBitmap b = Blank(8, 8);
  EXPECT_EQ(Count(b, 0), 64);
  TPixelRect r = DrawPixelLine(b, -5, 2, 12, 2, 3);
  EXPECT_EQ(Count(b, 3), 8);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.right, 7);
  r = DrawPixelLine(b, 0, 2, 7, 2, 3);  // the same index again
  EXPECT_TRUE(r.Empty());
  r = DrawPixelLine(b, -100, -100, -1, -50, 3);
  EXPECT_TRUE(r.Empty());
}

TEST(FloodFill, MatchesAPlainFillOnRandomPictures) {
  std::mt19937 rng(27);
  for (int round = 0; round < 200; ++round) {
    const int w = 1 + static_cast<int>(rng() % 40);
    const int h = 1 + static_cast<int>(rng() % 40);
    TIndexedBitmap b = Blank(w, h);
    for (std::uint8_t& p : b.Pixels()) p = static_cast<std::uint8_t>(rng() % 3);
    const std::vector<std::uint8_t> before(b.Pixels().begin(), b.Pixels().end());
    std::vector<std::uint8_t> expected = before;
    const int x = static_cast<int>(rng() % static_cast<unsigned>(w));
    const int y = static_cast<int>(rng() % static_cast<unsigned>(h));
    const auto to = static_cast<std::uint8_t>(rng() % 3);
    ReferenceFill(expected, w, h, x, y, to);
    const TPixelRect r = FloodFillPixels(b, x, y, to);
    ASSERT_TRUE(std::equal(expected.begin(), expected.end(), b.Pixels().begin()))
        << "round " << round;
    // The rectangle holds every changed pixel, and is empty when nothing changed.
    TPixelRect bounds;
    for (int py = 0; py < h; ++py) {
      for (int px = 0; px < w; ++px) {
        if (before[static_cast<std::size_t>(py * w + px)] != b.Row(py)[px]) bounds.Add(px, py);
      }
    }
    EXPECT_EQ(r.Empty(), bounds.Empty()) << "round " << round;
    if (!bounds.Empty()) {
      EXPECT_EQ(std::tie(r.left, r.top, r.right, r.bottom),
                std::tie(bounds.left, bounds.top, bounds.right, bounds.bottom))
          << "round " << round;
    }
  }
  TIndexedBitmap b = Blank(4, 4);
  EXPECT_TRUE(FloodFillPixels(b, 4, 0, 1).Empty());  // outside
  EXPECT_TRUE(FloodFillPixels(b, 0, 0, 0).Empty());  // already that index
  EXPECT_EQ(Count(b, 0), 16);
}

TEST(EditBand, WritingTheBandEqualsWritingTheWholeEntry) {
  // For each template with tiles, a change in one tile row written back alone gives the ROM
  // that writing the whole picture gives.
  std::mt19937 rng(3);
  for (int row = 1; row < kTemplateCount; ++row) {
    const TTileFormat* format = FindTileFormat(row);
    if (format == nullptr || format->bytesPerTile == 0 || format->encodeInto == nullptr) continue;
    TTileEntry e{};
    e.Width = 3;
    e.Height = 4;
    e.Address = 16;
    e.Offset = 4;
    ApplyTemplate(e, row);
    std::vector<std::uint8_t> rom(16 + 4 + 12 * format->bytesPerTile + 16);
    for (auto& byte : rom) byte = static_cast<std::uint8_t>(rng());
    // The picture as the view shows it, then a line drawn across tile row 2.
    TIndexedBitmap b;
    DrawTiles(b, e, rom, {}, 0);
    ASSERT_EQ(b.Width(), 24);
    const auto top = static_cast<std::uint8_t>((1u << format->bitsPerPixel) - 1);
    const TPixelRect changed = DrawPixelLine(b, 0, 17, 23, 22, top);
    const TEditBand band = EditBand(e, b, changed);
    EXPECT_EQ(band.entry.Height, 1) << "template " << row;
    EXPECT_EQ(band.entry.Offset, 4 + 2 * 3 * format->bytesPerTile) << "template " << row;
    const TEditBand whole = EditBand(e, b, TPixelRect{});
    EXPECT_EQ(whole.entry.Height, 4);
    const std::vector<std::uint8_t> written = WriteBackPicture(rom, band.entry, band.picture).rom;
    EXPECT_NE(written, rom) << "template " << row;
    EXPECT_EQ(written, WriteBackPicture(rom, whole.entry, whole.picture).rom) << "template " << row;
  }
}
