// The fast paths of the stream decoders against their careful loops: the same stream into
// two equal output arrays (not zero, so that a stray write shows) must give the same count,
// the same output length and the same bytes.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "compress/shared/careful_decoders.h"
#include "compress/uCompress.h"

namespace tegulo::fuzz {

// scheme: a compression row with a fast path (LZ77-10, LZSS-FF5, LZSS-FF6, LZSS-CT). Returns
// whether both paths agree.
inline bool DecoderPathsAgree(int scheme, std::span<const std::uint8_t> stream,
                              std::size_t outputSize, std::uint8_t fill) {
  TDecodeBuffer fast(outputSize, fill);
  TDecodeBuffer careful(outputSize, fill);
  std::uint32_t a = 0;
  std::uint32_t b = 0;
  switch (scheme) {
    case 1:
      a = DecompressLZ10(stream, fast);
      b = DecompressLZ10Careful(stream, careful);
      break;
    case 2:
      a = DecompressFF5(stream, fast);
      b = DecompressFF5Careful(stream, careful);
      break;
    case 3:
      a = DecompressFF6(stream, fast);
      b = DecompressFF6Careful(stream, careful);
      break;
    default:
      a = DecompressCT(stream, fast);
      b = DecompressCTCareful(stream, careful);
      break;
  }
  return a == b && fast == careful;
}

}  // namespace tegulo::fuzz
