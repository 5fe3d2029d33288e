// Finding LZ77-10 streams in a ROM image.
#pragma once

#include <cstddef>
#include <cstdint>
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
// or nothing. The announced size is not checked against a minimum here.
std::optional<TLZ10Stream> CheckLZ10Stream(std::span<const std::uint8_t> rom, std::size_t pos);

struct TLZ10ScanOptions {
  std::uint32_t minSize = 32;  // smallest announced size reported
  std::uint32_t align = 4;     // positions checked: multiples of this (0 counts as 1)
};

// Every position at the alignment that holds a stream passing CheckLZ10Stream with an
// announced size of at least minSize, in increasing order. Streams may overlap: each
// position is judged on its own.
std::vector<TLZ10Stream> ScanLZ10(std::span<const std::uint8_t> rom, TLZ10ScanOptions options);

}  // namespace tegulo
