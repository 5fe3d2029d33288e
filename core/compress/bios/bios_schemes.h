// The other GBA/DS BIOS schemes: LZ77 type 0x11, Huffman 0x24/0x28, run-length 0x30 and the
// diff filters 0x81/0x82. Each stream starts with a type byte and the 24-bit size in bytes.
//
// The decoders follow the rules of uCompress.h: they lengthen `output` to the announced size
// when it is shorter, stop where a byte is needed past the end of the stream or a write
// would pass the end of `output`, and return the stream bytes consumed, header included.
// *notValid (when given) is set to whether the stream breaks a rule of its scheme: a type
// byte other than the scheme's (decoding goes on as for a valid stream), or a Huffman child
// outside the tree table (decoding stops there). A stream cut off by the end of the bytes is
// not reported that way: it is only shorter.
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

// LZ77-11's back-references: lengths 3..16 in 2 bytes, 17..272 in 3, 273..65808 in 4;
// distances 1..4096.
inline constexpr std::uint32_t kLZ11MinLength = 3;
inline constexpr std::uint32_t kLZ11MaxLength = 65808;
inline constexpr std::uint32_t kLZ11MaxDistance = 4096;

// "LZ77-11". A back-reference before the first output byte reads zeros, as for LZ77-10; a
// last reference may run past the size up to the end of `output`.
std::uint32_t DecompressLZ11(std::span<const std::uint8_t> stream, TDecodeBuffer& output,
                             bool* notValid = nullptr);

// "Huffman-4" (SymbolBits 4, type 0x24) and "Huffman-8" (8, type 0x28). Symbols are decoded
// up to the size rounded up to 4, as the BIOS writes whole words; `output` gets the size.
// The second form sets `broken` when a child lies outside the tree or the words run out
// before the size; `notValid` is set for the first of them and for a wrong type byte.
template <int SymbolBits>
std::uint32_t DecompressHuffman(std::span<const std::uint8_t> stream, TDecodeBuffer& output,
                                bool* notValid = nullptr);
template <int SymbolBits>
std::uint32_t DecompressHuffman(std::span<const std::uint8_t> stream, TDecodeBuffer& output,
                                bool* notValid, bool* broken);

// "RLE-30". The last block is cut short at the size.
std::uint32_t DecompressRLE30(std::span<const std::uint8_t> stream, TDecodeBuffer& output,
                              bool* notValid = nullptr);

// "Diff-8" (UnitBytes 1; 0x80 is read as a valid 8-bit type byte too) and "Diff-16" (2).
// An odd size with 16-bit units reads the whole last unit.
template <int UnitBytes>
std::uint32_t DecompressDiff(std::span<const std::uint8_t> stream, TDecodeBuffer& output,
                             bool* notValid = nullptr);

// The stream bytes each decoder above reads when it decodes into the working buffer, walked
// without writing output.
std::size_t StreamExtentLZ11(std::span<const std::uint8_t> stream);
template <int SymbolBits>
std::size_t StreamExtentHuffman(std::span<const std::uint8_t> stream);
std::size_t StreamExtentRLE30(std::span<const std::uint8_t> stream);
template <int UnitBytes>
std::size_t StreamExtentDiff(std::span<const std::uint8_t> stream);

// The scan's samples: the first min(rawSize, output.size()) bytes of the output, as
// DecompressDiff writes them, without lengthening `output`; returns rawSize.
std::size_t SampleDiff8(std::span<const std::uint8_t> stream, std::uint32_t rawSize,
                        std::span<std::uint8_t> output);
std::size_t SampleDiff16(std::span<const std::uint8_t> stream, std::uint32_t rawSize,
                         std::span<std::uint8_t> output);

// The shortest streams each format allows; each throws TError for inputs above 16,777,215
// bytes (the 24-bit size). Only LZ77-11 reads an option (allowDistance1).
// LZ77-11: shortest parse over lengths 3..65808 and distances 2 (1 when allowed)..4096.
std::vector<std::uint8_t> CompressLZ11(std::span<const std::uint8_t> data,
                                       const TCompressOptions& options = {});
// Huffman: the smallest bitstream over the trees whose layout the node offsets can express.
// The data is padded to whole words with its most frequent symbol.
template <int SymbolBits>
std::vector<std::uint8_t> CompressHuffman(std::span<const std::uint8_t> data,
                                          const TCompressOptions& options = {});
// RLE-30: optimal split into runs and literal blocks.
std::vector<std::uint8_t> CompressRLE30(std::span<const std::uint8_t> data,
                                        const TCompressOptions& options = {});
// Diff-8, Diff-16: the filtered data (an odd size with 16-bit units ends with a whole unit).
template <int UnitBytes>
std::vector<std::uint8_t> CompressDiff(std::span<const std::uint8_t> data,
                                       const TCompressOptions& options = {});

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

}  // namespace tegulo
