// The LZ77-10 stream checker. Whether a back-reference is valid depends only on how many
// bytes have been written, never on their values, so the check needs no output buffer.
#include "compress/lz10_scan.h"

namespace tegulo {

std::optional<TLZ10Stream> CheckLZ10Stream(std::span<const std::uint8_t> rom, std::size_t pos) {
  const std::size_t size = rom.size();
  if (pos >= size || size - pos < 4 || rom[pos] != 0x10) return std::nullopt;
  const std::uint8_t* p = rom.data();
  const std::uint32_t announced =
      p[pos + 1] | p[pos + 2] << 8 | static_cast<std::uint32_t>(p[pos + 3]) << 16;

  std::size_t in = pos + 4;
  std::uint32_t out = 0;
  unsigned flags = 0;
  unsigned mask = 0;
  while (out < announced) {
    mask >>= 1;
    if (mask == 0) {
      if (in >= size) return std::nullopt;
      flags = p[in++];
      mask = 0x80;
    }
    if ((flags & mask) == 0) {
      if (in >= size) return std::nullopt;
      ++in;
      ++out;
    } else {
      if (size - in < 2) return std::nullopt;
      const unsigned b0 = p[in];
      const unsigned distance = ((b0 & 0x0Fu) << 8 | p[in + 1]) + 1;
      if (distance > out) return std::nullopt;
      in += 2;
      out += (b0 >> 4) + 3;
    }
  }
  return TLZ10Stream{pos, announced, static_cast<std::uint32_t>(in - pos)};
}

std::vector<TLZ10Stream> ScanLZ10(std::span<const std::uint8_t> rom, TLZ10ScanOptions options) {
  std::vector<TLZ10Stream> found;
  const std::size_t align = options.align == 0 ? 1 : options.align;
  const std::size_t size = rom.size();
  if (size < 4) return found;
  const std::uint8_t* p = rom.data();
  const std::size_t last = size - 4;  // the last position that holds a whole header
  for (std::size_t pos = 0; pos <= last; pos += align) {
    if (p[pos] != 0x10) continue;
    const std::uint32_t announced =
        p[pos + 1] | p[pos + 2] << 8 | static_cast<std::uint32_t>(p[pos + 3]) << 16;
    if (announced < options.minSize) continue;
    if (auto s = CheckLZ10Stream(rom, pos)) found.push_back(*s);
  }
  return found;
}

}  // namespace tegulo
