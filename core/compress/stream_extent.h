// How many bytes of the ROM a compressed stream takes: what its decoder reads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tegulo {

// The number of bytes from the stream's start that the scheme's decoder reads when it
// unpacks into the 1 MiB working buffer (the stream view ends at the end of the ROM, so a
// stream cut short counts up to there). Scheme rows 1..kCompressionCount-1; 0 for any other.
std::size_t StreamBytesUsed(int scheme, std::span<const std::uint8_t> stream);

}  // namespace tegulo
