// Document files: the entry records one after another, 1096 bytes each, no header.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "entries/tile_entry.h"

namespace tegulo {

// Reads every whole record of the file; a trailing partial record is ignored. The records
// are returned exactly as stored, damaged ones included (see SafeReading). Nothing is
// returned unless the whole file was read. Throws TError with the system error's text:
// "File not found", "File access denied", "Disk full" or "I/O error %d".
std::vector<TTileEntry> LoadDocument(const std::string& path);

// Writes the records in order. The data goes to a temporary file beside the target, which
// replaces the target only after every record was written and the file closed, so a
// failed save leaves an existing document as it was. Throws TError as LoadDocument.
void SaveDocument(const std::string& path, std::span<const TTileEntry> entries);

// The text the document operations show for a system error number.
std::string FileErrorText(int err);

}  // namespace tegulo
