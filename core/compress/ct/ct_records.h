// "LZSS-CT" with section records placed wherever they make the stream shortest: a record
// lets one control byte govern 1..63 tokens (those after the eighth are literals without
// flag bits), so a short last group needs no padding and long literal stretches carry fewer
// control bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "compress/ct/ct_writer.h"

namespace tegulo {

// The shortest stream for `data` in `mode` over every parse and record placement (matches
// of distance 1 or more), the first record carrying mode byte 0xC0 in 11-bit mode; nothing
// when a record's position would pass 65,535. Inputs of at most kCTRecordsLimit bytes.
inline constexpr std::size_t kCTRecordsLimit = 1u << 17;
std::optional<std::vector<std::uint8_t>> CompressCTRecords(std::span<const std::uint8_t> data,
                                                           TCTMode mode);

}  // namespace tegulo
