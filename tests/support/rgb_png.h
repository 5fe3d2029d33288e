// True-colour test pictures: 8-bit RGBA PNG files written by libpng.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tegulo::test {

// The PNG bytes of a w x h picture of 0xAARRGGBB pixels (alpha 0xFF is opaque), rows from the
// top, as 8-bit RGBA.
std::vector<std::uint8_t> RgbaPng(int w, int h, const std::vector<std::uint32_t>& argb);

// RgbaPng written to `path`.
void WriteRgbaPng(const std::string& path, int w, int h, const std::vector<std::uint32_t>& argb);

}  // namespace tegulo::test
