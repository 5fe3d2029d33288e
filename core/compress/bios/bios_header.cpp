// The header the GBA/DS BIOS schemes share (see bios_header.h).
#include "compress/bios/bios_header.h"

#include <string>

#include "base/stream_view.h"
#include "base/uCommon.h"

namespace tegulo {

std::vector<std::uint8_t> BiosHeader(std::uint8_t type, std::size_t size) {
  return {type, static_cast<std::uint8_t>(size), static_cast<std::uint8_t>(size >> 8),
          static_cast<std::uint8_t>(size >> 16)};
}

void CheckBiosSize(const char* scheme, std::size_t size) {
  if (size > bios::kMaxSize) {
    throw TError(std::string(scheme) + " holds at most " + std::to_string(bios::kMaxSize) +
                 " bytes; the data are " + std::to_string(size) + " bytes");
  }
}

std::optional<std::uint32_t> BiosHeaderAt(std::span<const std::uint8_t> rom, std::size_t pos,
                                          std::uint8_t type, std::uint32_t minSize) {
  if (pos % 4 != 0 || pos >= rom.size() || rom.size() - pos < 4 || rom[pos] != type) {
    return std::nullopt;
  }
  const std::uint32_t size = ReadLePadded(rom, pos, 4) >> 8;
  if (size == 0 || size < minSize || size > kMaxBiosOutput) return std::nullopt;
  return size;
}

}  // namespace tegulo
