// The header the GBA/DS BIOS schemes share: a type byte, then the size as 24-bit
// little-endian; written by the compressors, read by the scan checkers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace tegulo {

namespace bios {
// The type bytes of the family's schemes (LZ77-10's is lz10::kTypeByte). Diff-8 streams
// written as 0x80 are read as well.
inline constexpr std::uint8_t kTypeLZ11 = 0x11;
inline constexpr std::uint8_t kTypeHuffman = 0x20;  // | the symbol bits: 0x24, 0x28
inline constexpr std::uint8_t kTypeHuffman4 = kTypeHuffman | 4;
inline constexpr std::uint8_t kTypeHuffman8 = kTypeHuffman | 8;
inline constexpr std::uint8_t kTypeRLE30 = 0x30;
inline constexpr std::uint8_t kTypeDiff8Other = 0x80;
inline constexpr std::uint8_t kTypeDiff8 = 0x81;
inline constexpr std::uint8_t kTypeDiff16 = 0x82;
// The largest size the 24-bit header holds.
inline constexpr std::uint32_t kMaxSize = 0xFFFFFF;
}  // namespace bios

// The most output a BIOS-family hit may announce: the GBA's work RAM.
inline constexpr std::uint32_t kMaxBiosOutput = 0x40000;

// The header of the BIOS family: type byte, then the size as 24-bit little-endian.
std::vector<std::uint8_t> BiosHeader(std::uint8_t type, std::size_t size);
// Throws TError naming the scheme when `size` does not fit the 24-bit size.
void CheckBiosSize(const char* scheme, std::size_t size);

// For the checkers: the BIOS header at pos when the type byte is `type`, the start 4-aligned
// and the size minSize..kMaxBiosOutput; the size, or nothing.
std::optional<std::uint32_t> BiosHeaderAt(std::span<const std::uint8_t> rom, std::size_t pos,
                                          std::uint8_t type, std::uint32_t minSize);

}  // namespace tegulo
