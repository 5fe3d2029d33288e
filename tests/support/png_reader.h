// Reading back PNG files in the tests: the chunks as stored, and the image through libpng.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tegulo::test {

struct TPngChunk {
  std::string type;
  std::vector<std::uint8_t> data;
};

// The chunks in file order. A missing signature, a length past the end, a wrong CRC or
// bytes after the last chunk are reported as test failures.
std::vector<TPngChunk> ReadPngChunks(std::span<const std::uint8_t> file);
std::vector<TPngChunk> ReadPngChunks(const std::string& path);

// An 8-bit indexed image as libpng decodes it.
struct TPngImage {
  bool ok = false;  // libpng read the whole file and it is 8-bit indexed
  std::uint32_t width = 0, height = 0;
  int depth = 0, colourType = 0, interlace = 0;
  std::vector<std::uint8_t> rgb;     // 3 bytes per PLTE entry
  std::vector<std::uint8_t> alpha;   // tRNS
  std::vector<std::uint8_t> pixels;  // one index per pixel, rows from the top

  std::uint8_t At(std::uint32_t x, std::uint32_t y) const {
    return pixels[static_cast<std::size_t>(y) * width + x];
  }
  // PLTE entry i as 0x00BBGGRR, the entry colour order.
  std::uint32_t Colour(int i) const {
    const auto at = static_cast<std::size_t>(3 * i);
    return rgb[at] | rgb[at + 1] << 8 | static_cast<std::uint32_t>(rgb[at + 2]) << 16;
  }
};

TPngImage DecodePng(std::span<const std::uint8_t> file);
TPngImage ReadPng(const std::string& path);

// The whole file; empty when it cannot be read.
std::vector<std::uint8_t> ReadFileBytes(const std::string& path);

}  // namespace tegulo::test
