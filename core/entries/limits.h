// Limits that every front end shares.
#pragma once

#include <cstdint>

namespace tegulo {

// The largest width and height in tiles that the window's spin edits take and that an entry
// is drawn with (16000 x 16000 pixels).
inline constexpr std::int32_t kMaxTiles = 2000;

}  // namespace tegulo
