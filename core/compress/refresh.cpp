// Unpacking an entry into the working buffer with the per-scheme size rules, and the
// status-bar texts.
#include "compress/refresh.h"

#include <algorithm>
#include <cstdio>

#include "base/stream_view.h"
#include "compress/uCompress.h"

namespace tegulo {
namespace {

std::string FormatSize(const char* format, std::int32_t value) {
  char text[64];
  std::snprintf(text, sizeof text, format, static_cast<int>(value),
                static_cast<unsigned>(static_cast<std::uint32_t>(value)));
  return text;
}

}  // namespace

TUnpackReport UnpackEntry(TTileEntry& e, std::span<const std::uint8_t> rom, TDecodeBuffer& buffer) {
  TUnpackReport report;
  // Every byte an earlier unpacking may have written is cleared: the first 1 MiB in place,
  // and a tail that an LZ77-10 size lengthened is dropped, so that lengthening it again
  // gives fresh zeros. The buffer then holds what a new one would, as the CLI's does.
  buffer.resize(kDecodeBufferSize);
  std::fill_n(buffer.begin(), kDecodeBufferSize, std::uint8_t{0});

  const std::span<const std::uint8_t> stream = StreamAt(rom, e.Address);
  const std::uint32_t h = ReadLePadded(stream, 0, 2);
  const std::uint32_t d = ReadLePadded(stream, 0, 4);
  switch (e.Compression) {
    case 0:
      // The product wraps at 32 bits; unsigned arithmetic keeps that defined.
      e.RawSize = static_cast<std::int32_t>(static_cast<std::uint32_t>(e.Width) *
                                            static_cast<std::uint32_t>(e.Height) * e.Bpp * 8u);
      break;
    case 1:
      e.RawSize = static_cast<std::int32_t>(d >> 8);
      e.ComprSize = static_cast<std::int32_t>(DecompressLZ10(stream, buffer, &report.notValidLZ10));
      break;
    case 2:
      e.RawSize = static_cast<std::int32_t>(h);
      e.ComprSize = static_cast<std::int32_t>(DecompressFF5(stream, buffer));
      break;
    case 3:
      e.ComprSize = static_cast<std::int32_t>(h);
      e.RawSize = static_cast<std::int32_t>(DecompressFF6(stream, buffer));
      break;
    case 4:
      e.ComprSize = static_cast<std::int32_t>(h);
      e.RawSize = static_cast<std::int32_t>(DecompressCT(stream, buffer));
      break;
    default: break;  // a damaged record: the scheme is unknown, the sizes stay
  }
  return report;
}

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
