// Whole files: reading a ROM image into memory, writing a block of bytes out.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tegulo {

// The whole file as bytes; no header is detected or skipped. Throws TError "<path> not
// found" when the file cannot be opened, "Cannot read <path>" when reading fails or comes
// back short (a directory, a file that shrinks while it is read, one too large for memory).
std::vector<std::uint8_t> ReadRomFile(const std::string& path);

// Creates (or empties) the file and writes the bytes. Throws TError
// "Cannot create file "<path>". <reason>" with the system's reason when it cannot be
// created, written or closed.
void WriteBytesFile(const std::string& path, std::span<const std::uint8_t> bytes);

}  // namespace tegulo
