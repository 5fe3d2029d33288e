// Whether a picture can be imported for an entry, and the texts the window gives about it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "entries/tile_entry.h"

namespace tegulo {

// Why `e` cannot take a picture (no template, a damaged template or compression value, no
// tiles), as the write-back refuses it; nothing when it can.
std::optional<std::string> EntryImportRefusal(const TTileEntry& e);

// Why importing a picture cannot work now: no ROM open, no current entry, or the entry's
// refusal; nothing when it can. `entry` is the current entry or null.
std::optional<std::string> ImportUnavailableReason(bool romOpen, const TTileEntry* entry);

// What an import says when the picture is what the ROM already holds.
inline constexpr std::string_view kImportUnchangedText =
    "Nothing changed: the picture matches the ROM";

}  // namespace tegulo
