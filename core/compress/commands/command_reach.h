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

// The longest use of each kind at each position (0 for kinds the format lacks), and its
// source: an absolute address, or a back-distance for the relative kinds.
struct TReach {
  std::vector<std::uint16_t> length[kKinds];
  std::vector<std::uint16_t> source[kKinds];
};

TReach Reach(const TCommandFormat& format, std::span<const std::uint8_t> data);

}  // namespace tegulo::command
