// The graphics entry record: 1096 bytes, identical in memory and in a document file.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tegulo {

static_assert(std::endian::native == std::endian::little,
              "TTileEntry is stored as it lies in memory, which must be little-endian");

inline constexpr std::size_t kMaxNameLength = 30;

struct TTileEntry {
  std::uint8_t Name[31];   // short string: length byte (0..30), then 30 characters
  std::uint8_t Reserved1;  // never read or written
  std::int32_t Address;    // offset of the tile data or stream in the ROM
  std::int32_t RawSize;    // decoded size in bytes, set by every refresh
  std::int32_t ComprSize;  // compressed size, set by the refresh of a compressed entry
  std::int32_t Width;      // in tiles
  std::int32_t Height;     // in tiles
  std::int32_t Offset;     // added to Address, or to the start of the decode buffer
  std::uint8_t Reserved2;
  std::uint8_t Bpp;          // bits per pixel
  std::uint8_t Template;     // row of TileTemplates, 0 = none
  std::uint8_t Compression;  // row of Compressions, 0 = none
  std::uint8_t TileWidth;    // 8; nothing reads it
  std::uint8_t TileHeight;   // 8; nothing reads it
  std::uint8_t Reserved3[2];
  std::uint32_t Palette[256];  // 0x00BBGGRR
  std::int32_t PalAddress;     // ROM offset the palette was last loaded from
  std::int32_t PalCount;       // palette colours in use
};

static_assert(sizeof(TTileEntry) == 1096);
static_assert(offsetof(TTileEntry, Reserved1) == 31);
static_assert(offsetof(TTileEntry, Address) == 32);
static_assert(offsetof(TTileEntry, RawSize) == 36);
static_assert(offsetof(TTileEntry, ComprSize) == 40);
static_assert(offsetof(TTileEntry, Width) == 44);
static_assert(offsetof(TTileEntry, Height) == 48);
static_assert(offsetof(TTileEntry, Offset) == 52);
static_assert(offsetof(TTileEntry, Reserved2) == 56);
static_assert(offsetof(TTileEntry, Bpp) == 57);
static_assert(offsetof(TTileEntry, Template) == 58);
static_assert(offsetof(TTileEntry, Compression) == 59);
static_assert(offsetof(TTileEntry, TileWidth) == 60);
static_assert(offsetof(TTileEntry, TileHeight) == 61);
static_assert(offsetof(TTileEntry, Reserved3) == 62);
static_assert(offsetof(TTileEntry, Palette) == 64);
static_assert(offsetof(TTileEntry, PalAddress) == 1088);
static_assert(offsetof(TTileEntry, PalCount) == 1092);

// The entry's name; a damaged length byte above 30 reads as 30.
std::string GetName(const TTileEntry& e);

// Stores the first 30 characters of text as the name; the bytes after it become zero.
void SetName(TTileEntry& e, std::string_view text);

// A new entry for the address text as typed: Address from its number (throws TError
// "'%s' is not a valid integer value"), Name its first 30 characters, the geometry given,
// Bpp 1, tiles 8 x 8, everything else zero.
TTileEntry NewEntry(std::string_view addressText, std::int32_t width, std::int32_t height,
                    std::int32_t offset);

}  // namespace tegulo
