// Whether a picture can be imported for an entry, and the texts the window gives about it.
#include "rom/import_checks.h"

#include "compress/scheme_formats.h"
#include "compress/uCompress.h"
#include "tiles/uTiles.h"

namespace tegulo {

std::optional<std::string> EntryImportRefusal(const TTileEntry& e) {
  if (e.Template == 0) return "The entry has no template";
  if (e.Template >= kTemplateCount) {
    return "The entry's template value " + std::to_string(e.Template) +
           " is not a template (a damaged document?)";
  }
  if (e.Compression >= kCompressionCount) {
    return "The entry's compression value " + std::to_string(e.Compression) +
           " is not a scheme (a damaged document?)";
  }
  if (e.Width <= 0 || e.Height <= 0) {
    return "The entry is " + std::to_string(e.Width) + " x " + std::to_string(e.Height) +
           " tiles: nothing to write";
  }
  return std::nullopt;
}

std::optional<std::string> ImportUnavailableReason(bool romOpen, const TTileEntry* entry) {
  if (!romOpen) return "Open a ROM first";
  if (entry == nullptr) return "Select an entry of the list first";
  return EntryImportRefusal(*entry);
}

}  // namespace tegulo
