// The emitter of the "LZSS-CT" layout: a parse (literals and back-references) written as a
// whole stream, shared by the compressors and the greedy encoders.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "compress/search/optimal_parse.h"

namespace tegulo {

enum class TCTMode { Bits11, Bits12 };

// Writes `tokens`, a parse of `data` (a literal takes the next byte of `data`, a reference
// `length` bytes `distance` back), under the scheme's header.
// "LZSS-CT": groups of eight tokens under control bytes, a record with the count of a last
// short group, the end record; the first record carries the mode. Throws TError when a
// record position would pass 65,535.
std::vector<std::uint8_t> WriteCTStream(std::span<const std::uint8_t> data,
                                        std::span<const TParseToken> tokens, TCTMode mode);

}  // namespace tegulo
