// Document files: the entry records one after another, 1096 bytes each, no header.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "entries/tile_entry.h"

namespace tegulo {

// Every whole record of the bytes; a trailing partial record is ignored. The records are
// returned exactly as stored, damaged ones included (see SafeReading).
std::vector<TTileEntry> DocumentFromBytes(std::span<const std::uint8_t> bytes);

// The file's bytes for the entries: the records one after another.
std::vector<std::uint8_t> DocumentBytes(std::span<const TTileEntry> entries);

// Reads the file whole (io/read_file.h) and returns DocumentFromBytes of it. Nothing is
// returned unless the whole file was read. Throws TError with the system error's text:
// "File not found", "File access denied", "Disk full" or "I/O error %d"; a FIFO, device or
// socket gives "<path> is not a regular file", a file above 1 GiB "<path> is larger than
// 1 GiB", both without blocking or reading.
std::vector<TTileEntry> LoadDocument(const std::string& path);

// As LoadDocument, but every failure names the file as a ROM's does (io/read_file.h):
// "<path> not found", "Cannot open "<path>". <reason>", "Cannot read "<path>"...".
std::vector<TTileEntry> ReadDocumentFile(const std::string& path);

// Writes the records in order (an empty list writes an empty file) through the safe-write
// path (io/safe_write.h): a failed save leaves an existing document as it was, and a kept
// document keeps its links, permissions and owner. Throws TError with the texts of
// LoadDocument; a target that is not a regular file gives "<path> is not a regular file".
void SaveDocument(const std::string& path, std::span<const TTileEntry> entries);

// The text the document operations show for a system error number.
std::string FileErrorText(int err);

}  // namespace tegulo
