// Colours: console colour words, grey ramps.
#pragma once

#include <cstdint>
#include <span>

namespace tegulo {

// A 15-bit console colour word (red bits 0-4, green 5-9, blue 10-14) as 0x00BBGGRR,
// each channel v scaled to v * 255 / 31, truncating.
constexpr std::uint32_t ConsoleColour(std::uint16_t w) {
  const std::uint32_t r = (w & 31u) * 255u / 31u;
  const std::uint32_t g = ((w >> 5) & 31u) * 255u / 31u;
  const std::uint32_t b = ((w >> 10) & 31u) * 255u / 31u;
  return r | (g << 8) | (b << 16);
}

// Writes an even grey ramp of n colours into colours[0..n-1], black to white
// (white to black when reverse). n <= 0 writes nothing, n == 1 writes black.
// Never writes past colours.size().
void MakeMonoPalette(std::span<std::uint32_t> colours, std::int32_t n, bool reverse);

}  // namespace tegulo
