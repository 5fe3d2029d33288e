// The compression schemes as a table that carries behaviour: one row per scheme with every
// fact of it (name, stored number, type byte, size rule, limits, decoder, compressor, scan
// checker, extent walk, sampler, what the scorer needs). A new scheme is one source file and
// one row at the end of kSchemeRows; its stored number is the next free one (an entry's
// Compression byte). The names, the lists of the window and the CLI, the help texts, the
// fuzz target and the tests all walk the rows.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/uCommon.h"
#include "compress/bios/bios_header.h"
#include "compress/bios/bios_schemes.h"
#include "compress/commands/command_formats.h"
#include "compress/compressors.h"
#include "compress/ct/ct_layout.h"
#include "compress/flag/ff_layout.h"
#include "compress/flag/lc_lz14.h"
#include "compress/flag/lz10_layout.h"
#include "compress/konami/konami.h"
#include "compress/mixed/koei.h"
#include "compress/mixed/lc_lz17.h"
#include "compress/rnc/rnc_format.h"
#include "compress/scan/stream_scan.h"
#include "compress/scheme_adapters.h"
#include "compress/stream_extent.h"
#include "compress/uCompress.h"

namespace tegulo {

// Runs the scheme's decoder and returns its count. `notValid` (never null) is set to whether
// the stream breaks a rule of the scheme: a wrong type byte (decoding goes on as for a valid
// stream), or a rule the decoder stops at (a Huffman child outside its tree, a command
// format's undefined command or copy from output not yet written, an LZSS-CT record passed
// over, an LZSS-FF6 length shorter than its header). A stream cut short is not reported.
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

// A checker's positions over a whole ROM at once, where that is far cheaper than a check
// at each: sets bit p % 64 of candidates[p / 64] (sized by it) for every position the
// checker may pass with this minSize and factsOnly (TStreamStats); the scan checks only those.
using TStreamPrefilter = void (*)(std::span<const std::uint8_t> rom, std::uint32_t minSize,
                                  bool factsOnly, std::vector<std::uint64_t>& candidates);
// The bytes of the stream (up to the end of the ROM) that the decoder reads when it unpacks
// into the working buffer (stream_extent.h).
using TStreamExtent = std::size_t (*)(std::span<const std::uint8_t> stream);
// Up to output.size() first bytes of a stream the checker passed, for the score; returns how
// many bytes of `output` hold its output.
using TStreamSampler = std::size_t (*)(std::span<const std::uint8_t> stream, std::uint32_t rawSize,
                                       TDecodeBuffer& output);
// The tokens of a stream that its output shows wasteful (a cheaper token writes the same
// bytes), as far as `output` (the sampler's) holds it; for the score's facts.
using TSampleFacts = std::uint32_t (*)(std::span<const std::uint8_t> stream,
                                       std::span<const std::uint8_t> output);

// The limits a scheme's streams obey, as its compressor keeps them; 0 where the scheme has
// no such limit.
struct TSchemeLimits {
  std::uint32_t maxRawSize = 0;  // the largest output the header can announce (0: no size field)
  std::uint32_t maxOutput = 0;   // the most output a stream can describe (0: what the buffer holds)
  std::uint32_t maxStream = 0;   // the largest stream position a header or record can hold
  std::uint32_t minLength = 0;   // of a back-reference or copy (0: the scheme has none)
  std::uint32_t maxLength = 0;
  std::uint32_t minDistance = 0;  // of a back-reference (0: none, or sources are addresses)
  std::uint32_t maxDistance = 0;
  std::size_t ringSize = 0;   // FF ring: its size
  std::size_t ringStart = 0;  // and the index of output byte 0
};

// A scheme whose streams start with no type byte.
inline constexpr int kNoTypeByte = -1;

// Where an entry's RawSize and ComprSize come from when it is unpacked. "Header16" is the
// 16-bit little-endian value at the stream's start, "Header24" the 24-bit value after the
// type byte; header bytes past the end of the stream read as 0.
enum class TSizeRule {
  kFromTiles,        // no stream: RawSize := Width * Height * Bpp * 8, ComprSize kept
  kRawInHeader24,    // RawSize := Header24, ComprSize := stream bytes the decoder consumed
  kRawInHeader16,    // RawSize := Header16, ComprSize := stream bytes the decoder consumed
  kComprInHeader16,  // ComprSize := Header16, RawSize := bytes the decoder wrote
  kComprInHeader15,  // ComprSize := Header16's bits 0-14 (bit 15 is a flag), RawSize as above
  kNoSizeField,      // RawSize := bytes the decoder wrote, ComprSize := stream bytes it read
  kRawInHeader32BE,  // RawSize := the 32-bit big-endian value at byte 4, ComprSize := the
                     // bytes the header says the stream takes (decoder's count)
};

// Where a scan checks for a scheme's streams: at multiples of `align` holding one of the
// first `count` type bytes (count 0: any byte). A checker never passes other positions.
struct TScanStart {
  std::uint8_t align = 1;
  std::uint8_t count = 0;
  std::uint8_t types[2] = {0, 0};
  bool Accepts(std::span<const std::uint8_t> rom, std::size_t pos) const {
    if (count == 0) return true;
    // The byte first: it refuses almost every position without a division.
    return (rom[pos] == types[0] || (count > 1 && rom[pos] == types[1])) && pos % align == 0;
  }
};

// One scheme. Row kSchemeNone has no functions.
struct TSchemeFormat {
  int row = 0;                 // the stored number: the row of Compressions and of kSchemeRows
  const char* name = "";       // as the lists show it, at most 20 characters
  int typeByte = kNoTypeByte;  // the first byte of every stream, where the format has one
  TSizeRule sizeRule = TSizeRule::kFromTiles;
  TSchemeLimits limits;
  TStreamDecoder decode = nullptr;       // nullptr for kSchemeNone
  TStreamCompressor compress = nullptr;  // the write-back's compressor; nullptr for kSchemeNone
  TStreamChecker check = nullptr;        // the scan's checker; nullptr where there is none
  TStreamPrefilter prefilter = nullptr;  // the checker's candidates at once; nullptr: none
  TStreamExtent extent = nullptr;        // nullptr for kSchemeNone
  TStreamSampler sample = nullptr;       // the scorer's output sample; nullptr without checker
  TSampleFacts sampleFacts = nullptr;    // wasteful tokens the sample shows; nullptr: none
  bool zeroRing = false;  // the score's: zeros lie before the output (a zero run costs no literal)
  // The scheme's name in "Not valid NAME stream" (NotValidStreamText); nullptr: `name`.
  const char* streamName = nullptr;
  // The checker has no rule that chance bytes break (anything after the header decodes), so
  // only the score tells a stream from other data: scanned when named, left out of "all".
  bool scoreOnly = false;
  TScanStart scanStart{};
  TScanSkip skip = nullptr;  // the checker's quick pass over refused positions; nullptr: none
};

// Every scheme, the row index its stored number. New schemes go at the end: documents keep
// these numbers.
inline constexpr TSchemeFormat kSchemeRows[] = {
    {.row = kSchemeNone, .name = "(none)", .sizeRule = TSizeRule::kFromTiles, .limits = {}},
    {.row = kSchemeLZ10,
     .name = "LZ77-10",
     .typeByte = lz10::kTypeByte,
     .sizeRule = TSizeRule::kRawInHeader24,
     .limits = {.maxRawSize = lz10::kMaxRawSize,
                .maxOutput = lz10::kMaxRawSize,
                .minLength = lz10::kMinLength,
                .maxLength = lz10::kMaxLength,
                .minDistance = 1,
                .maxDistance = lz10::kMaxDistance},
     .decode = DecompressLZ10,
     .compress = PackLZ10,
     .check = CheckLZ10Hit,
     .extent = StreamExtentLZ10,
     .sample = SampleLZ10Row,
     .streamName = "LZ10"},
    {.row = kSchemeFF5,
     .name = "LZSS-FF5",
     .sizeRule = TSizeRule::kRawInHeader16,
     .limits = {.maxRawSize = ff::kMaxHeaderValue,
                .maxOutput = ff::kMaxHeaderValue,
                .minLength = ff::kMinLength,
                .maxLength = ff::kMaxLength,
                .minDistance = 1,
                .maxDistance = ff::kRingSize,
                .ringSize = ff::kRingSize,
                .ringStart = ff::kRingStart},
     .decode = DecodeFF5Row,
     .compress = PackFF5Row,
     .check = CheckFF5Hit,
     .extent = StreamExtentFF5,
     .sample = SampleFF5Row,
     .zeroRing = true,
     .skip = SkipFF5},
    {.row = kSchemeFF6,
     .name = "LZSS-FF6",
     .sizeRule = TSizeRule::kComprInHeader16,
     .limits = {.maxStream = ff::kMaxHeaderValue,
                .minLength = ff::kMinLength,
                .maxLength = ff::kMaxLength,
                .minDistance = 1,
                .maxDistance = ff::kRingSize,
                .ringSize = ff::kRingSize,
                .ringStart = ff::kRingStart},
     .decode = DecodeFF6Row,
     .compress = PackFF6Row,
     .check = CheckFF6Hit,
     .extent = StreamExtentFF6,
     .sample = SampleFF6Row,
     .zeroRing = true,
     .skip = SkipFF6},
    // CT's lengths and distances depend on the offset mode (ct_layout.h): the widest of both.
    {.row = kSchemeCT,
     .name = "LZSS-CT",
     .sizeRule = TSizeRule::kComprInHeader16,
     .limits = {.maxStream = ct::kMaxPosition,
                .minLength = 3,
                .maxLength = ct::kMode11.maxLength,
                .minDistance = 1,
                .maxDistance = ct::kMode12.maxDistance},
     .decode = DecodeCTRow,
     .compress = PackCTRow,
     .check = CheckCTHit,
     .extent = StreamExtentCT,
     .sample = SampleCTRow,
     .skip = SkipCT},
    {.row = kSchemeLZ11,
     .name = "LZ77-11",
     .typeByte = bios::kTypeLZ11,
     .sizeRule = TSizeRule::kRawInHeader24,
     .limits = {.maxRawSize = bios::kMaxSize,
                .maxOutput = bios::kMaxSize,
                .minLength = kLZ11MinLength,
                .maxLength = kLZ11MaxLength,
                .minDistance = 1,
                .maxDistance = kLZ11MaxDistance},
     .decode = DecodeLZ11Row,
     .compress = PackLZ11Row,
     .check = CheckLZ11Hit,
     .extent = StreamExtentLZ11,
     .sample = SampleRow<DecodeLZ11Row>,
     .streamName = "LZ11",
     .scanStart = {4, 1, {bios::kTypeLZ11, 0}}},
    {.row = kSchemeHuffman4,
     .name = "Huffman-4",
     .typeByte = bios::kTypeHuffman4,
     .sizeRule = TSizeRule::kRawInHeader24,
     .limits = {.maxRawSize = bios::kMaxSize, .maxOutput = bios::kMaxSize},
     .decode = DecodeHuffman4Row,
     .compress = PackHuffman4Row,
     .check = CheckHuffman4Hit,
     .extent = ExtentHuffman4Row,
     .sample = SampleRow<DecodeHuffman4Row>,
     .scanStart = {4, 1, {bios::kTypeHuffman4, 0}}},
    {.row = kSchemeHuffman8,
     .name = "Huffman-8",
     .typeByte = bios::kTypeHuffman8,
     .sizeRule = TSizeRule::kRawInHeader24,
     .limits = {.maxRawSize = bios::kMaxSize, .maxOutput = bios::kMaxSize},
     .decode = DecodeHuffman8Row,
     .compress = PackHuffman8Row,
     .check = CheckHuffman8Hit,
     .extent = ExtentHuffman8Row,
     .sample = SampleRow<DecodeHuffman8Row>,
     .scanStart = {4, 1, {bios::kTypeHuffman8, 0}}},
    {.row = kSchemeRLE30,
     .name = "RLE-30",
     .typeByte = bios::kTypeRLE30,
     .sizeRule = TSizeRule::kRawInHeader24,
     .limits = {.maxRawSize = bios::kMaxSize, .maxOutput = bios::kMaxSize},
     .decode = DecodeRLE30Row,
     .compress = PackRLE30Row,
     .check = CheckRLE30Hit,
     .extent = StreamExtentRLE30,
     .sample = SampleRow<DecodeRLE30Row>,
     .scanStart = {4, 1, {bios::kTypeRLE30, 0}}},
    {.row = kSchemeDiff8,
     .name = "Diff-8",
     .typeByte = bios::kTypeDiff8,
     .sizeRule = TSizeRule::kRawInHeader24,
     .limits = {.maxRawSize = bios::kMaxSize, .maxOutput = bios::kMaxSize},
     .decode = DecodeDiff8Row,
     .compress = PackDiff8Row,
     .check = CheckDiff8Hit,
     .extent = ExtentDiff8Row,
     .sample = SampleDiff8,
     .scoreOnly = true,
     .scanStart = {4, 2, {bios::kTypeDiff8, bios::kTypeDiff8Other}}},
    {.row = kSchemeDiff16,
     .name = "Diff-16",
     .typeByte = bios::kTypeDiff16,
     .sizeRule = TSizeRule::kRawInHeader24,
     .limits = {.maxRawSize = bios::kMaxSize, .maxOutput = bios::kMaxSize},
     .decode = DecodeDiff16Row,
     .compress = PackDiff16Row,
     .check = CheckDiff16Hit,
     .extent = ExtentDiff16Row,
     .sample = SampleDiff16,
     .scoreOnly = true,
     .scanStart = {4, 1, {bios::kTypeDiff16, 0}}},
    // The command formats copy from 16-bit output addresses; LC_LZ5 also from 1..255 back.
    {.row = kSchemeLCLZ2,
     .name = "LC_LZ2",
     .sizeRule = TSizeRule::kNoSizeField,
     .limits = {.maxOutput = kCommandOutputLimit, .minLength = 1, .maxLength = kCommandMaxCount},
     .decode = DecodeLCLZ2Row,
     .compress = PackLCLZ2Row,
     .check = CheckLCLZ2Hit,
     .prefilter = PrefilterLCLZ2,
     .extent = ExtentLCLZ2Row,
     .sample = SampleRow<DecodeLCLZ2Row>,
     .sampleFacts = WastefulLCLZ2Copies},
    {.row = kSchemeLCLZ5,
     .name = "LC_LZ5",
     .sizeRule = TSizeRule::kNoSizeField,
     .limits = {.maxOutput = kCommandOutputLimit,
                .minLength = 1,
                .maxLength = kCommandMaxCount,
                .minDistance = 1,
                .maxDistance = kCommandMaxBack},
     .decode = DecodeLCLZ5Row,
     .compress = PackLCLZ5Row,
     .check = CheckLCLZ5Hit,
     .prefilter = PrefilterLCLZ5,
     .extent = ExtentLCLZ5Row,
     .sample = SampleRow<DecodeLCLZ5Row>,
     .sampleFacts = WastefulLCLZ5Copies},
    {.row = kSchemeHAL,
     .name = "HAL",
     .sizeRule = TSizeRule::kNoSizeField,
     .limits = {.maxOutput = kCommandOutputLimit, .minLength = 1, .maxLength = kCommandMaxCount},
     .decode = DecodeHALRow,
     .compress = PackHALRow,
     .check = CheckHALHit,
     .prefilter = PrefilterHAL,
     .extent = ExtentHALRow,
     .sample = SampleRow<DecodeHALRow>,
     .sampleFacts = WastefulHALCopies},
    {.row = kSchemeLCLZ1,
     .name = "LC_LZ1",
     .sizeRule = TSizeRule::kNoSizeField,
     .limits = {.maxOutput = kCommandOutputLimit, .minLength = 1, .maxLength = kCommandMaxCount},
     .decode = DecompressCommands<TCommandFormat::LCLZ1>,
     .compress = CompressCommands<TCommandFormat::LCLZ1>,
     .check = CheckLCLZ1Hit,
     .prefilter = PrefilterLCLZ1,
     .extent = StreamExtentCommands<TCommandFormat::LCLZ1>,
     .sample = SampleRow<DecompressCommands<TCommandFormat::LCLZ1>>,
     .sampleFacts = WastefulLCLZ1Copies},
    {.row = kSchemeLCLZ14,
     .name = "LC_LZ14",
     .sizeRule = TSizeRule::kRawInHeader16,
     .limits = {.maxRawSize = lclz14::kMaxSize,
                .maxOutput = lclz14::kMaxSize,
                .minLength = lclz14::kMinLength,
                .maxLength = lclz14::kMaxLength,
                .minDistance = 1,
                .maxDistance = lclz14::kMaxDistance},
     .decode = DecompressLCLZ14,
     .compress = CompressLCLZ14,
     .check = CheckLCLZ14Hit,
     .extent = StreamExtentLCLZ14,
     .sample = SampleRow<DecompressLCLZ14>,
     .zeroRing = true,
     .skip = SkipLCLZ14},
    // Konami's copies read a 1024-byte ring of the output; its header holds the stream's length.
    {.row = kSchemeKonami1,
     .name = "Konami-1",
     .sizeRule = TSizeRule::kComprInHeader16,
     .limits = {.maxStream = konami::kMaxStream1,
                .minLength = konami::kMinCopy,
                .maxLength = konami::kMaxCopy,
                .minDistance = 1,
                .maxDistance = konami::kRingSize},
     .decode = DecompressKonami<TKonami::k1>,
     .compress = CompressKonami<TKonami::k1>,
     .check = CheckKonamiHit<TKonami::k1>,
     .extent = StreamExtentKonami<TKonami::k1>,
     .sample = SampleRow<DecompressKonami<TKonami::k1>>,
     .sampleFacts = WastefulKonamiRaws<TKonami::k1>,
     .zeroRing = true,
     .skip = SkipKonami<TKonami::k1>},
    {.row = kSchemeKonami2,
     .name = "Konami-2",
     .sizeRule = TSizeRule::kComprInHeader15,
     .limits = {.maxStream = konami::kMaxStream2,
                .minLength = konami::kMinCopy,
                .maxLength = konami::kMaxCopy,
                .minDistance = 1,
                .maxDistance = konami::kRingSize},
     .decode = DecompressKonami<TKonami::k2>,
     .compress = CompressKonami<TKonami::k2>,
     .check = CheckKonamiHit<TKonami::k2>,
     .extent = StreamExtentKonami<TKonami::k2>,
     .sample = SampleRow<DecompressKonami<TKonami::k2>>,
     .sampleFacts = WastefulKonamiRaws<TKonami::k2>,
     .zeroRing = true,
     .skip = SkipKonami<TKonami::k2>},
    // Konami-2 data re-interleaved in 16-byte blocks (the header's bit 15); it decodes as
    // Konami-2 does.
    {.row = kSchemeKonami2R,
     .name = "Konami-2R",
     .sizeRule = TSizeRule::kComprInHeader15,
     .limits = {.maxStream = konami::kMaxStream2,
                .minLength = konami::kMinCopy,
                .maxLength = konami::kMaxCopy,
                .minDistance = 1,
                .maxDistance = konami::kRingSize},
     .decode = DecompressKonami<TKonami::k2R>,
     .compress = CompressKonami<TKonami::k2R>,
     .check = CheckKonamiHit<TKonami::k2R>,
     .extent = StreamExtentKonami<TKonami::k2R>,
     .sample = SampleRow<DecompressKonami<TKonami::k2R>>,
     .sampleFacts = WastefulKonamiRaws<TKonami::k2R>,
     .zeroRing = true,
     .skip = SkipKonami<TKonami::k2R>},
    {.row = kSchemeLCLZ17,
     .name = "LC_LZ17",
     .sizeRule = TSizeRule::kNoSizeField,
     .limits = {.minLength = lclz17::kMinLength,
                .maxLength = lclz17::kMaxLength,
                .minDistance = 1,
                .maxDistance = lclz17::kMaxDistance},
     .decode = DecompressLCLZ17,
     .compress = CompressLCLZ17,
     .check = CheckLCLZ17Hit,
     .extent = StreamExtentLCLZ17,
     .sample = SampleRow<DecompressLCLZ17>,
     .skip = SkipLCLZ17},
    {.row = kSchemeKoei,
     .name = "Koei",
     .sizeRule = TSizeRule::kNoSizeField,
     .limits = {.minLength = koei::kMinLength,
                .maxLength = koei::kMaxLength,
                .minDistance = 1,
                .maxDistance = koei::kMaxDistance},
     .decode = DecompressKoei,
     .compress = CompressKoei,
     .check = CheckKoeiHit,
     .extent = StreamExtentKoei,
     .sample = SampleRow<DecompressKoei>,
     .skip = SkipKoei},
    {.row = kSchemeRNC1,
     .name = "RNC1",
     .sizeRule = TSizeRule::kRawInHeader32BE,
     .limits = {.maxRawSize = rnc::kMaxSize,
                .maxOutput = rnc::kMaxSize,
                .minLength = 2,
                .maxLength = rnc::kRnc1MaxLength,
                .minDistance = 1,
                .maxDistance = rnc::kRnc1MaxDistance},
     .decode = DecodeRNC1Row,
     .compress = PackRNC1Row,
     .check = CheckRNC1Hit,
     .extent = ExtentRNCRow,
     .sample = SampleRow<DecodeRNC1Row>,
     .scanStart = {1, 1, {rnc::kSignature[0], 0}}},
    {.row = kSchemeRNC2,
     .name = "RNC2",
     .sizeRule = TSizeRule::kRawInHeader32BE,
     .limits = {.maxRawSize = rnc::kMaxSize,
                .maxOutput = rnc::kMaxSize,
                .minLength = 2,
                .maxLength = rnc::kRnc2MaxLength,
                .minDistance = 1,
                .maxDistance = rnc::kRnc2MaxDistance},
     .decode = DecodeRNC2Row,
     .compress = PackRNC2Row,
     .check = CheckRNC2Hit,
     .extent = ExtentRNCRow,
     .sample = SampleRow<DecodeRNC2Row>,
     .scanStart = {1, 1, {rnc::kSignature[0], 0}}},
};

inline constexpr int kCompressionCount = static_cast<int>(std::size(kSchemeRows));

namespace detail {
consteval std::array<TChoice, kCompressionCount> SchemeChoices() {
  std::array<TChoice, kCompressionCount> choices{};
  for (int i = 0; i < kCompressionCount; ++i) {
    choices[i] = MakeChoice(kSchemeRows[i].name, static_cast<std::uint8_t>(kSchemeRows[i].row));
  }
  return choices;
}
consteval bool RowsAreTheirStoredNumbers() {
  for (int i = 0; i < kCompressionCount; ++i) {
    if (kSchemeRows[i].row != i) return false;
  }
  return true;
}
}  // namespace detail
static_assert(detail::RowsAreTheirStoredNumbers());

// The schemes as a choice table: the window's and the CLI's lists, lookups by name. Row index
// = the entry's Compression value = the stored number.
inline constexpr std::array<TChoice, kCompressionCount> Compressions = detail::SchemeChoices();

// Every row, indexed by scheme row 0..kCompressionCount-1.
std::span<const TSchemeFormat, kCompressionCount> SchemeFormats();

// The row of scheme `row` 0..kCompressionCount-1 (kSchemeNone included); nullptr for any
// value outside the table (a damaged record).
const TSchemeFormat* FindSchemeFormat(int row);

// A compression scheme 1..kCompressionCount-1 by name; "(none)" is not one of them.
std::optional<int> FindScheme(std::string_view name);

// The message of a stream of scheme `row` that breaks a rule of its scheme, "Not valid LZ10
// stream" for LZ77-10.
std::string NotValidStreamText(int row);

// For the help texts, from the rows: how much each scheme holds ("LZ77-10, ... hold up to
// 16777215 bytes; ..."), and where RawSize and ComprSize come from under each size rule.
std::string SchemeLimitsText();
std::string SchemeSizeRulesText();

}  // namespace tegulo
