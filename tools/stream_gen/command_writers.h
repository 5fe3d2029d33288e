// Writers of the SNES command formats (LC_LZ2, LC_LZ5, HAL, LC_LZ1), written from the formats alone
// and apart from the project's compressors: a greedy parse and an exact shortest one.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace tegulo::gen {

// LC_LZ1 is LC_LZ2 with the repeat's address little-endian.
enum class TCommandKind { kLCLZ2, kLCLZ5, kHAL, kLCLZ1 };

// The stream of `data` (at most 65,536 bytes), ended by 0xFF.
std::vector<std::uint8_t> WriteCommands(std::span<const std::uint8_t> data, TCommandKind kind,
                                        bool optimal);

}  // namespace tegulo::gen
