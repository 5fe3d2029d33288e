// Finding LZ77-10 streams in a ROM image, in time linear in the ROM's size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "compress/flag/lz10_layout.h"

namespace tegulo {

struct TLZ10Stream {
  std::size_t address = 0;      // position of the type byte in the ROM
  std::uint32_t rawSize = 0;    // the announced size
  std::uint32_t comprSize = 0;  // stream bytes a decode consumes, the 4 header bytes included
  bool operator==(const TLZ10Stream&) const = default;
};

// The walk of the stream at `pos` as DecompressLZ10 reads it, without writing output: the
// type byte is 0x10, and no byte is read past the end of `rom` and no back-reference reaches
// before the start of the output. The visitor sees each token, Literal(out, byte) and
// Reference(out, length) (`out` the output position before it; false stops the walk), then
// LastFlags(rest): the flag bits of the last group after the last token (0 as encoders leave
// them). Returns the sizes, or nothing.
template <class V>
std::optional<TLZ10Stream> WalkLZ10(std::span<const std::uint8_t> rom, std::size_t pos, V& visit) {
  if (pos >= rom.size() || rom.size() - pos < lz10::kHeaderSize || rom[pos] != lz10::kTypeByte) {
    return std::nullopt;
  }
  const auto s = rom.subspan(pos);
  const std::uint32_t announced = s[1] | s[2] << 8 | std::uint32_t{s[3]} << 16;
  struct TChecked {
    V& inner;
    std::uint32_t announced;
    bool Done(std::size_t /*in*/, std::uint64_t out) const { return out >= announced; }
    bool Literal(std::uint64_t out, std::uint8_t byte) {
      return inner.Literal(static_cast<std::uint32_t>(out), byte);
    }
    bool Reference(std::uint64_t out, lz10::TReference r) {
      return r.distance <= out &&
             inner.Reference(static_cast<std::uint32_t>(out), static_cast<std::uint32_t>(r.length));
    }
  } checked{visit, announced};
  const lz10::TWalk w = lz10::WalkTokensFrom(s, checked, lz10::kHeaderSize, 0);
  if (w.end != lz10::TWalkEnd::kDone) return std::nullopt;
  visit.LastFlags(w.restFlags);
  return TLZ10Stream{pos, announced, static_cast<std::uint32_t>(w.in)};
}

// Checks the stream at `pos` (WalkLZ10 with nothing to see). Returns the sizes a refresh
// would report, or nothing. The announced size is not checked against a minimum here. Takes
// time in proportion to the stream's length; the scan below shares work between positions.
std::optional<TLZ10Stream> CheckLZ10Stream(std::span<const std::uint8_t> rom, std::size_t pos);

// The first bytes of the output of an LZ77-10 stream that CheckLZ10Stream passed with
// `rawSize`, without lengthening `output` (as DecompressLZ10 would): min(rawSize, size) bytes.
std::size_t SampleLZ10Stream(std::span<const std::uint8_t> stream, std::uint32_t rawSize,
                             std::span<std::uint8_t> output);

// Called now and then with the positions done and the ROM's size; returning false stops
// the scan, which then returns what it found so far.
using TScanProgress = std::function<bool(std::size_t done, std::size_t total)>;

// The scans' defaults, as the window's scan dialog and the command line offer them.
inline constexpr std::uint32_t kDefaultScanMinSize = 32;
inline constexpr std::uint32_t kDefaultScanAlign = 4;

struct TLZ10ScanOptions {
  std::uint32_t minSize = kDefaultScanMinSize;  // smallest announced size reported
  std::uint32_t align = kDefaultScanAlign;  // positions checked: multiples of this (0 counts as 1)
  bool overlaps = false;                    // also check positions inside a stream already found
  TScanProgress progress = nullptr;
  // When set, each stream found is passed to it: it refuses the stream, takes it, or takes it
  // and hides the positions inside it (without it, every stream found is taken and hides).
  enum class TAccept { kRefuse, kTake, kTakeAndHide };
  std::function<TAccept(const TLZ10Stream&)> accept = nullptr;
  // Also refuses, at once, the streams whose decoding writes five literal zeros in a row
  // after a flag byte of 0 before its output ends (a scan whose checker refuses five equal
  // literals in a row loses nothing). Long streams that run into zero fillers then cost no
  // walk each.
  bool refuseZeroRuns = false;
  // The bytes that candidates whose output passes 4096 bytes are walked on their own (each
  // to its end, or to a refusal another walk met already) before the shared table below
  // judges the rest; SIZE_MAX: four times the ROM's size and 1 MiB.
  std::size_t farWalkBudget = SIZE_MAX;
};

// Every position at the alignment that holds a stream passing CheckLZ10Stream with an
// announced size of at least minSize, in increasing order; unless `overlaps` is set, the
// positions inside a stream already reported (from its address to its last consumed byte)
// are skipped.
//
// Time: linear in the ROM's size whatever its content, plus, with `overlaps`, the length of
// the streams reported. A back-reference reaches at most 4096 bytes back, so a position is
// decoded on its own only until its output passes 4096 bytes (bounded work per position);
// from there only reading past the end of the ROM can break the stream. Such candidates are
// walked on their own up to farWalkBudget bytes in all (real streams are few and scoring
// them costs their length anyway); a walk that meets a flag-byte position of one refused
// before, and needs the output past that refusal, is refused there. The rest is answered by
// a table shared by all positions: for each flag-byte position, the output the tokens
// from there yield before the ROM runs out. The table is worked out once, from the end of
// the ROM down to the first candidate that needs it, kept only over a window of 8 KiB, and
// its answers for every candidate kept as a bit per ROM byte. A candidate whose bytes repeat
// those of one a few bytes before (fillers) takes that one's answer.
std::vector<TLZ10Stream> ScanLZ10(std::span<const std::uint8_t> rom,
                                  const TLZ10ScanOptions& options);

}  // namespace tegulo
