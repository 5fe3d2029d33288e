// The window's way into relocation and pointer search: the core that tegulo-cli import
// --relocate and pointers use, with the layout its headers tell.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "rom/relocate.h"

namespace tegulo {

// WriteBackRelocating with the detected layout, every pointer found, fill 0xFF and the old
// stream given back: to `address`, or the smallest free run that holds the stream. Throws
// TError as that does.
TRelocateResult RelocatePicture(std::span<const std::uint8_t> rom, const TTileEntry& entry,
                                const TPixelImage& picture, std::optional<std::int64_t> address);

// "Write the new stream (N bytes) at $X?" and the lines of the relocation.
std::string RelocationQuestion(std::span<const std::uint8_t> rom, const TRelocateResult& r);

// The pointers to `address` in the detected layout's forms, a row each: where, form, value.
// Throws TError as FindPointers does.
std::vector<std::vector<std::string>> PointerRows(std::span<const std::uint8_t> rom,
                                                  std::int64_t address);

}  // namespace tegulo
