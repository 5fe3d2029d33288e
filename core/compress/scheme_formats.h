// The compression schemes as a table that carries behaviour: one row per scheme with every
// fact of it (name, stored number, type byte, size rule, limits, decoder, compressor, scan
// checker, extent walk, sampler, what the scorer needs), each field the scheme's own function
// (CONTRIBUTING.md lists the files a new scheme touches). A new row goes at the end of
// kSchemeRows; its stored number is the next free one (an entry's Compression byte). The
// names, the lists of the window and the CLI, the help texts, the fuzz targets, the benchmarks
// and the tests all walk the rows.
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
// The candidates of several rows whose checkers read the same bytes alike, found in one pass
// for less than each row's prefilter in turn: fills candidates[k] as rows[k]'s prefilter does,
// for each of the rows (all of them rows that name this pass).
using TSharedPrefilter = void (*)(std::span<const std::uint8_t> rom, std::uint32_t minSize,
                                  bool factsOnly, std::span<const int> rows,
                                  std::span<std::vector<std::uint64_t>> candidates);
// The bytes of the stream (up to the end of the ROM) that the decoder reads when it unpacks
// into the working buffer (stream_extent.h).
using TStreamExtent = std::size_t (*)(std::span<const std::uint8_t> stream);
// Up to output.size() first bytes of a stream the checker passed, for the score, written
// without lengthening `output`; returns how many bytes of `output` hold its output.
using TStreamSampler = std::size_t (*)(std::span<const std::uint8_t> stream, std::uint32_t rawSize,
                                       std::span<std::uint8_t> output);
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
  TSchemeLimits limits{};
  TStreamDecoder decode = nullptr;       // nullptr for kSchemeNone
  TStreamCompressor compress = nullptr;  // the write-back's compressor; nullptr for kSchemeNone
  TStreamChecker check = nullptr;        // the scan's checker; nullptr where there is none
  TStreamPrefilter prefilter = nullptr;  // the checker's candidates at once; nullptr: none
  // The same for this row and the others that name one pass, where a scan takes several of
  // them; nullptr: none.
  TSharedPrefilter sharedPrefilter = nullptr;
  TStreamExtent extent = nullptr;  // nullptr for kSchemeNone
  // The scorer's output sample where a cheaper one than `decode` exists; nullptr: the whole
  // decode (SampleStream).
  TStreamSampler sample = nullptr;
  TSampleFacts sampleFacts = nullptr;  // wasteful tokens the sample shows; nullptr: none
  bool zeroRing = false;  // the score's: zeros lie before the output (a zero run costs no literal)
  // The scheme's name in "Not valid NAME stream" (NotValidStreamText); nullptr: `name`.
  const char* streamName = nullptr;
  // The checker has no rule that chance bytes break (anything after the header decodes), so
  // only the score tells a stream from other data: scanned when named, left out of "all".
  bool scoreOnly = false;
  TScanStart scanStart{};
  TScanSkip skip = nullptr;  // the checker's quick pass over refused positions; nullptr: none
  // The command table of a list of commands up to an end byte, every byte a command's start
  // (nullptr for the other layouts): chance bytes just before a real stream read as a few
  // commands that run into it (the scan's overlaps rank such a hit below the others).
  const TCommandFormat* commandFormat = nullptr;
  // The scan takes only streams that unpack to a whole number of these bytes: 16 for schemes
  // whose hits chance bytes fake easily (a 2bpp tile; every SNES tile format, 16 colours and
  // a row of a tilemap fill whole ones), 1 for the others. The checker refuses the rest.
  std::uint8_t scanUnit = 1;
};

namespace detail {

// The GBA BIOS family: a type byte and the 24-bit size after it, up to bios::kMaxSize bytes
// of output; the scan looks at 4-aligned positions that hold the type byte (or those of
// `scanStart` when the row gives them).
constexpr TSchemeFormat BiosRow(TSchemeFormat f) {
  f.sizeRule = TSizeRule::kRawInHeader24;
  f.limits.maxRawSize = bios::kMaxSize;
  f.limits.maxOutput = bios::kMaxSize;
  if (f.scanStart.count == 0) f.scanStart = {4, 1, {static_cast<std::uint8_t>(f.typeByte), 0}};
  return f;
}

// Konami's copies read a 1024-byte ring of the output; its header holds the stream's length
// (Konami-2 and 2R: bits 0-14, bit 15 asks for re-interleaved 16-byte blocks).
template <TKonami V>
constexpr TSchemeFormat KonamiRow(int row, const char* name) {
  const bool one = V == TKonami::k1;
  return {.row = row,
          .name = name,
          .sizeRule = one ? TSizeRule::kComprInHeader16 : TSizeRule::kComprInHeader15,
          .limits = {.maxStream = one ? konami::kMaxStream1 : konami::kMaxStream2,
                     .minLength = konami::kMinCopy,
                     .maxLength = konami::kMaxCopy,
                     .minDistance = 1,
                     .maxDistance = konami::kRingSize},
          .decode = DecompressKonami<V>,
          .compress = CompressKonami<V>,
          .check = CheckKonamiHit<V>,
          .prefilter = PrefilterKonami<V>,
          .sharedPrefilter = PrefilterKonamiRows,
          .extent = StreamExtentKonami<V>,
          .sampleFacts = WastefulKonamiRaws<V>,
          .zeroRing = true,
          .skip = SkipKonami<V>,
          .scanUnit = 16};
}

// The SNES command formats: no header, copies from 16-bit output addresses (LC_LZ5 also from
// 1..255 bytes back), the end byte 0xFF.
template <const TCommandFormat& F>
constexpr TSchemeFormat CommandRow(int row, TStreamChecker check, TStreamPrefilter prefilter,
                                   TSampleFacts facts) {
  const bool back = F.Has(command::kRelative);
  return {.row = row,
          .name = F.name,
          .sizeRule = TSizeRule::kNoSizeField,
          .limits = {.maxOutput = kCommandOutputLimit,
                     .minLength = 1,
                     .maxLength = kCommandMaxCount,
                     .minDistance = back ? 1U : 0U,
                     .maxDistance = back ? kCommandMaxBack : 0U},
          .decode = DecompressCommands<F>,
          .compress = CompressCommands<F>,
          .check = check,
          .prefilter = prefilter,
          .sharedPrefilter = PrefilterCommandRows,
          .extent = StreamExtentCommands<F>,
          .sampleFacts = facts,
          .commandFormat = &F,
          .scanUnit = 16};
}

// ProPack: "RNC" and the method byte, the 32-bit big-endian decoded size after them.
constexpr TSchemeFormat RncRow(TSchemeFormat f) {
  f.sizeRule = TSizeRule::kRawInHeader32BE;
  f.limits.maxRawSize = rnc::kMaxSize;
  f.limits.maxOutput = rnc::kMaxSize;
  f.limits.minLength = 2;
  f.limits.minDistance = 1;
  f.extent = StreamExtentRNC;
  f.scanStart = {1, 1, {rnc::kSignature[0], 0}};
  return f;
}

}  // namespace detail

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
     .compress = CompressLZ10,
     .check = CheckLZ10Hit,
     .extent = StreamExtentLZ10,
     .sample = SampleLZ10Stream,
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
     .decode = DecompressFF5,
     .compress = CompressFF5,
     .check = CheckFF5Hit,
     .extent = StreamExtentFF5,
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
     .decode = DecompressFF6,
     .compress = CompressFF6,
     .check = CheckFF6Hit,
     .extent = StreamExtentFF6,
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
     .decode = DecompressCT,
     .compress = CompressCT,
     .check = CheckCTHit,
     .extent = StreamExtentCT,
     .skip = SkipCT},
    detail::BiosRow({.row = kSchemeLZ11,
                     .name = "LZ77-11",
                     .typeByte = bios::kTypeLZ11,
                     .limits = {.minLength = kLZ11MinLength,
                                .maxLength = kLZ11MaxLength,
                                .minDistance = 1,
                                .maxDistance = kLZ11MaxDistance},
                     .decode = DecompressLZ11,
                     .compress = CompressLZ11,
                     .check = CheckLZ11Hit,
                     .extent = StreamExtentLZ11,
                     .streamName = "LZ11"}),
    detail::BiosRow({.row = kSchemeHuffman4,
                     .name = "Huffman-4",
                     .typeByte = bios::kTypeHuffman4,
                     .decode = DecompressHuffman<4>,
                     .compress = CompressHuffman<4>,
                     .check = CheckHuffman4Hit,
                     .extent = StreamExtentHuffman<4>}),
    detail::BiosRow({.row = kSchemeHuffman8,
                     .name = "Huffman-8",
                     .typeByte = bios::kTypeHuffman8,
                     .decode = DecompressHuffman<8>,
                     .compress = CompressHuffman<8>,
                     .check = CheckHuffman8Hit,
                     .extent = StreamExtentHuffman<8>}),
    detail::BiosRow({.row = kSchemeRLE30,
                     .name = "RLE-30",
                     .typeByte = bios::kTypeRLE30,
                     .decode = DecompressRLE30,
                     .compress = CompressRLE30,
                     .check = CheckRLE30Hit,
                     .extent = StreamExtentRLE30}),
    detail::BiosRow({.row = kSchemeDiff8,
                     .name = "Diff-8",
                     .typeByte = bios::kTypeDiff8,
                     .decode = DecompressDiff<1>,
                     .compress = CompressDiff<1>,
                     .check = CheckDiff8Hit,
                     .extent = StreamExtentDiff<1>,
                     .sample = SampleDiff8,
                     .scoreOnly = true,
                     .scanStart = {4, 2, {bios::kTypeDiff8, bios::kTypeDiff8Other}}}),
    detail::BiosRow({.row = kSchemeDiff16,
                     .name = "Diff-16",
                     .typeByte = bios::kTypeDiff16,
                     .decode = DecompressDiff<2>,
                     .compress = CompressDiff<2>,
                     .check = CheckDiff16Hit,
                     .extent = StreamExtentDiff<2>,
                     .sample = SampleDiff16,
                     .scoreOnly = true}),
    detail::CommandRow<TCommandFormat::LCLZ2>(kSchemeLCLZ2, CheckLCLZ2Hit, PrefilterLCLZ2,
                                              WastefulLCLZ2Copies),
    detail::CommandRow<TCommandFormat::LCLZ5>(kSchemeLCLZ5, CheckLCLZ5Hit, PrefilterLCLZ5,
                                              WastefulLCLZ5Copies),
    detail::CommandRow<TCommandFormat::HAL>(kSchemeHAL, CheckHALHit, PrefilterHAL,
                                            WastefulHALCopies),
    detail::CommandRow<TCommandFormat::LCLZ1>(kSchemeLCLZ1, CheckLCLZ1Hit, PrefilterLCLZ1,
                                              WastefulLCLZ1Copies),
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
     .zeroRing = true,
     .skip = SkipLCLZ14,
     .scanUnit = 16},
    detail::KonamiRow<TKonami::k1>(kSchemeKonami1, "Konami-1"),
    detail::KonamiRow<TKonami::k2>(kSchemeKonami2, "Konami-2"),
    // Konami-2 data re-interleaved in 16-byte blocks; it decodes as Konami-2 does.
    detail::KonamiRow<TKonami::k2R>(kSchemeKonami2R, "Konami-2R"),
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
     .skip = SkipLCLZ17,
     .scanUnit = 16},
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
     .skip = SkipKoei,
     .scanUnit = 16},
    detail::RncRow(
        {.row = kSchemeRNC1,
         .name = "RNC1",
         .limits = {.maxLength = rnc::kRnc1MaxLength, .maxDistance = rnc::kRnc1MaxDistance},
         .decode = DecompressRNC1,
         .compress = CompressRNC1,
         .check = CheckRNC1Hit}),
    detail::RncRow(
        {.row = kSchemeRNC2,
         .name = "RNC2",
         .limits = {.maxLength = rnc::kRnc2MaxLength, .maxDistance = rnc::kRnc2MaxDistance},
         .decode = DecompressRNC2,
         .compress = CompressRNC2,
         .check = CheckRNC2Hit}),
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

// Whether TCompressOptions::padToWords pads the streams of `format`: the GBA BIOS family's
// (a type byte and a 24-bit size), which the BIOS reads in words. Their names, "LZ77-10,
// LZ77-11, ... and Diff-16", for the help texts.
bool PadsToWords(const TSchemeFormat& format);
std::string WordPaddedSchemeNames();

// The row of scheme `row` 0..kCompressionCount-1 (kSchemeNone included); nullptr for any
// value outside the table (a damaged record).
const TSchemeFormat* FindSchemeFormat(int row);

// The first bytes of the output of a stream of `format` (one with a decoder) that announces
// `rawSize` bytes, for the score: its sampler's, or else its decoder's output in `output`
// (lengthened as the decoder does) and rawSize. Returns how many bytes of `output` hold it.
std::size_t SampleStream(const TSchemeFormat& format, std::span<const std::uint8_t> stream,
                         std::uint32_t rawSize, TDecodeBuffer& output);

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
