// "Koei": no header; one byte sequence holding flag bytes (read MSB first, one when a flag is
// needed and the last is used up), literal bytes and 16-bit little-endian code words (their
// bits MSB first) of Elias-gamma-like length codes and distance codes. Code words are placed
// one ahead: loading a word reserves the place of the next one at the read position, before
// any later flag or literal byte. Flag 1: a literal; flag 0: a copy of 2..255 bytes from
// 1..4096 back, or the end code.
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

namespace koei {
inline constexpr std::uint32_t kMinLength = 2;
inline constexpr std::uint32_t kMaxLength = 255;
inline constexpr std::uint32_t kMaxDistance = 4096;
// The end code: a length code of seven zeros and then the seven bits 1111111.
inline constexpr unsigned kEndCode = 127;
inline constexpr unsigned kEndBits = 14;
}  // namespace koei

// Returns the bytes written; stops at the end code, where the stream ends, at a copy from
// before the output and at the end of `output` (which caps a stream without a size field).
// *notValid is set to whether a copy reached before the output, which no encoder writes.
std::uint32_t DecompressKoei(std::span<const std::uint8_t> stream, TDecodeBuffer& output,
                             bool* notValid);

// The bytes the decoder reads into the working buffer: up to the furthest byte read (a place
// reserved for a code word that is never loaded counts only when bytes follow it).
std::size_t StreamExtentKoei(std::span<const std::uint8_t> stream);

// A stream with the fewest bytes any parse gives (flag bytes, literals, code words and a
// reserved word place that bytes follow, all counted). Throws TError when the data do not
// fit the working buffer.
std::vector<std::uint8_t> CompressKoei(std::span<const std::uint8_t> data,
                                       const TCompressOptions& options);

// The end code reached, minSize..65,536 bytes of output and a multiple of 16, no copy from
// before the output, fewer than kMaxEqualLiterals equal literals in a row.
std::optional<TScanHit> CheckKoeiHit(std::span<const std::uint8_t> rom, std::size_t pos,
                                     std::uint32_t minSize, TStreamStats* stats);
// Its quick pass (TScanSkip): a first flag byte without a leading literal, five equal
// literals, or a first copy from before the output or an end code right after them.
std::size_t SkipKoei(std::span<const std::uint8_t> rom, std::size_t pos, std::size_t end,
                     std::size_t align, const TSkipFacts& facts);

namespace detail {
// The quick pass's gate (SkipGatedInRuns) for positions pos .. pos + 63, bit k for pos + k:
// KoeiGates with SSE2 where there is, KoeiGatesPlain a position at a time. Both read
// rom[pos + 1, pos + 66).
std::uint64_t KoeiGates(std::span<const std::uint8_t> rom, std::size_t pos);
std::uint64_t KoeiGatesPlain(std::span<const std::uint8_t> rom, std::size_t pos);
}  // namespace detail

}  // namespace tegulo
