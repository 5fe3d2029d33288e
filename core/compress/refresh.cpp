// Unpacking an entry into the working buffer with the per-scheme size rules.
#include "compress/refresh.h"

#include <algorithm>

#include "base/stream_view.h"
#include "compress/scheme_formats.h"
#include "compress/stream_extent.h"

namespace tegulo {
TUnpackReport UnpackEntry(TTileEntry& e, std::span<const std::uint8_t> rom, TDecodeBuffer& buffer) {
  TUnpackReport report;
  // Every byte an earlier unpacking may have written is cleared: the first 1 MiB in place,
  // and a tail that an LZ77-10 size lengthened is dropped, so that lengthening it again
  // gives fresh zeros. The buffer then holds what a new one would, as the CLI's does.
  buffer.resize(kDecodeBufferSize);
  std::fill_n(buffer.begin(), kDecodeBufferSize, std::uint8_t{0});

  const TSchemeFormat* scheme = FindSchemeFormat(e.Compression);
  if (scheme == nullptr) return report;  // a damaged record: the scheme is unknown, sizes stay
  if (scheme->sizeRule == TSizeRule::kFromTiles) {
    // The product wraps at 32 bits; unsigned arithmetic keeps that defined.
    e.RawSize = static_cast<std::int32_t>(static_cast<std::uint32_t>(e.Width) *
                                          static_cast<std::uint32_t>(e.Height) * e.Bpp * 8u);
    return report;
  }

  const std::span<const std::uint8_t> stream = StreamAt(rom, e.Address);
  const auto header16 = static_cast<std::int32_t>(ReadLePadded(stream, 0, 2));
  const auto header24 = static_cast<std::int32_t>(ReadLePadded(stream, 0, 4) >> 8);
  bool notValid = false;
  const auto count = static_cast<std::int32_t>(scheme->decode(stream, buffer, &notValid));
  if (notValid) report.notValid = NotValidStreamText(e.Compression);
  switch (scheme->sizeRule) {
    case TSizeRule::kRawInHeader24:
      e.RawSize = header24;
      e.ComprSize = count;
      break;
    case TSizeRule::kRawInHeader16:
      e.RawSize = header16;
      e.ComprSize = count;
      break;
    case TSizeRule::kComprInHeader16:
      e.ComprSize = header16;
      e.RawSize = count;
      break;
    case TSizeRule::kComprInHeader15:
      e.ComprSize = header16 & 0x7FFF;
      e.RawSize = count;
      break;
    case TSizeRule::kNoSizeField:
      e.RawSize = count;
      e.ComprSize = static_cast<std::int32_t>(StreamBytesUsed(e.Compression, stream));
      break;
    case TSizeRule::kRawInHeader32BE:
      e.RawSize = static_cast<std::int32_t>(ReadBePadded(stream, 4, 4));
      e.ComprSize = count;
      break;
    case TSizeRule::kFromTiles: break;
  }
  return report;
}

}  // namespace tegulo
