// Scan checkers of the BIOS family's other schemes and of the SNES command formats, with the
// facts each requires of a stream (chance bytes rarely meet them all). They follow
// CheckStream's contract (stream_scan.h): the hit with score 0 and the figures in `stats`.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "compress/stream_scan.h"

namespace tegulo {

// The most output a BIOS-family hit may announce: the GBA's work RAM.
inline constexpr std::uint32_t kMaxBiosOutput = 0x40000;

// BIOS family: the type byte, a size of minSize..kMaxBiosOutput, the start 4-aligned, the
// whole stream inside the ROM, and:
//  - LZ77-11: no reference before the output start, the last token ends at the size, unused
//    flag bits 0;
//  - Huffman: T odd, every child inside the table, 4-bit leaves below 16, the bitstream
//    whole, the bits after the last symbol 0;
//  - RLE-30: the last block ends at the size; no two literal blocks in a row (the first
//    short of 128), no run continuing the run before it (short of 130), no literal block
//    holding four equal bytes in a row;
//  - Diff: an even size for Diff-16 (the output's look decides the score).
std::optional<TScanHit> CheckLZ11Hit(std::span<const std::uint8_t> rom, std::size_t pos,
                                     std::uint32_t minSize, TStreamStats* stats);
std::optional<TScanHit> CheckHuffman4Hit(std::span<const std::uint8_t> rom, std::size_t pos,
                                         std::uint32_t minSize, TStreamStats* stats);
std::optional<TScanHit> CheckHuffman8Hit(std::span<const std::uint8_t> rom, std::size_t pos,
                                         std::uint32_t minSize, TStreamStats* stats);
std::optional<TScanHit> CheckRLE30Hit(std::span<const std::uint8_t> rom, std::size_t pos,
                                      std::uint32_t minSize, TStreamStats* stats);
std::optional<TScanHit> CheckDiff8Hit(std::span<const std::uint8_t> rom, std::size_t pos,
                                      std::uint32_t minSize, TStreamStats* stats);
std::optional<TScanHit> CheckDiff16Hit(std::span<const std::uint8_t> rom, std::size_t pos,
                                       std::uint32_t minSize, TStreamStats* stats);

// SNES command formats: the stream ends with its end byte, breaks no rule of the format,
// writes minSize..65,536 bytes and a multiple of 16 (whole 2bpp tiles), and never has two
// direct copies in a row (the first short of 1024), which an encoder would have joined.
std::optional<TScanHit> CheckLCLZ2Hit(std::span<const std::uint8_t> rom, std::size_t pos,
                                      std::uint32_t minSize, TStreamStats* stats);
std::optional<TScanHit> CheckLCLZ5Hit(std::span<const std::uint8_t> rom, std::size_t pos,
                                      std::uint32_t minSize, TStreamStats* stats);
std::optional<TScanHit> CheckHALHit(std::span<const std::uint8_t> rom, std::size_t pos,
                                    std::uint32_t minSize, TStreamStats* stats);

// For the checkers: resets `stats` (or a local) keeping its literal marks and factsOnly.
TStreamStats& FreshStats(TStreamStats* stats, TStreamStats& local);

// For the checkers: the BIOS header at pos when the type byte is `type`, the start 4-aligned
// and the size minSize..kMaxBiosOutput; the size, or nothing.
std::optional<std::uint32_t> BiosHeaderAt(std::span<const std::uint8_t> rom, std::size_t pos,
                                          std::uint8_t type, std::uint32_t minSize);

}  // namespace tegulo
