// The compression schemes as a table that carries behaviour: one row per scheme with every
// fact of it (stored number, size rule, limits, decoders, compressor, scan checker, extent
// walk, what the scorer needs). A new scheme is one source file and one row; its stored
// number is the next free one (an entry's Compression byte), and the tests walk every row.
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
using TStreamDecoder = std::uint32_t (*)(std::span<const std::uint8_t> stream,
                                         TDecodeBuffer& output, bool* notValid);
// The shortest stream the scheme allows for `data` (compressors.h); throws TError for inputs
// the format cannot hold.
using TStreamCompressor = std::vector<std::uint8_t> (*)(std::span<const std::uint8_t> data,
                                                        const TCompressOptions& options);
// The scan's plausibility check of the stream at `pos` without writing output (see
// CheckStream): the hit with score 0, and the decoding's figures in `stats` when given.
using TStreamChecker = std::optional<TScanHit> (*)(std::span<const std::uint8_t> rom,
                                                   std::size_t pos, std::uint32_t minSize,
                                                   TStreamStats* stats);

// The careful form of a decoder (decoder_paths.h), without type-byte report.
using TCarefulDecoder = std::uint32_t (*)(std::span<const std::uint8_t> stream,
                                          TDecodeBuffer& output);
// The bytes of the stream (up to the end of the ROM) that the decoder reads when it unpacks
// into the working buffer (stream_extent.h).
using TStreamExtent = std::size_t (*)(std::span<const std::uint8_t> stream);
// Up to output.size() first bytes of a stream the checker passed, for the score; returns how
// many bytes of `output` hold its output.
using TStreamSampler = std::size_t (*)(std::span<const std::uint8_t> stream, std::uint32_t rawSize,
                                       TDecodeBuffer& output);

// The limits a scheme's streams obey, as its compressor keeps them.
struct TSchemeLimits {
  std::uint32_t maxRawSize;  // the largest input the header can announce (0: no size field)
  std::uint32_t maxStream;   // the largest stream position a header or record can hold
  std::uint32_t minLength, maxLength;  // of a back-reference
  std::uint32_t minDistance, maxDistance;
  std::size_t ringSize, ringStart;  // FF ring: its size and the index of output byte 0
};

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

// Where a scan checks for a scheme's streams: at multiples of `align` holding one of the
// first `count` type bytes (count 0: any byte). A checker never passes other positions.
struct TScanStart {
  std::uint8_t align = 1;
  std::uint8_t count = 0;
  std::uint8_t types[2] = {0, 0};
  bool Accepts(std::span<const std::uint8_t> rom, std::size_t pos) const {
    if (count == 0) return true;
    return pos % align == 0 && (rom[pos] == types[0] || (count > 1 && rom[pos] == types[1]));
  }
};

// One scheme. Row kSchemeNone has no functions.
struct TSchemeFormat {
  int row;  // the row of Compressions, equal to the index in SchemeFormats()
  TSizeRule sizeRule;
  TSchemeLimits limits;
  TStreamDecoder decode;          // nullptr for kSchemeNone
  TCarefulDecoder decodeCareful;  // the same results without fast paths
  TStreamChecker check;           // nullptr where no scan checker exists
  TStreamCompressor compress;     // the write-back's compressor; nullptr for kSchemeNone
  TStreamExtent extent;           // nullptr for kSchemeNone
  TStreamSampler sample;          // the scorer's output sample; nullptr where no checker exists
  bool zeroRing;                  // zeros lie before the output (a zero run costs no literal)
  // The checker has no rule that chance bytes break (anything after the header decodes), so
  // only the score tells a stream from other data: scanned when named, left out of "all".
  bool scoreOnly = false;
  TScanStart scanStart{};
};

// Every row, indexed by scheme row 0..kCompressionCount-1.
std::span<const TSchemeFormat, kCompressionCount> SchemeFormats();

// The row of scheme `row` 0..kCompressionCount-1 (kSchemeNone included); nullptr for any
// value outside the table (a damaged record).
const TSchemeFormat* FindSchemeFormat(int row);

// A compression scheme 1..kCompressionCount-1 by name; "(none)" is not one of them.
std::optional<int> FindScheme(std::string_view name);

}  // namespace tegulo
