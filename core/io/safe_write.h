// The one way the programs write a file: a temporary file beside the target, flushed and
// synced, then renamed over it, so the target is either the old file or the new one.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace tegulo {

// A file being written. Bytes go to a temporary file in the target's folder; Commit() syncs
// it and renames it over the target. Destroying an uncommitted file removes the temporary
// and leaves the target exactly as it was.
// Failures throw TFileWriteError, whose text is "Cannot create file "<path>". <reason>" with
// the system's reason; err() is the errno value, for callers that word it otherwise.
class TAtomicFile {
public:
  explicit TAtomicFile(std::string path);
  ~TAtomicFile();
  TAtomicFile(const TAtomicFile&) = delete;
  TAtomicFile& operator=(const TAtomicFile&) = delete;

  void Write(std::span<const std::uint8_t> bytes);
  void Commit();
  const std::string& Path() const { return path_; }

private:
  [[noreturn]] void Fail(int err);
  std::string path_;  // the target as given
  std::string temp_;  // the temporary file, empty once renamed or removed
  int fd_ = -1;
};

// Writes the whole file through TAtomicFile.
void WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes);

}  // namespace tegulo
