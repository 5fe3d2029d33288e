// The stream decoders without their fast paths: every token goes through the careful loop
// (LZSS-FF5 and FF6 through their 2048-byte ring). Same contract and results as the
// decoders of uCompress.h; kept for the differential fuzz target and tests, which check
// the fast paths against them.
#pragma once

#include <cstdint>
#include <span>

#include "compress/uCompress.h"

namespace tegulo {

std::uint32_t DecompressLZ10Careful(std::span<const std::uint8_t> stream, TDecodeBuffer& output);
std::uint32_t DecompressFF5Careful(std::span<const std::uint8_t> stream, TDecodeBuffer& output);
std::uint32_t DecompressFF6Careful(std::span<const std::uint8_t> stream, TDecodeBuffer& output);
std::uint32_t DecompressCTCareful(std::span<const std::uint8_t> stream, TDecodeBuffer& output);

}  // namespace tegulo
