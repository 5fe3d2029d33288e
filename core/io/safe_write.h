// The one way the programs write a file: a temporary file beside the target, flushed and
// synced, then renamed over it, so the target is either the old file or the new one.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <span>
#include <string>

namespace tegulo {

// A file being written. Bytes go to a temporary file in the target's folder; Commit() syncs
// it and renames it over the target. Destroying an uncommitted file removes the temporary
// and leaves the target exactly as it was.
// - A symlink at the path is followed to its final target, which is the file replaced (in
//   that target's folder), so the link stays a link.
// - An existing target keeps its permission bits, and its owner and group where the process
//   may set them. A target with several hard links is rewritten in place after the new
//   content was written whole beside it, so every name sees the new bytes; should that
//   rewrite fail, the old bytes are put back.
// - A target that exists and is not a regular file (a folder, FIFO, device, socket) is
//   refused by the constructor, before anything is written:
//   TError "<path> is not a regular file".
// Other failures throw TFileWriteError, whose text is "Cannot create file "<path>". <reason>"
// with the system's reason; err() is the errno value, for callers that word it otherwise.
// Every failure removes the temporary files.
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
  void CommitInPlace();
  std::string path_;    // the target as given
  std::string target_;  // the file replaced: the path with its links followed
  std::string temp_;    // the temporary file, empty once renamed or removed
  int fd_ = -1;
  bool hardLinked_ = false;  // the target has other names that must see the new content
};

// Writes the whole file through TAtomicFile.
void WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes);

// Tests only: every write of a TAtomicFile fails with `err` once `afterBytes` bytes were
// written in this process (counted from this call); err 0 turns the failure off.
void InjectWriteFailureForTesting(std::uint64_t afterBytes, int err);

}  // namespace tegulo
