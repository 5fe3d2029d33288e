// The adapters of the scheme table's rows (see scheme_adapters.h).
#include "compress/scheme_adapters.h"

#include "compress/bios/bios_schemes.h"
#include "compress/commands/command_formats.h"

namespace tegulo {
namespace {

// An undefined command or a source not yet written breaks the format's rules.
std::uint32_t Commands(const TCommandFormat& f, std::span<const std::uint8_t> s, TDecodeBuffer& o,
                       bool* notValid) {
  const TCommandResult r = DecodeCommands(f, s, o);
  *notValid = r.end == TCommandEnd::kInvalid;
  return r.written;
}

}  // namespace

// clang-format off
std::uint32_t DecodeFF5Row(std::span<const std::uint8_t> s, TDecodeBuffer& o, bool* v) { *v = false; return DecompressFF5(s, o); }
std::uint32_t DecodeFF6Row(std::span<const std::uint8_t> s, TDecodeBuffer& o, bool* v) { return DecompressFF6(s, o, v); }
std::uint32_t DecodeCTRow(std::span<const std::uint8_t> s, TDecodeBuffer& o, bool* v) { return DecompressCT(s, o, v); }
std::uint32_t DecodeLZ11Row(std::span<const std::uint8_t> s, TDecodeBuffer& o, bool* v) { return DecompressLZ11(s, o, v); }
std::uint32_t DecodeHuffman4Row(std::span<const std::uint8_t> s, TDecodeBuffer& o, bool* v) { return DecompressHuffman(s, o, 4, v); }
std::uint32_t DecodeHuffman8Row(std::span<const std::uint8_t> s, TDecodeBuffer& o, bool* v) { return DecompressHuffman(s, o, 8, v); }
std::uint32_t DecodeRLE30Row(std::span<const std::uint8_t> s, TDecodeBuffer& o, bool* v) { return DecompressRLE30(s, o, v); }
std::uint32_t DecodeDiff8Row(std::span<const std::uint8_t> s, TDecodeBuffer& o, bool* v) { return DecompressDiff(s, o, 1, v); }
std::uint32_t DecodeDiff16Row(std::span<const std::uint8_t> s, TDecodeBuffer& o, bool* v) { return DecompressDiff(s, o, 2, v); }
std::uint32_t DecodeLCLZ2Row(std::span<const std::uint8_t> s, TDecodeBuffer& o, bool* v) { return Commands(TCommandFormat::LCLZ2, s, o, v); }
std::uint32_t DecodeLCLZ5Row(std::span<const std::uint8_t> s, TDecodeBuffer& o, bool* v) { return Commands(TCommandFormat::LCLZ5, s, o, v); }
std::uint32_t DecodeHALRow(std::span<const std::uint8_t> s, TDecodeBuffer& o, bool* v) { return Commands(TCommandFormat::HAL, s, o, v); }

TBytes PackLZ10(std::span<const std::uint8_t> d, const TCompressOptions& o) { return CompressLZ10(d, o.allowDistance1); }
TBytes PackFF5Row(std::span<const std::uint8_t> d, const TCompressOptions&) { return CompressFF5(d); }
TBytes PackFF6Row(std::span<const std::uint8_t> d, const TCompressOptions&) { return CompressFF6(d); }
TBytes PackCTRow(std::span<const std::uint8_t> d, const TCompressOptions& o) { return CompressCT(d, o.ctMode); }
TBytes PackLZ11Row(std::span<const std::uint8_t> d, const TCompressOptions& o) { return CompressLZ11(d, o.allowDistance1); }
TBytes PackHuffman4Row(std::span<const std::uint8_t> d, const TCompressOptions&) { return CompressHuffman(d, 4); }
TBytes PackHuffman8Row(std::span<const std::uint8_t> d, const TCompressOptions&) { return CompressHuffman(d, 8); }
TBytes PackRLE30Row(std::span<const std::uint8_t> d, const TCompressOptions&) { return CompressRLE30(d); }
TBytes PackDiff8Row(std::span<const std::uint8_t> d, const TCompressOptions&) { return CompressDiff(d, 1); }
TBytes PackDiff16Row(std::span<const std::uint8_t> d, const TCompressOptions&) { return CompressDiff(d, 2); }
TBytes PackLCLZ2Row(std::span<const std::uint8_t> d, const TCompressOptions&) { return CompressCommands(TCommandFormat::LCLZ2, d); }
TBytes PackLCLZ5Row(std::span<const std::uint8_t> d, const TCompressOptions&) { return CompressCommands(TCommandFormat::LCLZ5, d); }
TBytes PackHALRow(std::span<const std::uint8_t> d, const TCompressOptions&) { return CompressCommands(TCommandFormat::HAL, d); }
// clang-format on

// clang-format off
std::size_t SampleLZ10Row(std::span<const std::uint8_t> s, std::uint32_t rawSize, TDecodeBuffer& o) { return SampleLZ10Stream(s, rawSize, o); }
std::size_t SampleFF5Row(std::span<const std::uint8_t> s, std::uint32_t rawSize, TDecodeBuffer& o) { DecompressFF5(s, o); return rawSize; }
std::size_t SampleFF6Row(std::span<const std::uint8_t> s, std::uint32_t rawSize, TDecodeBuffer& o) { DecompressFF6(s, o); return rawSize; }
std::size_t SampleCTRow(std::span<const std::uint8_t> s, std::uint32_t rawSize, TDecodeBuffer& o) { DecompressCT(s, o); return rawSize; }
std::size_t ExtentHuffman4Row(std::span<const std::uint8_t> s) { return StreamExtentHuffman(s, 4); }
std::size_t ExtentHuffman8Row(std::span<const std::uint8_t> s) { return StreamExtentHuffman(s, 8); }
std::size_t ExtentDiff8Row(std::span<const std::uint8_t> s) { return StreamExtentDiff(s, 1); }
std::size_t ExtentDiff16Row(std::span<const std::uint8_t> s) { return StreamExtentDiff(s, 2); }
std::size_t ExtentLCLZ2Row(std::span<const std::uint8_t> s) { return StreamExtentCommands(TCommandFormat::LCLZ2, s); }
std::size_t ExtentLCLZ5Row(std::span<const std::uint8_t> s) { return StreamExtentCommands(TCommandFormat::LCLZ5, s); }
std::size_t ExtentHALRow(std::span<const std::uint8_t> s) { return StreamExtentCommands(TCommandFormat::HAL, s); }
// clang-format on

}  // namespace tegulo
