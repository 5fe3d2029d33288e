// Documents: records from bytes, and the file operations with the document error texts.
#include "entries/document.h"

#include <cerrno>
#include <cstring>

#include "base/uCommon.h"
#include "io/file_error.h"
#include "io/read_file.h"
#include "io/safe_write.h"

namespace tegulo {

std::string FileErrorText(int err) {
  switch (err) {
    case ENOENT:
    case ENOTDIR: return "File not found";
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return "File access denied";
    case ENOSPC:
    case EDQUOT: return "Disk full";
    default: return "I/O error " + std::to_string(err);
  }
}

std::vector<TTileEntry> DocumentFromBytes(std::span<const std::uint8_t> bytes) {
  std::vector<TTileEntry> entries(bytes.size() / sizeof(TTileEntry));
  if (!entries.empty())
    std::memcpy(entries.data(), bytes.data(), entries.size() * sizeof(TTileEntry));
  return entries;
}

std::vector<TTileEntry> LoadDocument(const std::string& path) {
  std::vector<std::uint8_t> bytes;
  try {
    bytes = ReadWholeFile(path);
  } catch (const TFileReadError& e) {
    switch (e.failure()) {
      case TReadFailure::NotRegular:
      case TReadFailure::TooLarge: throw;
      case TReadFailure::Directory: throw TError(FileErrorText(EISDIR));
      default: throw TError(FileErrorText(e.err() != 0 ? e.err() : EIO));
    }
  }
  return DocumentFromBytes(bytes);
}

std::vector<TTileEntry> ReadDocumentFile(const std::string& path) {
  return DocumentFromBytes(ReadWholeFile(path));
}

std::vector<std::uint8_t> DocumentBytes(std::span<const TTileEntry> entries) {
  std::vector<std::uint8_t> bytes(entries.size() * sizeof(TTileEntry));
  if (!entries.empty()) std::memcpy(bytes.data(), entries.data(), bytes.size());
  return bytes;
}

void SaveDocument(const std::string& path, std::span<const TTileEntry> entries) {
  try {
    WriteFileAtomically(
        path, {reinterpret_cast<const std::uint8_t*>(entries.data()), entries.size_bytes()});
  } catch (const TFileWriteError& e) {
    throw TError(FileErrorText(e.err()));
  }
}

}  // namespace tegulo
