// Writers of the SNES command formats (LC_LZ2, LC_LZ5, HAL), written from the formats alone
// and apart from the project's compressors: a greedy parse and an exact shortest one.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace tegulo::gen {

enum class TCommandKind { kLCLZ2, kLCLZ5, kHAL };

// The stream of `data` (at most 65,536 bytes), ended by 0xFF.
std::vector<std::uint8_t> WriteCommands(std::span<const std::uint8_t> data, TCommandKind kind,
                                        bool optimal);

}  // namespace tegulo::gen
