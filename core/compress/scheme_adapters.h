// The adapters that give the schemes' functions the shapes of the scheme table's fields
// (scheme_formats.h).
#pragma once

#include "compress/bios/bios_schemes.h"
#include "compress/commands/command_formats.h"
#include "compress/compressors.h"
#include "compress/scan/stream_scan.h"

namespace tegulo {

// Decoders in the table's shape; none reports an invalid type byte (only LZ77-10 does). The
// command formats return the bytes written.
std::uint32_t DecodeFF5Row(std::span<const std::uint8_t> s, TDecodeBuffer& o, bool* notValid);
std::uint32_t DecodeFF6Row(std::span<const std::uint8_t> s, TDecodeBuffer& o, bool* notValid);
std::uint32_t DecodeCTRow(std::span<const std::uint8_t> s, TDecodeBuffer& o, bool* notValid);
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
TBytes PackLZ10(std::span<const std::uint8_t> data, const TCompressOptions& options);
TBytes PackFF5Row(std::span<const std::uint8_t> data, const TCompressOptions& options);
TBytes PackFF6Row(std::span<const std::uint8_t> data, const TCompressOptions& options);
TBytes PackCTRow(std::span<const std::uint8_t> data, const TCompressOptions& options);
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

// The scorer's sample: LZ77-10's own, the others the whole decode and the announced size.
std::size_t SampleLZ10Row(std::span<const std::uint8_t> s, std::uint32_t rawSize, TDecodeBuffer& o);
std::size_t SampleFF5Row(std::span<const std::uint8_t> s, std::uint32_t rawSize, TDecodeBuffer& o);
std::size_t SampleFF6Row(std::span<const std::uint8_t> s, std::uint32_t rawSize, TDecodeBuffer& o);
std::size_t SampleCTRow(std::span<const std::uint8_t> s, std::uint32_t rawSize, TDecodeBuffer& o);
template <std::uint32_t (*Decode)(std::span<const std::uint8_t>, TDecodeBuffer&, bool*)>
std::size_t SampleRow(std::span<const std::uint8_t> s, std::uint32_t rawSize, TDecodeBuffer& o) {
  bool ignored = false;
  Decode(s, o, &ignored);
  return rawSize;
}

}  // namespace tegulo
