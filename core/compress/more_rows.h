// The scheme table's rows of the schemes numbered 5 and up: the other GBA BIOS schemes and
// the SNES command formats, with the adapters that give their functions the table's shapes.
#pragma once

#include "compress/bios_schemes.h"
#include "compress/more_scan.h"
#include "compress/scheme_formats.h"

namespace tegulo {

// Decoders in the table's shape; none reports an invalid type byte (only LZ77-10 does). The
// command formats return the bytes written.
std::uint32_t DecodeLZ11Row(std::span<const std::uint8_t> s, TDecodeBuffer& o, bool* notValid);
std::uint32_t DecodeHuffman4Row(std::span<const std::uint8_t> s, TDecodeBuffer& o, bool* notValid);
std::uint32_t DecodeHuffman8Row(std::span<const std::uint8_t> s, TDecodeBuffer& o, bool* notValid);
std::uint32_t DecodeRLE30Row(std::span<const std::uint8_t> s, TDecodeBuffer& o, bool* notValid);
std::uint32_t DecodeDiff8Row(std::span<const std::uint8_t> s, TDecodeBuffer& o, bool* notValid);
std::uint32_t DecodeDiff16Row(std::span<const std::uint8_t> s, TDecodeBuffer& o, bool* notValid);
std::uint32_t DecodeLCLZ2Row(std::span<const std::uint8_t> s, TDecodeBuffer& o, bool* notValid);
std::uint32_t DecodeLCLZ5Row(std::span<const std::uint8_t> s, TDecodeBuffer& o, bool* notValid);
std::uint32_t DecodeHALRow(std::span<const std::uint8_t> s, TDecodeBuffer& o, bool* notValid);

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

// The extent walks in the table's shape, each the scheme file's own.
std::size_t ExtentHuffman4Row(std::span<const std::uint8_t> s);
std::size_t ExtentHuffman8Row(std::span<const std::uint8_t> s);
std::size_t ExtentDiff8Row(std::span<const std::uint8_t> s);
std::size_t ExtentDiff16Row(std::span<const std::uint8_t> s);
std::size_t ExtentLCLZ2Row(std::span<const std::uint8_t> s);
std::size_t ExtentLCLZ5Row(std::span<const std::uint8_t> s);
std::size_t ExtentHALRow(std::span<const std::uint8_t> s);

// The rows' adapters: the careful form is the decoder itself (these have no fast path) and
// the scorer's sample decode.
template <int kRow, TStreamDecoder Decode>
std::uint32_t CarefulRow(std::span<const std::uint8_t> s, TDecodeBuffer& o) {
  bool ignored = false;
  return Decode(s, o, &ignored);
}
template <TStreamDecoder Decode>
std::size_t SampleRow(std::span<const std::uint8_t> s, std::uint32_t rawSize, TDecodeBuffer& o) {
  bool ignored = false;
  Decode(s, o, &ignored);
  return rawSize;
}

inline constexpr TSchemeLimits kBiosLimits{0xFFFFFF, 0, 0, 0, 0, 0, 0, 0};
inline constexpr TSchemeLimits kCommandLimits{0, 0xFFFF, 0, 0, 0, 0, 0, 0};

// No greedy encoders: the compressors are the only writers of these schemes.
inline constexpr TSchemeFormat kMoreRows[] = {
    {kSchemeLZ11,
     TSizeRule::kRawInHeader24,
     kBiosLimits,
     DecodeLZ11Row,
     CarefulRow<kSchemeLZ11, DecodeLZ11Row>,
     CheckLZ11Hit,
     PackLZ11Row,
     StreamExtentLZ11,
     SampleRow<DecodeLZ11Row>,
     false,
     false,
     {4, 1, {0x11, 0}}},
    {kSchemeHuffman4,
     TSizeRule::kRawInHeader24,
     kBiosLimits,
     DecodeHuffman4Row,
     CarefulRow<kSchemeHuffman4, DecodeHuffman4Row>,
     CheckHuffman4Hit,
     PackHuffman4Row,
     ExtentHuffman4Row,
     SampleRow<DecodeHuffman4Row>,
     false,
     false,
     {4, 1, {0x24, 0}}},
    {kSchemeHuffman8,
     TSizeRule::kRawInHeader24,
     kBiosLimits,
     DecodeHuffman8Row,
     CarefulRow<kSchemeHuffman8, DecodeHuffman8Row>,
     CheckHuffman8Hit,
     PackHuffman8Row,
     ExtentHuffman8Row,
     SampleRow<DecodeHuffman8Row>,
     false,
     false,
     {4, 1, {0x28, 0}}},
    {kSchemeRLE30,
     TSizeRule::kRawInHeader24,
     kBiosLimits,
     DecodeRLE30Row,
     CarefulRow<kSchemeRLE30, DecodeRLE30Row>,
     CheckRLE30Hit,
     PackRLE30Row,
     StreamExtentRLE30,
     SampleRow<DecodeRLE30Row>,
     false,
     false,
     {4, 1, {0x30, 0}}},
    {kSchemeDiff8,
     TSizeRule::kRawInHeader24,
     kBiosLimits,
     DecodeDiff8Row,
     CarefulRow<kSchemeDiff8, DecodeDiff8Row>,
     CheckDiff8Hit,
     PackDiff8Row,
     ExtentDiff8Row,
     SampleRow<DecodeDiff8Row>,
     false,
     true,
     {4, 2, {0x81, 0x80}}},
    {kSchemeDiff16,
     TSizeRule::kRawInHeader24,
     kBiosLimits,
     DecodeDiff16Row,
     CarefulRow<kSchemeDiff16, DecodeDiff16Row>,
     CheckDiff16Hit,
     PackDiff16Row,
     ExtentDiff16Row,
     SampleRow<DecodeDiff16Row>,
     false,
     true,
     {4, 1, {0x82, 0}}},
    {kSchemeLCLZ2, TSizeRule::kNoSizeField, kCommandLimits, DecodeLCLZ2Row,
     CarefulRow<kSchemeLCLZ2, DecodeLCLZ2Row>, CheckLCLZ2Hit, PackLCLZ2Row, ExtentLCLZ2Row,
     SampleRow<DecodeLCLZ2Row>, false},
    {kSchemeLCLZ5, TSizeRule::kNoSizeField, kCommandLimits, DecodeLCLZ5Row,
     CarefulRow<kSchemeLCLZ5, DecodeLCLZ5Row>, CheckLCLZ5Hit, PackLCLZ5Row, ExtentLCLZ5Row,
     SampleRow<DecodeLCLZ5Row>, false},
    {kSchemeHAL, TSizeRule::kNoSizeField, kCommandLimits, DecodeHALRow,
     CarefulRow<kSchemeHAL, DecodeHALRow>, CheckHALHit, PackHALRow, ExtentHALRow,
     SampleRow<DecodeHALRow>, false},
};

}  // namespace tegulo
