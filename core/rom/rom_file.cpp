// Whole ROM files: read through the bounded input reader, written through the safe-write path.
#include "rom/rom_file.h"

#include "io/read_file.h"
#include "io/safe_write.h"

namespace tegulo {

std::vector<std::uint8_t> ReadRomFile(const std::string& path) { return ReadWholeFile(path); }

void WriteBytesFile(const std::string& path, std::span<const std::uint8_t> bytes) {
  WriteFileAtomically(path, bytes);
}

}  // namespace tegulo
