// A 64 x 64 tile screen (4bpp SNES tiles, an LZ77-10 map, flips and eight palettes): the
// core's draw alone, and the draw followed by a full repaint of the view at zoom 4
// (2048 x 2048 pixels, offscreen).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdlib>

#include "compress/refresh.h"
#include "compress/uCompress.h"
#include "image_view.h"
#include "screen/screen.h"
#include "screen_pictures.h"
#include "tiles/uTiles.h"

namespace {

using namespace tegulo;

struct TBenchScreen {
  TScreen s;
  test::TScreenRom rom;
  TDecodeBuffer decoded = TDecodeBuffer(kDecodeBufferSize);
};

const TBenchScreen& Screen() {
  static const TBenchScreen screen = [] {
    TBenchScreen b;
    b.s.width = b.s.height = 64;
    b.s.mapAddress = 0x1000;
    b.s.mapCompression = kSchemeLZ10;
    const TPixelImage picture = test::ScreenPicture(64, 64, 4, 8, true, 200);
    b.rom = test::BuildScreenRom(picture, b.s, kTemplate4bppSNES, 0x20000, 0, 0x80000);
    UnpackEntry(b.rom.entry, b.rom.rom, b.decoded);
    return b;
  }();
  return screen;
}

void BM_DrawScreen64(benchmark::State& state) {
  const TBenchScreen& b = Screen();
  TIndexedBitmap bmp;
  for (auto _ : state) {
    DrawScreen(bmp, b.rom.entry, b.s, b.rom.rom, b.decoded, 0xF0F0F0);
    benchmark::DoNotOptimize(bmp.Row(0));
  }
}
BENCHMARK(BM_DrawScreen64)->Unit(benchmark::kMillisecond);

void BM_DrawScreen64Zoom4Repaint(benchmark::State& state) {
  const TBenchScreen& b = Screen();
  TIndexedBitmap bmp;
  TImageView view;
  view.resize(2048, 2048);
  view.show();  // a hidden widget would not paint
  QApplication::processEvents();
  for (auto _ : state) {
    DrawScreen(bmp, b.rom.entry, b.s, b.rom.rom, b.decoded, 0xF0F0F0);
    view.SetPicture(&bmp, 4);
    view.repaint();
  }
}
BENCHMARK(BM_DrawScreen64Zoom4Repaint)->Unit(benchmark::kMillisecond);

}  // namespace
