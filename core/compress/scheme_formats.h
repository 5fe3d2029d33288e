// The compression schemes as a table that carries behaviour: one row per scheme with its
// decoder, the rule that gives an entry's sizes, its encoder and its scan checker.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "compress/compressors.h"
#include "compress/lz10_scan.h"
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
// Checks the stream at `pos` without writing output (see CheckLZ10Stream).
using TStreamChecker = std::optional<TLZ10Stream> (*)(std::span<const std::uint8_t> rom,
                                                      std::size_t pos);

// Where an entry's RawSize and ComprSize come from when it is unpacked. "Header16" is the
// 16-bit little-endian value at the stream's start, "Header24" the 24-bit value after the
// type byte; header bytes past the end of the stream read as 0.
enum class TSizeRule {
  kFromTiles,        // no stream: RawSize := Width * Height * Bpp * 8, ComprSize kept
  kRawInHeader24,    // RawSize := Header24, ComprSize := stream bytes the decoder consumed
  kRawInHeader16,    // RawSize := Header16, ComprSize := stream bytes the decoder consumed
  kComprInHeader16,  // ComprSize := Header16, RawSize := bytes the decoder wrote
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

}  // namespace tegulo
