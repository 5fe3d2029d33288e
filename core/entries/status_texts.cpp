// The status-bar texts.
#include "entries/status_texts.h"

#include <cstdio>

namespace tegulo {
namespace {

std::string FormatSize(const char* format, std::int32_t value) {
  char text[64];
  std::snprintf(text, sizeof text, format, static_cast<int>(value),
                static_cast<unsigned>(static_cast<std::uint32_t>(value)));
  return text;
}

}  // namespace

std::uint32_t TileCount(const TTileEntry& e) {
  if (e.Bpp == 0) return 0;
  return static_cast<std::uint32_t>(e.RawSize) / (static_cast<std::uint32_t>(e.Bpp) * 8u);
}

std::array<std::string, 3> StatusTexts(const TTileEntry& e) {
  // At most 0xFFFFFFFF / 8, so the count always fits a signed 32-bit value.
  const auto tiles = static_cast<std::int32_t>(TileCount(e));
  return {FormatSize("#Tiles: %3d ($%.2X)", tiles), FormatSize("RawSize: %3d ($%.2X)", e.RawSize),
          FormatSize("Compr.Size: %3d ($%.2X)", e.ComprSize)};
}

}  // namespace tegulo
