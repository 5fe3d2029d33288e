// Finding LZ77-10 streams in a ROM image, in time linear in the ROM's size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace tegulo {

struct TLZ10Stream {
  std::size_t address = 0;      // position of the type byte in the ROM
  std::uint32_t rawSize = 0;    // the announced size
  std::uint32_t comprSize = 0;  // stream bytes a decode consumes, the 4 header bytes included
  bool operator==(const TLZ10Stream&) const = default;
};

// Checks the stream at `pos` without writing any output: the type byte is 0x10, and
// decoding it as DecompressLZ10 does reads no byte past the end of `rom` and makes no
// back-reference before the start of its output. Returns the sizes a refresh would report,
// or nothing. The announced size is not checked against a minimum here. Takes time in
// proportion to the stream's length; the scan below shares work between positions instead.
std::optional<TLZ10Stream> CheckLZ10Stream(std::span<const std::uint8_t> rom, std::size_t pos);

// Called now and then with the positions done and the ROM's size; returning false stops
// the scan, which then returns what it found so far.
using TScanProgress = std::function<bool(std::size_t done, std::size_t total)>;

struct TLZ10ScanOptions {
  std::uint32_t minSize = 32;  // smallest announced size reported
  std::uint32_t align = 4;     // positions checked: multiples of this (0 counts as 1)
  bool overlaps = false;       // also check positions inside a stream already found
  TScanProgress progress = nullptr;
  // When set, each stream found is passed to it and only those it accepts are reported and
  // hide the positions inside them.
  std::function<bool(const TLZ10Stream&)> accept = nullptr;
};

// Every position at the alignment that holds a stream passing CheckLZ10Stream with an
// announced size of at least minSize, in increasing order; unless `overlaps` is set, the
// positions inside a stream already reported (from its address to its last consumed byte)
// are skipped.
//
// Time: linear in the ROM's size whatever its content, plus, with `overlaps`, the length of
// the streams reported. A back-reference reaches at most 4096 bytes back, so a position is
// decoded on its own only until its output passes 4096 bytes (bounded work per position);
// from there only reading past the end of the ROM can break the stream, and that is answered
// by a table shared by all positions: for each flag-byte position, the output the tokens
// from there yield before the ROM runs out. The table is worked out once, from the end of
// the ROM down to the first candidate that needs it, kept only over a window of 8 KiB, and
// its answers for every candidate kept as a bit per ROM byte.
std::vector<TLZ10Stream> ScanLZ10(std::span<const std::uint8_t> rom, TLZ10ScanOptions options);

}  // namespace tegulo
