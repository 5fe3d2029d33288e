// Whether an entry list holds changes that its document file does not.
#pragma once

#include <span>
#include <vector>

#include "entries/tile_entry.h"

namespace tegulo {

// The list as it was last loaded or saved (an empty list after New and at start).
class TDocumentBaseline {
public:
  // Takes `entries` as the state the document file now holds.
  void Set(std::span<const TTileEntry> entries);

  // Whether saving `entries` would store a change the user made since Set: any entry added,
  // removed, moved, or a byte of one changed, except the sizes every refresh recomputes from
  // the ROM (RawSize, ComprSize), so that only looking at entries changes nothing.
  bool Changed(std::span<const TTileEntry> entries) const;

private:
  std::vector<TTileEntry> saved_;
};

}  // namespace tegulo
