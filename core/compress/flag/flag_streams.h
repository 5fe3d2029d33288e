// The emitters of the stream layouts: a parse (literals and back-references) written as a
// whole stream of a flag-byte scheme, shared by the compressors and the greedy encoders.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "compress/search/optimal_parse.h"

namespace tegulo {

// Each writes `tokens`, a parse of `data` (a literal takes the next byte of `data`, a
// reference `length` bytes `distance` back), under the scheme's header.

// "LZ77-10": type byte, 24-bit size, most-significant-first flag bytes. Distances 1..4096,
// lengths 3..18.
std::vector<std::uint8_t> WriteLZ10Stream(std::span<const std::uint8_t> data,
                                          std::span<const TParseToken> tokens);

// "LZSS-FF5" / "LZSS-FF6": least-significant-first flags (set: a literal), references as
// ring indices; distances up to the ring size may reach into the zeros before the output.
// The header is FF5's size or FF6's stream length (its low 16 bits: the caller checks that
// the length fits).
std::vector<std::uint8_t> WriteFFStream(std::span<const std::uint8_t> data,
                                        std::span<const TParseToken> tokens, bool ff6);

}  // namespace tegulo
