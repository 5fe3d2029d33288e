// The compression schemes' stored numbers and the decoders of the flag-byte and CT layouts.
//
// Every decoder reads the stream through a bounded view (the caller passes the bytes from
// the stream's start to the end of the ROM) and writes into `output` from index 0.
// At the limits of the data:
//  - header fields that lie past the end of the stream read as 0;
//  - a byte needed past the end of the stream stops decoding there; output already
//    written stays, and the returned count covers what was consumed or written so far
//    (a count of consumed bytes never exceeds the stream's length);
//  - a write that would pass the end of `output` is dropped and decoding stops;
//  - a back-reference reaching before output index 0 writes a zero byte for each source
//    position before index 0, and decoding goes on.
// No decoder can loop forever: each pass of its main loop consumes at least one byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "base/uCommon.h"

namespace tegulo {

// The schemes' stored numbers, each the row of its scheme in the scheme table
// (scheme_formats.h: names, limits and functions); an entry's Compression holds one of them.
// Documents keep these numbers: new schemes are added at the end.
inline constexpr int kSchemeNone = 0;
inline constexpr int kSchemeLZ10 = 1;  // "LZ77-10"
inline constexpr int kSchemeFF5 = 2;   // "LZSS-FF5"
inline constexpr int kSchemeFF6 = 3;   // "LZSS-FF6"
inline constexpr int kSchemeCT = 4;    // "LZSS-CT"
// The other GBA BIOS schemes (bios/bios_schemes.h) and the SNES command formats
// (commands/command_formats.h).
inline constexpr int kSchemeLZ11 = 5;      // "LZ77-11"
inline constexpr int kSchemeHuffman4 = 6;  // "Huffman-4"
inline constexpr int kSchemeHuffman8 = 7;  // "Huffman-8"
inline constexpr int kSchemeRLE30 = 8;     // "RLE-30"
inline constexpr int kSchemeDiff8 = 9;     // "Diff-8"
inline constexpr int kSchemeDiff16 = 10;   // "Diff-16"
inline constexpr int kSchemeLCLZ2 = 11;    // "LC_LZ2"
inline constexpr int kSchemeLCLZ5 = 12;    // "LC_LZ5"
inline constexpr int kSchemeHAL = 13;      // "HAL"
// LC_LZ1 (commands/command_formats.h), LC_LZ14 (flag/lc_lz14.h), Konami (konami/konami.h),
// LC_LZ17 (mixed/lc_lz17.h).
inline constexpr int kSchemeLCLZ1 = 14;     // "LC_LZ1"
inline constexpr int kSchemeLCLZ14 = 15;    // "LC_LZ14"
inline constexpr int kSchemeKonami1 = 16;   // "Konami-1"
inline constexpr int kSchemeKonami2 = 17;   // "Konami-2"
inline constexpr int kSchemeKonami2R = 18;  // "Konami-2R"
inline constexpr int kSchemeLCLZ17 = 19;    // "LC_LZ17"
inline constexpr int kSchemeKoei = 20;      // "Koei" (mixed/koei.h)
// Rob Northen's ProPack methods (rnc/rnc_format.h).
inline constexpr int kSchemeRNC1 = 21;  // "RNC1"
inline constexpr int kSchemeRNC2 = 22;  // "RNC2"

// "LZ77-10". Returns the stream bytes consumed, the 4 header bytes included. Lengthens
// `output` to the announced size when it is shorter (never shortens it). *notValid (when
// given) is set to whether the type byte differs from 0x10; decoding goes on exactly as for
// a valid stream either way.
std::uint32_t DecompressLZ10(std::span<const std::uint8_t> stream, TDecodeBuffer& output,
                             bool* notValid = nullptr);

// "LZSS-FF5". Returns the stream bytes consumed, the 2 header bytes included. Every stream
// keeps FF5's rules (any size, any token): the second form sets *notValid to false.
std::uint32_t DecompressFF5(std::span<const std::uint8_t> stream, TDecodeBuffer& output);
std::uint32_t DecompressFF5(std::span<const std::uint8_t> stream, TDecodeBuffer& output,
                            bool* notValid);

// "LZSS-FF6". Returns the number of bytes written. The second form also sets *notValid to
// whether the header's length is below 2, shorter than the header itself (nothing is written
// then).
std::uint32_t DecompressFF6(std::span<const std::uint8_t> stream, TDecodeBuffer& output);
std::uint32_t DecompressFF6(std::span<const std::uint8_t> stream, TDecodeBuffer& output,
                            bool* notValid);

// "LZSS-CT". Returns the number of bytes written. A stream whose next section record is
// never met runs on until the end of the stream or of `output`. When the first record, whose
// byte gives the offset mode, lies past the end of the stream, nothing is written. The
// second form also sets *notValid to whether decoding passed a record's position without
// meeting it there (it lay inside a token or behind the position), which no encoder writes.
std::uint32_t DecompressCT(std::span<const std::uint8_t> stream, TDecodeBuffer& output);
std::uint32_t DecompressCT(std::span<const std::uint8_t> stream, TDecodeBuffer& output,
                           bool* notValid);

}  // namespace tegulo
