// "LC_LZ17": no header; flag bits in 16-bit little-endian words from bit 0, the next word
// read as soon as one is used up, before the bytes of the token; a literal (1, byte), a short
// copy (0 0 a b, distance byte: 2..5 bytes from 1..256 back) or a long one (0 1, two bytes:
// 3..9 bytes from 1..8192 back; k = 0 in the second byte adds a third, m, for m + 1 bytes, and
// m = 0 is the end).
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

namespace lclz17 {
inline constexpr std::uint32_t kMinLength = 2;
inline constexpr std::uint32_t kMaxLength = 256;
inline constexpr std::uint32_t kMaxDistance = 8192;
}  // namespace lclz17

// Returns the bytes written; stops at the end token, where the stream ends, at a copy from
// before the output and at the end of `output` (which caps a stream without a size field).
// *notValid is set to whether a copy reached before the output, which no encoder writes.
std::uint32_t DecompressLCLZ17(std::span<const std::uint8_t> stream, TDecodeBuffer& output,
                               bool* notValid);

// The stream bytes read by decoding into the working buffer.
std::size_t StreamExtentLCLZ17(std::span<const std::uint8_t> stream);

// The shortest stream in bytes: a cheapest parse whose state is the bits used of the current
// word. Throws TError when the data do not fit the working buffer.
std::vector<std::uint8_t> CompressLCLZ17(std::span<const std::uint8_t> data,
                                         const TCompressOptions& options);

// The end token reached, minSize..65,536 bytes of output and a multiple of 16, no copy from
// before the output, no three-byte long copy of 9 bytes or fewer, fewer than
// kMaxEqualLiterals equal literals in a row.
std::optional<TScanHit> CheckLCLZ17Hit(std::span<const std::uint8_t> rom, std::size_t pos,
                                       std::uint32_t minSize, TStreamStats* stats);
// Its quick pass (TScanSkip): a first flag word without a leading literal, five equal
// literals, or a first copy from before the output or an end token right after them.
std::size_t SkipLCLZ17(std::span<const std::uint8_t> rom, std::size_t pos, std::size_t end,
                       std::size_t align, const TSkipFacts& facts);

namespace detail {
// The quick pass's gate (SkipGatedInRuns) for positions pos .. pos + 63, bit k for pos + k:
// LCLZ17Gates with SSE2 where there is, LCLZ17GatesPlain a position at a time. Both read
// rom[pos, pos + 73).
std::uint64_t LCLZ17Gates(std::span<const std::uint8_t> rom, std::size_t pos);
std::uint64_t LCLZ17GatesPlain(std::span<const std::uint8_t> rom, std::size_t pos);
}  // namespace detail

}  // namespace tegulo
