// "LC_LZ14": a 16-bit little-endian output size, then groups of a flag byte (bit 0 first; 1 a
// literal) and tokens; a copy is a 16-bit little-endian word of a 4-bit length - 3 and a
// 12-bit distance. Sources before the output read 00.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "compress/compressors.h"
#include "compress/shared/stream_check.h"
#include "compress/uCompress.h"

namespace tegulo {

namespace lclz14 {
inline constexpr std::uint32_t kMaxSize = 0xFFFF;
inline constexpr std::uint32_t kMinLength = 3;
inline constexpr std::uint32_t kMaxLength = 18;
inline constexpr std::uint32_t kMaxDistance = 4095;
}  // namespace lclz14

// Decoding stops when the header's size is reached (a copy passing it is cut there), at
// distance 0 and where the stream ends or `output` is full. Returns the stream bytes read,
// the 2 header bytes included. *notValid is set to whether a copy had distance 0, which the
// format does not define.
std::uint32_t DecompressLCLZ14(std::span<const std::uint8_t> stream, TDecodeBuffer& output,
                               bool* notValid);

// The stream bytes DecompressLCLZ14 reads into the working buffer.
std::size_t StreamExtentLCLZ14(std::span<const std::uint8_t> stream);

// The shortest LC_LZ14 stream (an exact cheapest parse; copies may read the zeros before the
// data, as far as a copy's length). Throws TError above 65,535 bytes.
std::vector<std::uint8_t> CompressLCLZ14(std::span<const std::uint8_t> data,
                                         const TCompressOptions& options);

// A size of minSize..65,535 and a multiple of 16, reached exactly by the last token; no
// distance 0, no copy reaching more than 18 bytes before the output (no encoder does), flag
// bits after the last token 0, fewer than kMaxEqualLiterals equal literals in a row.
std::optional<TScanHit> CheckLCLZ14Hit(std::span<const std::uint8_t> rom, std::size_t pos,
                                       std::uint32_t minSize, TStreamStats* stats);
// Its quick pass (TScanSkip): a size out of bounds, or a copy of the first group that the
// checker refuses.
std::size_t SkipLCLZ14(std::span<const std::uint8_t> rom, std::size_t pos, std::size_t end,
                       std::size_t align, const TSkipFacts& facts);

namespace detail {
// The quick pass's gate (SkipGatedInRuns) for positions pos .. pos + 63, bit k for pos + k:
// LCLZ14Gates with SSE2 where there is, LCLZ14GatesPlain a position at a time. Both read
// rom[pos, pos + 65).
std::uint64_t LCLZ14Gates(std::span<const std::uint8_t> rom, std::size_t pos);
std::uint64_t LCLZ14GatesPlain(std::span<const std::uint8_t> rom, std::size_t pos);
}  // namespace detail

}  // namespace tegulo
