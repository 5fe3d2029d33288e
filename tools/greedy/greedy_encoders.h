// Stream encoders for LZ77-10, LZSS-FF5, LZSS-FF6 and LZSS-CT: greedy matches over a hash chain.
// Tests round-trip the decoders through them and the demo ROM is built with them; the
// programs themselves pack with the compressors of tegulo_core (compress/compressors.h).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "compress/ct/ct_writer.h"
#include "compress/flag/flag_streams.h"

namespace tegulo {

// Each returns a complete stream, header included, that the scheme's decoder turns back
// into `data` exactly.

// "LZ77-10". Inputs up to 16,777,215 bytes (24-bit size); longer ones throw std::length_error.
std::vector<std::uint8_t> EncodeLZ10(std::span<const std::uint8_t> data);

// "LZSS-FF5". Inputs up to 65,535 bytes (16-bit size); longer ones throw std::length_error.
// References may reach into the zero-filled ring before the first output byte.
std::vector<std::uint8_t> EncodeFF5(std::span<const std::uint8_t> data);

// "LZSS-FF6". The header is the stream length: a stream that would pass 65,535 bytes
// throws std::length_error (well-compressible inputs may be longer than that).
std::vector<std::uint8_t> EncodeFF6(std::span<const std::uint8_t> data);

// "LZSS-CT" in either offset mode (11-bit: distances 1..2047, lengths 3..34; 12-bit:
// distances 1..4095, lengths 3..18). Section records hold 16-bit positions, so the
// stream must end by position 65,535 (65,537 when the input is a multiple of 8 tokens);
// beyond that std::length_error is thrown.
std::vector<std::uint8_t> EncodeCT(std::span<const std::uint8_t> data,
                                   TCTMode mode = TCTMode::Bits11);

// A whole stream, header included, that the scheme's decoder turns back into `data`.
using TGreedyEncoder = std::vector<std::uint8_t> (*)(std::span<const std::uint8_t> data);

// The encoder of scheme row 1..4 (LZSS-CT in 11-bit mode); nullptr for any other value.
TGreedyEncoder GreedyEncoder(int scheme);

}  // namespace tegulo
