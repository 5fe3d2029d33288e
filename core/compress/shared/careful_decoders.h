// The stream decoders without their fast paths: every token read by the token walk of its
// layout (flag/lz10_layout.h, flag/ff_layout.h, ct/ct_layout.h) and written with every check. Same
// contract and results as the decoders of uCompress.h, whose fast paths hand the ends of a
// stream to these same walks; kept for the differential fuzz target and tests, which check
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
