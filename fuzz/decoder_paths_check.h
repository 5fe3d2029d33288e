// The fast paths of the stream decoders against their careful loops: the same stream into
// two equal output arrays (not zero, so that a stray write shows) must give the same count,
// the same output length and the same bytes.
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

#include "compress/rnc/rnc_format.h"
#include "compress/shared/careful_decoders.h"
#include "compress/uCompress.h"

namespace tegulo::fuzz {

// scheme: a compression row with a fast path (LZ77-10, LZSS-FF5, LZSS-FF6, LZSS-CT). Returns
// whether both paths agree.
// ProPack's decoders have one path: the same stream into outputs of other fills must give
// the same count, the same verdict and the same bytes (no byte read before it is written).
// False when they differ; streams announcing more than 1 MiB or cut short are left out.
inline bool RncOutputsAgree(std::span<const std::uint8_t> stream, std::size_t outputSize,
                            std::uint8_t fill) {
  const auto header = rnc::ReadHeader(stream);
  if (!header || header->rawSize > (1U << 20U)) return true;
  using TDecode = std::uint32_t (*)(std::span<const std::uint8_t>, TDecodeBuffer&, bool*);
  const TDecode decode = header->method == 1 ? TDecode{DecompressRNC1} : TDecode{DecompressRNC2};
  TDecodeBuffer a(outputSize, fill);
  TDecodeBuffer b(outputSize, static_cast<std::uint8_t>(~fill));
  bool notValidA = false;
  bool notValidB = false;
  const std::uint32_t countA = decode(stream, a, &notValidA);
  const std::uint32_t countB = decode(stream, b, &notValidB);
  if (countA != countB || notValidA != notValidB || a.size() != b.size()) return false;
  // A stream that holds all its packed data and passes every rule wrote all it announced; one
  // cut short by the end of the bytes writes less, and is not reported.
  if (stream.size() < rnc::kHeaderSize + std::size_t{header->packedSize}) return true;
  return notValidA || std::equal(a.begin(), a.begin() + header->rawSize, b.begin());
}

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
