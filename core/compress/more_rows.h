// The scheme table's rows of the schemes numbered 5 and up: the other GBA BIOS schemes and
// the SNES command formats, with the adapters that give their functions the table's shapes.
#pragma once

#include "compress/more_scan.h"
#include "compress/scheme_formats.h"

namespace tegulo {

// Decoders in the table's shape; none reports an invalid type byte (only LZ77-10 does). The
// command formats return the bytes written.
std::uint32_t DecodeLZ11Row(std::span<const std::uint8_t> s, tLZStream& o, bool* notValid);
std::uint32_t DecodeHuffman4Row(std::span<const std::uint8_t> s, tLZStream& o, bool* notValid);
std::uint32_t DecodeHuffman8Row(std::span<const std::uint8_t> s, tLZStream& o, bool* notValid);
std::uint32_t DecodeRLE30Row(std::span<const std::uint8_t> s, tLZStream& o, bool* notValid);
std::uint32_t DecodeDiff8Row(std::span<const std::uint8_t> s, tLZStream& o, bool* notValid);
std::uint32_t DecodeDiff16Row(std::span<const std::uint8_t> s, tLZStream& o, bool* notValid);
std::uint32_t DecodeLCLZ2Row(std::span<const std::uint8_t> s, tLZStream& o, bool* notValid);
std::uint32_t DecodeLCLZ5Row(std::span<const std::uint8_t> s, tLZStream& o, bool* notValid);
std::uint32_t DecodeHALRow(std::span<const std::uint8_t> s, tLZStream& o, bool* notValid);

using TBytes = std::vector<std::uint8_t>;
TBytes PackLZ11Row(std::span<const std::uint8_t> data, const TCompressOptions& options);
TBytes PackHuffman4Row(std::span<const std::uint8_t> data, const TCompressOptions& options);
TBytes PackHuffman8Row(std::span<const std::uint8_t> data, const TCompressOptions& options);
TBytes PackRLE30Row(std::span<const std::uint8_t> data, const TCompressOptions& options);
TBytes PackDiff8Row(std::span<const std::uint8_t> data, const TCompressOptions& options);
TBytes PackDiff16Row(std::span<const std::uint8_t> data, const TCompressOptions& options);
TBytes PackLCLZ2Row(std::span<const std::uint8_t> data, const TCompressOptions& options);
TBytes PackLCLZ5Row(std::span<const std::uint8_t> data, const TCompressOptions& options);
TBytes PackHALRow(std::span<const std::uint8_t> data, const TCompressOptions& options);

// The stream bytes a decode of scheme `row` (5 and up) reads; 0 for other rows.
std::size_t MoreStreamBytesUsed(int row, std::span<const std::uint8_t> stream);

// No greedy encoders: the compressors are the only writers of these schemes.
inline constexpr TSchemeFormat kMoreRows[] = {
    {kSchemeLZ11, TSizeRule::kRawInHeader24, DecodeLZ11Row, nullptr, CheckLZ11Hit, PackLZ11Row},
    {kSchemeHuffman4, TSizeRule::kRawInHeader24, DecodeHuffman4Row, nullptr, CheckHuffman4Hit,
     PackHuffman4Row},
    {kSchemeHuffman8, TSizeRule::kRawInHeader24, DecodeHuffman8Row, nullptr, CheckHuffman8Hit,
     PackHuffman8Row},
    {kSchemeRLE30, TSizeRule::kRawInHeader24, DecodeRLE30Row, nullptr, CheckRLE30Hit, PackRLE30Row},
    {kSchemeDiff8, TSizeRule::kRawInHeader24, DecodeDiff8Row, nullptr, CheckDiff8Hit, PackDiff8Row},
    {kSchemeDiff16, TSizeRule::kRawInHeader24, DecodeDiff16Row, nullptr, CheckDiff16Hit,
     PackDiff16Row},
    {kSchemeLCLZ2, TSizeRule::kNoSizeField, DecodeLCLZ2Row, nullptr, CheckLCLZ2Hit, PackLCLZ2Row},
    {kSchemeLCLZ5, TSizeRule::kNoSizeField, DecodeLCLZ5Row, nullptr, CheckLCLZ5Hit, PackLCLZ5Row},
    {kSchemeHAL, TSizeRule::kNoSizeField, DecodeHALRow, nullptr, CheckHALHit, PackHALRow},
};

}  // namespace tegulo
