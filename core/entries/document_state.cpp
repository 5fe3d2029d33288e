// Whether an entry list holds changes that its document file does not.
#include "entries/document_state.h"

#include <cstring>

namespace tegulo {
namespace {

// The record without the sizes a refresh derives from the ROM and the other fields.
TTileEntry Edited(const TTileEntry& e) {
  TTileEntry copy = e;
  copy.RawSize = 0;
  copy.ComprSize = 0;
  return copy;
}

}  // namespace

void TDocumentBaseline::Set(std::span<const TTileEntry> entries) {
  saved_.assign(entries.begin(), entries.end());
}

bool TDocumentBaseline::Changed(std::span<const TTileEntry> entries) const {
  if (entries.size() != saved_.size()) return true;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const TTileEntry now = Edited(entries[i]);
    const TTileEntry then = Edited(saved_[i]);
    if (std::memcmp(&now, &then, sizeof(TTileEntry)) != 0) return true;
  }
  return false;
}

}  // namespace tegulo
