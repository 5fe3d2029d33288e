// How many bytes of the ROM a compressed stream takes: what its decoder reads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tegulo {

// The number of bytes from the stream's start that the scheme's decoder reads when it
// unpacks into the 1 MiB working buffer (the stream view ends at the end of the ROM, so a
// stream cut short counts up to there): the extent walk of the scheme's row; 0 for a row
// without one or a value outside the table.
std::size_t StreamBytesUsed(int scheme, std::span<const std::uint8_t> stream);

// The extent walks of LZ77-10, LZSS-FF5, LZSS-FF6 and LZSS-CT, which write no output.
std::size_t StreamExtentLZ10(std::span<const std::uint8_t> stream);
std::size_t StreamExtentFF5(std::span<const std::uint8_t> stream);
std::size_t StreamExtentFF6(std::span<const std::uint8_t> stream);
std::size_t StreamExtentCT(std::span<const std::uint8_t> stream);

}  // namespace tegulo
