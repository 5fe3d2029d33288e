// Drawing the demo artwork. Everything is computed from integers or from plain double
// arithmetic, so the images depend on nothing outside this file and the font.
#include "demo_art.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "demo_font.h"

namespace tegulo::demo {
namespace {

TPixelImage Blank(int w, int h, std::uint8_t fill) {
  return {
      w, h,
      std::vector<std::uint8_t>(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), fill)};
}

std::uint8_t& Px(TPixelImage& img, int x, int y) {
  return img.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(img.width) +
                    static_cast<std::size_t>(x)];
}

std::uint16_t Word(int r, int g, int b) {
  auto c = [](int v) { return static_cast<std::uint16_t>(std::clamp(v, 0, 31)); };
  return static_cast<std::uint16_t>(c(r) | c(g) << 5 | c(b) << 10);
}

// A straight blend from one 5-bit colour to another over n steps.
void Blend(std::vector<std::uint16_t>& out, int n, const int (&from)[3], const int (&to)[3]) {
  for (int i = 0; i < n; ++i) {
    auto mix = [&](int k) { return from[k] + (to[k] - from[k]) * i / std::max(n - 1, 1); };
    out.push_back(Word(mix(0), mix(1), mix(2)));
  }
}

constexpr int kBayer4[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

}  // namespace

TPixelImage BannerArt() {
  TPixelImage img = Blank(160, 32, 1);  // 1: night sky
  for (int i = 0; i < 40; ++i) {        // a scatter of stars from a fixed sequence
    const int x = (i * 97 + 13) % 160;
    const int y = (i * 61 + 7) % 32;
    Px(img, x, y) = i % 3 == 0 ? 15 : 3;
  }
  TPixelImage text = Blank(160, 32, 0);
  DrawText(text, "TEGULO", 8, 4, 3, 1);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 160; ++x) {
      if (x >= 3 && y >= 3 && text.At(x - 3, y - 3) && !text.At(x, y)) Px(img, x, y) = 2;  // shadow
      if (text.At(x, y))
        Px(img, x, y) = static_cast<std::uint8_t>(3 + ((y - 4) * 13 / 24 + x / 24) % 13);
    }
  }
  return img;
}

TPixelImage FontSheetArt() {
  TPixelImage img = Blank(128, 32, 0);
  DrawText(img, "TEGULO DEMO ROM!", 0, 0, 1, 1);
  DrawText(img, "ABCDEFGHIJKLMNOP", 0, 8, 1, 1);
  DrawText(img, "QRSTUVWXYZ012345", 0, 16, 1, 1);
  DrawText(img, "6789 !-.?:", 0, 24, 1, 1);
  return img;
}

TPixelImage GradientArt() {
  TPixelImage img = Blank(64, 32, 1);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 64; ++x) {
      int level;
      if (y < 16) {
        // levels 1..7 across the width, the step between them dithered
        const int scaled = x * 6 * 16 / 63;
        level = 1 + scaled / 16 + (scaled % 16 > kBayer4[y % 4][x % 4] ? 1 : 0);
      } else {
        level = 1 + x * 7 / 64;
      }
      Px(img, x, y) = static_cast<std::uint8_t>(std::min(level, 7));
    }
  }
  return img;
}

TPixelImage CheckerboardArt() {
  TPixelImage img = Blank(64, 64, 1);
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) {
      const int dx = 2 * x - 63, dy = 2 * y - 63;  // twice the distance from the centre
      const int r2 = dx * dx + dy * dy;
      if (r2 >= 40 * 40 && r2 < 48 * 48) {
        Px(img, x, y) = 3;
      } else {
        Px(img, x, y) = static_cast<std::uint8_t>(((x + 4) / 8 + (y + 4) / 8) % 2 ? 2 : 1);
      }
    }
  }
  return img;
}

TPixelImage PlasmaArt() {
  TPixelImage img = Blank(128, 64, 1);
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 128; ++x) {
      const double v = std::sin(x / 9.0) + std::sin(y / 7.0) + std::sin((x + y) / 13.0) +
                       std::sin(std::sqrt((x - 64.0) * (x - 64.0) + (y - 32.0) * (y - 32.0)) / 6.0);
      // twice round the 255 colours of the palette, index 0 left out
      const int step = static_cast<int>((v + 4.0) / 8.0 * 2 * 255);
      Px(img, x, y) = static_cast<std::uint8_t>(1 + std::clamp(step, 0, 2 * 255 - 1) % 255);
    }
  }
  return img;
}

TPixelImage MandelbrotArt() {
  TPixelImage img = Blank(128, 96, 1);
  constexpr int kMaxIter = 200;
  for (int y = 0; y < 96; ++y) {
    for (int x = 0; x < 128; ++x) {
      const double cr = -2.2 + x * (3.0 / 128.0);
      const double ci = -1.125 + y * (2.25 / 96.0);
      double zr = 0, zi = 0;
      int iter = 0;
      while (iter < kMaxIter && zr * zr + zi * zi <= 4.0) {
        const double t = zr * zr - zi * zi + cr;
        zi = 2 * zr * zi + ci;
        zr = t;
        ++iter;
      }
      // inside the set: 1 (black); outside: bands cycling through 2..255
      Px(img, x, y) = static_cast<std::uint8_t>(iter >= kMaxIter ? 1 : 2 + (iter * 9) % 254);
    }
  }
  return img;
}

std::vector<std::uint16_t> SunsetPalette() {
  std::vector<std::uint16_t> p = {Word(0, 0, 0), Word(2, 2, 8), Word(0, 0, 2)};
  Blend(p, 7, {31, 31, 8}, {31, 8, 2});
  Blend(p, 6, {28, 4, 8}, {16, 4, 24});
  return p;
}

// Index 0 always shows in the window's background colour, so the glyphs are the dark ink.
std::vector<std::uint16_t> FontPalette() { return {Word(31, 31, 31), Word(4, 6, 20)}; }

std::vector<std::uint16_t> OceanPalette() {
  std::vector<std::uint16_t> p = {Word(0, 0, 0)};
  Blend(p, 4, {0, 2, 10}, {0, 18, 28});
  Blend(p, 3, {8, 26, 30}, {31, 31, 31});
  return p;
}

std::vector<std::uint16_t> CheckerPalette() {
  return {Word(4, 4, 4), Word(28, 6, 6), Word(30, 30, 28), Word(4, 10, 30)};
}

std::vector<std::uint16_t> PlasmaPalette() {
  std::vector<std::uint16_t> p = {Word(0, 0, 0)};
  for (int i = 1; i < 256; ++i) {
    const double a = 2 * std::numbers::pi * i / 255.0;
    p.push_back(Word(static_cast<int>(15.5 + 15.5 * std::sin(a)),
                     static_cast<int>(15.5 + 15.5 * std::sin(a + 2.1)),
                     static_cast<int>(15.5 + 15.5 * std::sin(a + 4.2))));
  }
  return p;
}

std::vector<std::uint16_t> FractalPalette() {
  std::vector<std::uint16_t> p = {Word(0, 0, 0), Word(0, 0, 0)};
  Blend(p, 64, {0, 0, 8}, {0, 16, 31});
  Blend(p, 64, {0, 18, 31}, {31, 31, 16});
  Blend(p, 64, {31, 30, 14}, {31, 8, 0});
  Blend(p, 62, {30, 6, 0}, {4, 0, 12});
  return p;
}

}  // namespace tegulo::demo
