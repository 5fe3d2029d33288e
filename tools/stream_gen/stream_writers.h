// Writers of the four stream formats from a list of tokens, written from the formats alone
// and apart from the project's encoders, so that the scans meet streams as other encoders
// lay them out.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "lz_parse.h"

namespace tegulo::gen {

// What follows the last token up to a multiple of 4 bytes.
enum class TPad { kNone, kZero, kFF };

// How the first section record of a CT stream tells its offset mode: the project's own
// compressor writes 0xC0 (11-bit) or 0x80 (12-bit), other compressors 0x40 or 0x00.
enum class TCTMark { kHighBits, kBit6 };

// Each takes the data and tokens that cover it exactly (ParseTokens with the scheme's rules).
std::vector<std::uint8_t> WriteLZ10(std::span<const std::uint8_t> data,
                                    std::span<const TToken> tokens, TPad pad);
// FF5 when `ff6` is false. A reference's distance is how far back in the ring it reads
// (1..2048); reaching before the output reads the ring's zeros.
std::vector<std::uint8_t> WriteFF(std::span<const std::uint8_t> data,
                                  std::span<const TToken> tokens, bool ff6, TPad pad);
std::vector<std::uint8_t> WriteCT(std::span<const std::uint8_t> data,
                                  std::span<const TToken> tokens, bool mode11, TCTMark mark,
                                  TPad pad);

}  // namespace tegulo::gen
