// Reading a ROM image whole into memory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tegulo {

// The file's bytes exactly as stored, no header detected or skipped. Throws TError
// "<path> not found" when the file cannot be opened, and "Cannot read <path>" when it
// opens but cannot be read whole (a folder, a read error, a short read, no memory).
std::vector<std::uint8_t> ReadRomFile(const std::string& path);

}  // namespace tegulo
