// Importing the exported pictures of a whole document into one new ROM image, all or nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "entries/tile_entry.h"
#include "rom/relocate.h"
#include "tiles/tile_encoders.h"

namespace tegulo {

struct TDocImportFailure {
  std::size_t index = 0;
  std::string file;     // the file name, as export writes it
  std::string message;  // the TError's text
};

struct TDocImportResult {
  std::vector<std::uint8_t> rom;   // valid only when failures is empty
  std::vector<std::string> lines;  // "NNN-NAME.png: <write-back report>" per imported entry
  std::vector<TDocImportFailure> failures;
  std::vector<TTileEntry> entries;  // the document as imported: moved streams' new addresses
  bool moved = false;               // a stream moved (the entries differ from the document's)
  std::size_t pictures = 0;         // the pictures found in the folder, each tried once
};

// Every entry whose export file (ExportFileName: "NNN-NAME.png") is in `dir` is written
// back, in document order, each into the image the ones before it produced. Entries without
// a file are passed over. Every failure is collected (the others are still tried); at the
// end each imported entry is drawn again from the final image, and one that a later entry
// changed (data shared with another entry) fails too. Without `relocate`, streams never move
// and old bytes are kept (no free space, no fill). With it, a grown stream moves as
// WriteBackRelocating moves it (its address and pointers ignored: free space is chosen, clear of
// every entry's data), and every entry that read the old stream reads the new one.
// Throws only for a folder that cannot be read.
TDocImportResult ImportDocumentPictures(std::span<const std::uint8_t> rom,
                                        std::span<const TTileEntry> entries, const std::string& dir,
                                        const TRelocateOptions* relocate = nullptr);

// The paths of the pictures ImportDocumentPictures would read: for each entry, in order, the
// export file in `dir` that exists ("" where there is none).
std::vector<std::string> DocumentPictureFiles(std::span<const TTileEntry> entries,
                                              const std::string& dir);

}  // namespace tegulo
