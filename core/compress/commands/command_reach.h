// How far each command of the SNES command formats reaches at every position of the data:
// the longest fill or repeat of each kind, and where its source is. The shortest-stream
// search of command_compressor.cpp takes any length up to these.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "compress/commands/command_formats.h"

namespace tegulo::command {

inline constexpr std::size_t kMaxCount = 1024;    // a long header's count
inline constexpr std::size_t kShortCount = 32;    // a short header's count
inline constexpr std::size_t kMaxXorCount = 768;  // LC_LZ5's relative XOR repeat (long only)

// What a command does at a position, as far as the compressor chooses it.
enum TKind : std::uint8_t {
  kDirect,
  kByteFill,
  kWordFill,  // counted in bytes here, in pairs by HAL's headers
  kIncFill,
  kRepeat,       // absolute source, plain
  kRepeatXor,    // LC_LZ5 5: absolute, complemented
  kRepeatBits,   // HAL 5: absolute, bits reversed
  kRepeatBack,   // HAL 6: absolute, read backwards
  kRelative,     // LC_LZ5 6: one byte back-distance
  kRelativeXor,  // LC_LZ5 7: long form only
  kKinds
};

// The longest use of each kind at each position (0 for kinds the format lacks), and its
// source: an absolute address, or a back-distance for the relative kinds.
struct TReach {
  std::vector<std::uint16_t> length[kKinds];
  std::vector<std::uint16_t> source[kKinds];
};

TReach Reach(TCommandFormat format, std::span<const std::uint8_t> data);

}  // namespace tegulo::command
