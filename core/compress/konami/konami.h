// "Konami-1", "Konami-2" and "Konami-2R": a 16-bit little-endian stream length, header
// included (Konami-2: bits 0-14; bit 15 set asks for each 16-byte block's bytes to be
// re-interleaved, the block's even bytes first in the stream), then commands up to that
// length: copies from a 1024-byte ring of the output whose unwritten places hold zeros, raw
// runs, zero-interleaved bytes, fills and zero runs (Konami-2's command 0xFF a long one).
// Konami-2 and Konami-2R decode alike (the flag in each stream decides); the compressor
// writes the flag only for Konami-2R.
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

enum class TKonami : std::uint8_t { k1, k2, k2R };

namespace konami {
inline constexpr std::uint32_t kMinCopy = 2;
inline constexpr std::uint32_t kMaxCopy = 33;
inline constexpr std::uint32_t kRingSize = 0x400;
inline constexpr std::uint32_t kMaxStream1 = 0xFFFF;  // Konami-1: the whole 16-bit length
inline constexpr std::uint32_t kMaxStream2 = 0x7FFF;  // Konami-2: bit 15 is the reorder flag
}  // namespace konami

// Returns the bytes written. Stops at the stream's length or end, at a command that passes
// the length or is undefined (a raw run of 0), and at the end of `output`. *notValid is set to
// whether the stream broke a rule: a length below 2, a command passing the length, a raw run
// of 0, or a re-interleaved stream whose output is not whole 16-byte blocks.
template <TKonami V>
std::uint32_t DecompressKonami(std::span<const std::uint8_t> stream, TDecodeBuffer& output,
                               bool* notValid);

// The stream bytes the decoder reads.
template <TKonami V>
std::size_t StreamExtentKonami(std::span<const std::uint8_t> stream);

// The shortest stream (an exact cheapest path over every command and count). Throws TError
// when the stream would not fit its length field (Konami-1: 65,535 bytes; Konami-2: 32,767),
// when the data do not fit the working buffer, and for Konami-2R data that are not whole
// 16-byte blocks.
template <TKonami V>
std::vector<std::uint8_t> CompressKonami(std::span<const std::uint8_t> data,
                                         const TCompressOptions& options);

// Whether a stream reaches its stated length without a command 0xFF, where the versions
// differ: it then decodes alike as Konami-1 and as Konami-2 (whose header's bit 15 is clear).
bool KonamiVersionsReadAlike(std::span<const std::uint8_t> stream);

// The length reached exactly by whole commands, minSize..65,536 bytes of output and a multiple
// of 16, the reorder flag clear (Konami-2) or set (Konami-2R), no copy reading more than 33
// bytes before the output, no two raw runs (or runs of zero-interleaved pairs) in a row that one
// could hold, fewer than kMaxEqualLiterals equal raw bytes in a row, no fills or zero runs in a row
// that fewer bytes write or that write more than 8192 bytes of one value, no copy of only zeros
// that a zero run writes for less. A stream without a command 0xFF passes both Konami-1's and
// Konami-2's checker (KonamiVersionsReadAlike). The facts decide the score of a stream of 8
// commands or more, of one mostly of zero runs in tidy rows, of one mostly of raw runs in rows
// of the longest or of words with bit 15 clear, of one mostly of fills with a row of one value
// and of one mostly of copies from near places (the output or the zeros before it); the checker
// counts against them the shapes chance bytes take around rows of 0xFF and in tables (pairs
// before blank rows without a copy, a row of zero runs that runs on past the stated end, pairs
// repeating to a run's end, two short runs of one value in a row that one of the longest
// writes, a few commands mostly of pairs), and a stream with one scores below the default
// minimum. The commands of a stream (as far as the score's
// sample goes) that cheaper ones would write: raw bytes a copy or a zero run writes in fewer stream
// bytes (4 inside a raw run, the last 3 of one), runs of 2..16 zero-interleaved pairs whose output
// one copy writes, a copy of 16 bytes or fewer the third time in a row, two copies in a row that
// one from the first one's source writes. No exact or greedy parse writes them (a lazy one leaves
// one raw byte before a copy). For the score's facts.
template <TKonami V>
std::uint32_t WastefulKonamiRaws(std::span<const std::uint8_t> stream,
                                 std::span<const std::uint8_t> output);

template <TKonami V>
std::optional<TScanHit> CheckKonamiHit(std::span<const std::uint8_t> rom, std::size_t pos,
                                       std::uint32_t minSize, TStreamStats* stats);
// Its quick pass (TScanSkip): a header out of bounds, or one of the first eight commands
// breaking a rule of the checker.
// Its candidates over a whole ROM (TStreamPrefilter): those the quick pass lets through whose
// chain of commands meets no refusal before the stated end.
template <TKonami V>
void PrefilterKonami(std::span<const std::uint8_t> rom, std::uint32_t minSize, bool factsOnly,
                     std::vector<std::uint64_t>& candidates);
// The candidates of several versions at once (TSharedPrefilter), rows[k] one of the three
// Konami rows, as each one's PrefilterKonami finds them: one pass for all.
void PrefilterKonamiRows(std::span<const std::uint8_t> rom, std::uint32_t minSize, bool factsOnly,
                         std::span<const int> rows,
                         std::span<std::vector<std::uint64_t>> candidates);
template <TKonami V>
std::size_t SkipKonami(std::span<const std::uint8_t> rom, std::size_t pos, std::size_t end,
                       std::size_t align, const TSkipFacts& facts);

}  // namespace tegulo
