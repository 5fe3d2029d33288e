// Entry creation and names.
#include "entries/tile_entry.h"

#include <algorithm>
#include <cstring>

#include "base/numbers.h"

namespace tegulo {

std::string GetName(const TTileEntry& e) {
  const std::size_t len = std::min<std::size_t>(e.Name[0], kMaxNameLength);
  return std::string(reinterpret_cast<const char*>(e.Name + 1), len);
}

void SetName(TTileEntry& e, std::string_view text) {
  const std::size_t len = std::min(text.size(), kMaxNameLength);
  std::memset(e.Name, 0, sizeof e.Name);
  e.Name[0] = static_cast<std::uint8_t>(len);
  std::memcpy(e.Name + 1, text.data(), len);
}

TTileEntry NewEntry(std::string_view addressText, std::int32_t width, std::int32_t height,
                    std::int32_t offset) {
  TTileEntry e;
  std::memset(&e, 0, sizeof e);
  e.Address = ParseInt(addressText);
  SetName(e, addressText);
  e.Height = height;
  e.Width = width;
  e.Offset = offset;
  e.Bpp = 1;
  e.TileWidth = 8;
  e.TileHeight = 8;
  return e;
}

}  // namespace tegulo
