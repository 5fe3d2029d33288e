// Moving a stream that has grown: free space for it, every pointer to it rewritten in its own
// form, the old bytes given back, and the result proved through each pointer.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "rom/pointer_search.h"
#include "rom/rom_layout.h"
#include "rom/write_back.h"

namespace tegulo {

struct TRelocateOptions {
  TRomLayout layout;
  std::optional<std::int64_t> address;  // where the stream goes; none: chosen in free space
  std::vector<std::int64_t> pointers;   // the pointers to rewrite; none: every one found
  TPointerSearch search;
  std::uint8_t fill = 0xFF;          // what free space holds, and what the old stream becomes
  bool keepOld = false;              // leave the old stream's bytes as they are
  std::vector<TByteRange> reserved;  // never chosen: other data known to be in use
};

struct TRelocation {
  std::int64_t from = 0;
  std::int64_t to = 0;
  std::size_t oldLength = 0;
  std::vector<TPointerHit> pointers;  // as found, holding the old address
  std::vector<std::uint32_t> values;  // what each holds now
  bool keptOld = false;
  std::uint8_t fill = 0xFF;

  // "Rewrote N pointer(s) from $XXXXXX to $YYYYYY:" and a line per pointer
  // ("  $PPPPPP 24-bit $02:A345 -> $03:8000"), then what became of the old bytes. Planned:
  // the same as a question asked before anything is written ("Rewrite N pointer(s)...",
  // "...bytes would become 0xFF").
  enum class TTense { Done, Planned };
  std::vector<std::string> Lines(const TRomLayout& layout, TTense tense = TTense::Done) const;
};

struct TRelocateResult {
  TWriteBackResult writeBack;
  std::optional<TRelocation> relocation;  // when the stream moved
};

// WriteBackPicture, with a stream that no longer fits moved: to `address` (which must be
// aligned for the layout, inside one SNES bank and the ROM, clear of the header and the
// pointers, and hold only the fill byte or the old stream's bytes), or else to the smallest
// free run of the fill byte that holds it (away from the old stream, `reserved` and the
// pointers, 16 bytes from data on either side). Each pointer is rewritten in its own form and
// alias group, the old stream's bytes not reused become the fill byte unless kept, and the
// entry is drawn through every pointer and compared with the drawing that the write-back
// proved. Throws TError, with nothing written, as WriteBackPicture does and when no pointer is
// found or given, a given place holds no pointer to the stream, a pointer lies inside the old
// stream, no free space fits, the address is unfit, or a pointer cannot reach the new place.
TRelocateResult WriteBackRelocating(std::span<const std::uint8_t> rom, const TTileEntry& entry,
                                    const TPixelImage& picture, TWriteBackOptions options,
                                    const TRelocateOptions& relocate);

// Where a stream of `length` bytes that stood at `from` (its `oldLength` bytes) goes; throws
// TError to refuse.
using TPlaceStream =
    std::function<std::int64_t(std::size_t length, std::int64_t from, std::size_t oldLength)>;

struct TStreamsRelocated {
  std::vector<std::uint8_t> rom;
  std::vector<TRelocation> relocations;  // in the order the edit placed the streams
};

// An edit of several streams at once (a screen's map and tiles) with each stream that no
// longer fits moved: `edit` makes the new image, asking the `place` it is given for each such
// stream. Each goes where WriteBackRelocating's stream would (relocate.address for the first,
// else the smallest free run; never onto another moved stream or its old bytes), every
// pointer to it is rewritten, and its old bytes that no new stream took become the fill byte
// unless kept. The edit proves its own image; pointers never lie in a new stream's bytes.
// Throws TError, nothing written, as the edit and WriteBackRelocating's placing do.
TStreamsRelocated RelocateStreams(
    std::span<const std::uint8_t> rom, const TRelocateOptions& relocate,
    const std::function<std::vector<std::uint8_t>(const TPlaceStream& place)>& edit);

}  // namespace tegulo
