// Whole files: reading a ROM image into memory, writing a block of bytes out.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tegulo {

// The whole file as bytes; no header is detected or skipped. Throws TFileReadError
// (io/read_file.h): "<path> not found" only when the file does not exist, "Cannot open
// "<path>". <reason>" for other failed opens, "Cannot read "<path>"" for a folder,
// "<path> is not a regular file" for a FIFO or device (without blocking), "<path> is larger
// than 1 GiB", "Cannot read "<path>". <reason>" when reading fails or memory runs out.
std::vector<std::uint8_t> ReadRomFile(const std::string& path);

// Writes the bytes through the safe-write path (io/safe_write.h): the file is replaced
// whole or not at all, keeping links and permissions. Throws TError
// "Cannot create file "<path>". <reason>" with the system's reason, or
// "<path> is not a regular file".
void WriteBytesFile(const std::string& path, std::span<const std::uint8_t> bytes);

}  // namespace tegulo
