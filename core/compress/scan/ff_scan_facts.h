// Tokens of the ring schemes FF5 and FF6 that no encoder writes, found against the output
// they decode to: the scan's last facts for a candidate that passed its checker.
#pragma once

#include <cstdint>
#include <span>

namespace tegulo {

// Counts, over the first output.size() bytes of the FF5 (kFF6 false) or FF6 stream `stream`
// (header included) whose output begins with `output`:
//  - a reference followed by a literal that the reference could have copied too (it was
//    shorter than the longest length): one reference writes both for less;
//  - two references in a row that the first could have written alone, being no longer
//    together than the longest length;
//  - in a stream without any reference, three literals that repeat three bytes before them
//    in reach of the ring: a reference writes them for less.
// Every encoder that takes the longest match at a distance, or the fewest bits, leaves none;
// chance streams in tile data and fillers leave many. Sources in the ring's zeros before
// the output are not judged.
std::uint32_t CountWastefulTokens(std::span<const std::uint8_t> stream, bool ff6,
                                  std::span<const std::uint8_t> output);

}  // namespace tegulo
