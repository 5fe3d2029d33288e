// Finding the places that hold a pointer to a file offset, in the forms a layout's code
// stores them, and rewriting such a pointer for a new place in the same form.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "rom/rom_layout.h"

namespace tegulo {

enum class TPointerForm : std::uint8_t {
  Gba32,        // 32-bit little-endian bus address
  Snes24,       // 24-bit little-endian: low, high, bank
  Snes16Split,  // 16-bit little-endian address; the bank byte in a parallel table
};

struct TPointerHit {
  std::int64_t at = 0;  // file offset of the pointer (of the 16-bit word in a split table)
  TPointerForm form = TPointerForm::Gba32;
  std::uint32_t value = 0;   // the bus address it holds
  std::int64_t bankAt = -1;  // Snes16Split: the file offset of its bank byte

  std::size_t Length() const {
    return form == TPointerForm::Gba32 ? 4 : form == TPointerForm::Snes24 ? 3 : 2;
  }
  bool Overlaps(std::int64_t begin, std::int64_t end) const;
};

// Two parallel tables: entry i is bank[banks + i] << 16 | the word at words + 2 * i. The first
// table runs up to the start of the second; the second as far as the first.
struct TSplitTable {
  std::int64_t words = 0;
  std::int64_t banks = 0;
};

struct TPointerSearch {
  bool unaligned = false;  // GBA: every byte position, not only multiples of 4
  std::optional<TSplitTable> split;
};

// "32-bit", "24-bit", "16-bit+bank".
std::string_view PointerFormName(TPointerForm form);

// Every pointer to `target` (a file offset) in rising order: GBA words holding any of its bus
// addresses (the 0x08/0x09 region and the 0x0A and 0x0C mirrors); SNES 24-bit values of any
// alias at every byte position, and the split table's entries when one is given. Throws
// TError "More than 65536 places hold the address: too many to be pointers", and when the
// layout has no mapping ("The ROM's layout is not known from its
// headers") or no bus address reaches the target.
std::vector<TPointerHit> FindPointers(std::span<const std::uint8_t> rom, const TRomLayout& layout,
                                      std::int64_t target, const TPointerSearch& search);

// The pointer at `at` when its bytes lie in the ROM and hold an address of `target`: a GBA word,
// a split table's entry (when `at` is one of its words) or an SNES 24-bit value.
std::optional<TPointerHit> PointerAt(std::span<const std::uint8_t> rom, const TRomLayout& layout,
                                     std::int64_t at, std::int64_t target,
                                     const TPointerSearch& search);

// Whether a place FindPointers found is a pointer and not bytes that hold the address by
// chance: a GBA word at a multiple of 4 (any place under `search.unaligned`, which asks for
// them), a split table's entry, or an SNES 24-bit value with another 24-bit value into the
// same bank of the ROM right before or after it (a table of 3-byte entries, or of 4-byte
// ones padded with a zero).
bool ConfirmedPointer(std::span<const std::uint8_t> rom, const TRomLayout& layout,
                      const TPointerHit& hit, const TPointerSearch& search);

// The value the pointer takes to reach `offset` in its own kind of alias (the same GBA mirror,
// the same SNES bank group: slow or fast, HiROM's 0x00/0x40/0x80/0xC0); nothing when no such
// alias shows that offset.
std::optional<std::uint32_t> MovedValue(const TRomLayout& layout, const TPointerHit& hit,
                                        std::int64_t offset);

// Stores `value` in the pointer's bytes (and its bank byte); `rom` must hold them.
void WritePointer(std::span<std::uint8_t> rom, const TPointerHit& hit, std::uint32_t value);

}  // namespace tegulo
