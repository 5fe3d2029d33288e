// ROM images built for the layout, pointer and relocation tests: GBA and SNES headers written
// from the format notes, filler that holds no 0xFF or 0x00 runs and no byte above 0x7F.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "rom/rom_layout.h"

namespace tegulo::test {

using Bytes = std::vector<std::uint8_t>;

// Bytes 1..0x7F, no two neighbours equal: no fill runs, no SNES bank byte of a fast bank, no
// 16-bit address at or above 0x8000.
inline Bytes Filler(std::size_t size) {
  Bytes b(size);
  for (std::size_t i = 0; i < size; ++i)
    b[i] = static_cast<std::uint8_t>(1 + (i * 37 + (i >> 9)) % 0x7F);
  for (std::size_t i = 1; i < size; ++i) {
    if (b[i] == b[i - 1]) b[i] = static_cast<std::uint8_t>(b[i] % 0x7E + 1);
  }
  return b;
}

// The checksum as the notes state it, summed over a copy mirrored up to a power of two.
inline std::uint16_t PlainChecksum(Bytes image, std::size_t header) {
  image[header + 0x1C] = 0xFF;
  image[header + 0x1D] = 0xFF;
  image[header + 0x1E] = 0;
  image[header + 0x1F] = 0;
  std::size_t p = 1;
  while (p * 2 <= image.size()) p *= 2;
  Bytes full(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(p));
  Bytes rest(image.begin() + static_cast<std::ptrdiff_t>(p), image.end());
  while (!rest.empty() && full.size() < 2 * p) {
    for (std::size_t i = 0; i < rest.size() && full.size() < 2 * p; ++i) full.push_back(rest[i]);
  }
  std::uint32_t sum = 0;
  for (const std::uint8_t v : full) sum += v;
  return static_cast<std::uint16_t>(sum);
}

inline std::size_t HeaderAt(TMapping m) {
  return m == TMapping::LoRom ? 0x7FC0 : m == TMapping::HiRom ? 0xFFC0 : 0x40FFC0;
}

// An SNES image of `size` bytes with a valid internal header for `m` (mode byte `mode`, or
// the mapping's own), the checksum and its complement right; `copier` puts 512 bytes before.
inline Bytes SnesRom(TMapping m, std::size_t size, bool copier = false, int mode = -1) {
  Bytes image = Filler(size);
  const std::size_t h = HeaderAt(m);
  const std::string title = "TEGULO TEST          ";
  for (std::size_t i = 0; i < 21; ++i) image[h + i] = static_cast<std::uint8_t>(title[i]);
  const int own = m == TMapping::LoRom ? 0x20 : m == TMapping::HiRom ? 0x21 : 0x25;
  image[h + 0x15] = static_cast<std::uint8_t>(mode < 0 ? own : mode);
  int n = 0;
  while ((std::size_t{1024} << n) < size) ++n;
  image[h + 0x17] = static_cast<std::uint8_t>(n);
  image[h + 0x3C] = 0x00;
  image[h + 0x3D] = 0x80;
  const std::uint16_t sum = PlainChecksum(image, h);
  image[h + 0x1C] = static_cast<std::uint8_t>(~sum);
  image[h + 0x1D] = static_cast<std::uint8_t>(~sum >> 8);
  image[h + 0x1E] = static_cast<std::uint8_t>(sum);
  image[h + 0x1F] = static_cast<std::uint8_t>(sum >> 8);
  if (copier) image.insert(image.begin(), 512, 0);
  return image;
}

// A GBA image with the fixed byte and the header complement right.
inline Bytes GbaRom(std::size_t size) {
  Bytes rom = Filler(size);
  rom[0xB2] = 0x96;
  std::uint8_t chk = 0;
  for (std::size_t i = 0xA0; i <= 0xBC; ++i) chk = static_cast<std::uint8_t>(chk - rom[i]);
  rom[0xBD] = static_cast<std::uint8_t>(chk - 0x19);
  return rom;
}

}  // namespace tegulo::test
