// The change between two ROM images as an IPS or a BPS patch.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace tegulo {

// "PATCH", records (3-byte big-endian offset, 2-byte length, the bytes), "EOF", and the
// 3-byte new length when the target is shorter. Records cover the changed bytes (near
// changes joined), hold at most 65,535 bytes and never start at 0x454F46, which reads as
// "EOF" (they start a byte earlier). Throws TError when a change lies at 16 MiB or beyond,
// where IPS offsets end.
std::vector<std::uint8_t> MakeIpsPatch(std::span<const std::uint8_t> source,
                                       std::span<const std::uint8_t> target);

// "BPS1", source and target sizes and an empty metadata block as variable-length numbers,
// then actions: unchanged bytes as source reads, changed ones as target reads, and runs of
// one byte as a target copy of the byte before; then the source, target and patch CRC32s.
std::vector<std::uint8_t> MakeBpsPatch(std::span<const std::uint8_t> source,
                                       std::span<const std::uint8_t> target);

}  // namespace tegulo
