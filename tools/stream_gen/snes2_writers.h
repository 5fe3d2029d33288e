// Writers of the second set of SNES formats (LC_LZ14, Konami, LC_LZ17, Koei, ProPack methods 1
// and 2), written from the formats alone and apart from the project's compressors, with the
// parses and layout choices other encoders make.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "lz_parse.h"

namespace tegulo::gen {

// LC_LZ14: copies of 3..18 bytes from 1..4095 back; `zeroPrefix` zero bytes before the data
// may be read (0, or 18 as a zero-filled ring's encoder does).
std::vector<std::uint8_t> WriteLCLZ14(std::span<const std::uint8_t> data, TParse parse,
                                      std::uint32_t zeroPrefix);

enum class TKonamiKind { k1, k2, k2R };
// Konami: greedy (the command writing most bytes, no zero-interleaved pairs) or a shortest
// parse in bytes over every command. Konami-2R re-interleaves the data (whole 16-byte blocks)
// and sets the header's bit 15. Empty when the stream would not fit its length field.
std::vector<std::uint8_t> WriteKonami(std::span<const std::uint8_t> data, TKonamiKind kind,
                                      bool shortest);

// LC_LZ17. `longThird`: every long copy in the three-byte form and the end as 00 00 00 (the
// form another encoder may choose); otherwise the shortest form and the end 00 F0 00.
std::vector<std::uint8_t> WriteLCLZ17(std::span<const std::uint8_t> data, TParse parse,
                                      bool longThird);

// Koei. `keepLastPlace`: the place reserved for a code word that is never loaded stays at
// the stream's end (2 dead bytes) instead of being dropped.
std::vector<std::uint8_t> WriteKoei(std::span<const std::uint8_t> data, TParse parse,
                                    bool keepLastPlace);

// ProPack method 2 in one block; `blockByte` goes to header byte 17 (0 or the block count 1);
// `runs`: literal runs of 12..72 bytes where they save bits.
std::vector<std::uint8_t> WriteRNC2(std::span<const std::uint8_t> data, TParse parse,
                                    std::uint8_t blockByte, bool runs);

// ProPack method 1. `flatTables`: every used symbol gets the same code length (else Huffman
// codes from the symbols' counts); chunks of `chunkSize` decoded bytes or a little more.
std::vector<std::uint8_t> WriteRNC1(std::span<const std::uint8_t> data, TParse parse,
                                    bool flatTables, std::size_t chunkSize);

}  // namespace tegulo::gen
