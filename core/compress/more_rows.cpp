// The adapters of the scheme table's rows 5 and up.
#include "compress/more_rows.h"

#include "compress/bios_schemes.h"
#include "compress/snes_schemes.h"

namespace tegulo {
namespace {

std::uint32_t Commands(TCommandFormat f, std::span<const std::uint8_t> s, TDecodeBuffer& o) {
  return DecodeCommands(f, s, o).written;
}

}  // namespace

// clang-format off
std::uint32_t DecodeLZ11Row(std::span<const std::uint8_t> s, TDecodeBuffer& o, bool*) { return DecompressLZ11(s, o); }
std::uint32_t DecodeHuffman4Row(std::span<const std::uint8_t> s, TDecodeBuffer& o, bool*) { return DecompressHuffman(s, o, 4); }
std::uint32_t DecodeHuffman8Row(std::span<const std::uint8_t> s, TDecodeBuffer& o, bool*) { return DecompressHuffman(s, o, 8); }
std::uint32_t DecodeRLE30Row(std::span<const std::uint8_t> s, TDecodeBuffer& o, bool*) { return DecompressRLE30(s, o); }
std::uint32_t DecodeDiff8Row(std::span<const std::uint8_t> s, TDecodeBuffer& o, bool*) { return DecompressDiff(s, o, 1); }
std::uint32_t DecodeDiff16Row(std::span<const std::uint8_t> s, TDecodeBuffer& o, bool*) { return DecompressDiff(s, o, 2); }
std::uint32_t DecodeLCLZ2Row(std::span<const std::uint8_t> s, TDecodeBuffer& o, bool*) { return Commands(TCommandFormat::LCLZ2, s, o); }
std::uint32_t DecodeLCLZ5Row(std::span<const std::uint8_t> s, TDecodeBuffer& o, bool*) { return Commands(TCommandFormat::LCLZ5, s, o); }
std::uint32_t DecodeHALRow(std::span<const std::uint8_t> s, TDecodeBuffer& o, bool*) { return Commands(TCommandFormat::HAL, s, o); }

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

std::size_t MoreStreamBytesUsed(int row, std::span<const std::uint8_t> stream) {
  constexpr TCommandFormat kFormats[] = {TCommandFormat::LCLZ2, TCommandFormat::LCLZ5,
                                         TCommandFormat::HAL};
  TDecodeBuffer out(kDecodeBufferSize, 0);
  switch (row) {
    case kSchemeLZ11: return DecompressLZ11(stream, out);
    case kSchemeHuffman4: return DecompressHuffman(stream, out, 4);
    case kSchemeHuffman8: return DecompressHuffman(stream, out, 8);
    case kSchemeRLE30: return DecompressRLE30(stream, out);
    case kSchemeDiff8: return DecompressDiff(stream, out, 1);
    case kSchemeDiff16: return DecompressDiff(stream, out, 2);
    case kSchemeLCLZ2:
    case kSchemeLCLZ5:
    case kSchemeHAL: return DecodeCommands(kFormats[row - kSchemeLCLZ2], stream, out).consumed;
    default: return 0;
  }
}

}  // namespace tegulo
