// The compression schemes as a table that carries behaviour: one row per scheme with its
// decoder, the rule that gives an entry's sizes, its encoder and its scan checker.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "compress/compressors.h"
#include "compress/stream_scan.h"
#include "compress/uCompress.h"

namespace tegulo {

// Runs the scheme's decoder of uCompress.h and returns its count. `notValid` (never null)
// is set by schemes whose header carries a type byte (LZ77-10) and left alone by the others.
using TStreamDecoder = std::uint32_t (*)(std::span<const std::uint8_t> stream, tLZStream& output,
                                         bool* notValid);
// A whole stream, header included, that the scheme's decoder turns back into `data`.
// Throws std::length_error for inputs the format cannot hold.
using TStreamEncoder = std::vector<std::uint8_t> (*)(std::span<const std::uint8_t> data);
// The shortest stream the scheme allows for `data` (compressors.h); throws TError for inputs
// the format cannot hold.
using TStreamCompressor = std::vector<std::uint8_t> (*)(std::span<const std::uint8_t> data,
                                                        const TCompressOptions& options);
// The scan's plausibility check of the stream at `pos` without writing output (see
// CheckStream): the hit with score 0, and the decoding's figures in `stats` when given.
using TStreamChecker = std::optional<TScanHit> (*)(std::span<const std::uint8_t> rom,
                                                   std::size_t pos, std::uint32_t minSize,
                                                   TStreamStats* stats);

// Where an entry's RawSize and ComprSize come from when it is unpacked. "Header16" is the
// 16-bit little-endian value at the stream's start, "Header24" the 24-bit value after the
// type byte; header bytes past the end of the stream read as 0.
enum class TSizeRule {
  kFromTiles,        // no stream: RawSize := Width * Height * Bpp * 8, ComprSize kept
  kRawInHeader24,    // RawSize := Header24, ComprSize := stream bytes the decoder consumed
  kRawInHeader16,    // RawSize := Header16, ComprSize := stream bytes the decoder consumed
  kComprInHeader16,  // ComprSize := Header16, RawSize := bytes the decoder wrote
  kNoSizeField,      // RawSize := bytes the decoder wrote, ComprSize := stream bytes it read
};

// One scheme. Row kSchemeNone has no functions.
struct TSchemeFormat {
  int row;  // the row of Compressions, equal to the index in SchemeFormats()
  TSizeRule sizeRule;
  TStreamDecoder decode;       // nullptr for kSchemeNone
  TStreamEncoder encode;       // the greedy encoder (encoders.h); nullptr where none exists
  TStreamChecker check;        // nullptr where no scan checker exists
  TStreamCompressor compress;  // the write-back's compressor; nullptr for kSchemeNone
};

// Every row, indexed by scheme row 0..kCompressionCount-1.
std::span<const TSchemeFormat, kCompressionCount> SchemeFormats();

// The row of scheme `row` 0..kCompressionCount-1 (kSchemeNone included); nullptr for any
// value outside the table (a damaged record).
const TSchemeFormat* FindSchemeFormat(int row);

// A compression scheme 1..kCompressionCount-1 by name; "(none)" is not one of them.
std::optional<int> FindScheme(std::string_view name);

}  // namespace tegulo
