// How a ROM image maps into the address space its code sees: GBA and SNES LoROM, HiROM and
// ExHiROM, told apart by their headers, and the conversions between file offsets and bus
// addresses. Every offset here is a position in the file as read, copier header included.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tegulo {

enum class TMapping : std::uint8_t { None, Gba, LoRom, HiRom, ExHiRom };

struct TRomLayout {
  TMapping mapping = TMapping::None;
  std::size_t copierHeader = 0;  // 512 when an SNES file starts with a copier's header
  std::size_t size = 0;          // the whole file's length
  std::string note;              // why detection found no mapping, when it says more than "none"
};

// A half-open range of file offsets.
struct TByteRange {
  std::int64_t begin = 0;
  std::int64_t end = 0;
  bool Overlaps(std::int64_t b, std::int64_t e) const { return b < end && begin < e; }
};

// "none", "gba", "lorom", "hirom", "exhirom"; and the names a person reads ("LoROM", ...).
std::string_view MappingName(TMapping m);
std::string_view MappingTitle(TMapping m);
// The mapping of a name above, in any letter case; nothing for other text.
std::optional<TMapping> ParseMapping(std::string_view text);

// GBA when the header's fixed byte and complement check hold; otherwise the SNES mapping
// whose internal header scores best (checksum and complement, map mode, computed checksum,
// title, reset vector, size byte), with a 512-byte copier header skipped when the size is 512
// more than a multiple of 1024. None when no header convinces, and for an interleaved HiROM
// dump (a HiROM map mode at the LoROM position), which `note` then names.
TRomLayout DetectLayout(std::span<const std::uint8_t> rom);
// The layout with the mapping given; the copier-header rule applies to SNES mappings.
TRomLayout LayoutWith(std::span<const std::uint8_t> rom, TMapping m);

// The stored checksum and complement pair's worth: the 16-bit sum of the image as mapped
// (a size that is not a power of two mirrored up to one), the four check bytes at
// `headerAt` (image offset of the header, +0x1C) counted as FF FF 00 00.
std::uint16_t SnesChecksum(std::span<const std::uint8_t> image, std::size_t headerAt);

// Up to four bus addresses of one place, the usual one first.
struct TBusAliases {
  std::array<std::uint32_t, 4> values{};
  std::size_t count = 0;
  std::span<const std::uint32_t> View() const { return std::span(values).first(count); }
};

// The bus addresses of a file offset: GBA 0x08000000 + offset and its 0x0A and 0x0C mirrors;
// SNES the ROM's banks with their mirrors (fast-ROM banks, HiROM's 0x40 and upper-half
// banks). None for mapping None, an offset outside the image, or one no bank shows.
TBusAliases BusAliases(const TRomLayout& layout, std::int64_t offset);
// The file offset a bus address reads; nothing when it reads no ROM byte of the file.
std::optional<std::int64_t> FileOffset(const TRomLayout& layout, std::uint32_t bus);
// "$C0:8000" for SNES, "0x08000000" for GBA.
std::string FormatBus(const TRomLayout& layout, std::uint32_t bus);

// Bytes no data may be put in: the copier header, the GBA header, the SNES internal header
// with its vectors.
std::vector<TByteRange> ReservedRanges(const TRomLayout& layout);
// The length of the file slices a block must stay inside (SNES banks: 0x8000 or 0x10000 bytes
// of the image); 0 when any place will do.
std::size_t BankLength(const TRomLayout& layout);
// The alignment a block of data needs: 4 on GBA, else 1.
std::size_t DataAlignment(const TRomLayout& layout);

}  // namespace tegulo
