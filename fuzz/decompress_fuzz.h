// The body shared by the decoder fuzz targets: decode the input as a stream into output
// arrays of several lengths and check the bounds the decoders promise, then round-trip the
// input through the scheme's encoder.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "compress/uCompress.h"

namespace tegulo::fuzz {

inline void Require(bool ok) {
  if (!ok) std::abort();
}

// decode(stream, out) returns the decoder's count; consumed: whether it counts input bytes.
template <typename Decode, typename Encode>
int Run(const std::uint8_t* data, std::size_t size, Decode decode, Encode encode, bool consumed) {
  static std::vector<TDecodeBuffer> outputs = {TDecodeBuffer(64), TDecodeBuffer(4096), TDecodeBuffer(65536),
                                           TDecodeBuffer(1 << 20)};
  const std::span<const std::uint8_t> stream(data, size);
  TDecodeBuffer& out = outputs[size % outputs.size()];
  const std::size_t before = out.size();
  const std::uint32_t count = decode(stream, out);
  Require(out.size() >= before);
  Require(count <= (consumed ? size : out.size()));
  // Only LZ77-10 lengthens. Back to the chosen length; the capacity stays, which spares
  // the next big announced size a fresh allocation.
  out.resize(before);

  if (size <= 4096) {
    const std::vector<std::uint8_t> packed = encode(stream);
    TDecodeBuffer unpacked(size + 64, 0);
    const std::uint32_t n = decode(packed, unpacked);
    Require(n == (consumed ? packed.size() : size));
    Require(std::equal(stream.begin(), stream.end(), unpacked.begin()));
    Require(std::all_of(unpacked.begin() + static_cast<std::ptrdiff_t>(size), unpacked.end(),
                        [](std::uint8_t b) { return b == 0; }));
  }
  return 0;
}

}  // namespace tegulo::fuzz
