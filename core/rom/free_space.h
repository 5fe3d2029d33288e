// Free space in a ROM image: long runs of one fill byte in the bytes a layout lets data use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "rom/rom_layout.h"

namespace tegulo {

enum class TFillKind : std::uint8_t { Ff, Zero, Any };  // Any: runs of 0xFF or of 0x00

struct TFreeOptions {
  std::size_t minLength = 32;
  TFillKind fill = TFillKind::Ff;
  std::size_t align = 0;  // 0: the layout's data alignment
};

struct TFreeRun {
  std::int64_t start = 0;  // file offset, aligned
  std::int64_t length = 0;
  std::uint8_t fill = 0xFF;
  std::int64_t End() const { return start + length; }
};

// "ff", "00", "any" (any letter case); nothing for other text.
std::optional<TFillKind> ParseFillKind(std::string_view text);

// The runs of the fill byte at least `minLength` long from an aligned start (alignment counted
// in the image, after a copier header), in rising order. Runs never include reserved bytes
// (ReservedRanges) and end at SNES bank boundaries, so that each is one block data can use.
std::vector<TFreeRun> FindFreeSpace(std::span<const std::uint8_t> rom, const TRomLayout& layout,
                                    const TFreeOptions& options);
// The same runs handed to `visit` one by one, so that memory stays bounded however many a file
// holds.
void ForEachFreeRun(std::span<const std::uint8_t> rom, const TRomLayout& layout,
                    const TFreeOptions& options, const std::function<void(const TFreeRun&)>& visit);

}  // namespace tegulo
