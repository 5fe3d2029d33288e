// The one way the programs write a file: a temporary file beside the target, flushed and
// synced, then renamed over it, so the target is either the old file or the new one.
#pragma once

#include <sys/types.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace tegulo {

// The system calls of the safe-write path that fail on a healthy system (a full disk, a
// lost device, a folder that refuses renames). The programs use the system's own; tests
// hand in their own to fail one of them, or to see in which order they come.
struct TFileCalls {
  ssize_t (*write)(int fd, const void* data, std::size_t n) = ::write;
  int (*fsync)(int fd) = ::fsync;
  int (*rename)(const char* from, const char* to) = ::rename;
  // Those of a set of files (io/file_set.h): the old file kept under a second name while
  // the set is renamed, and the removal of that name and of the set's record.
  int (*link)(const char* from, const char* to) = ::link;
  int (*unlink)(const char* path) = ::unlink;
};

// A file being written. Bytes go to a temporary file in the target's folder; Commit() syncs
// it and renames it over the target. Destroying an uncommitted file removes the temporary
// and leaves the target exactly as it was. A kill at any moment leaves the target whole,
// old or new.
// - The temporary is named ".tegulo-PID-NAME-XXXXXX" (PID the writer's process id, NAME the
//   target's file name, cut to 64 bytes). Creating one removes those of the same target
//   whose process is gone. SIGTERM, SIGHUP and SIGINT remove the temporaries in progress
//   before the process ends as the signal would end it.
// - A symlink at the path is followed to its final target, which is the file replaced (in
//   that target's folder), so the link stays a link.
// - An existing target keeps its permission bits, and its owner and group where the process
//   may set them. A target with several hard links is replaced like any other: its other
//   names keep the old bytes (OtherLinksKept() tells, HardLinkNote() says it).
// - A target that exists and is not a regular file (a folder, FIFO, device, socket) is
//   refused by the constructor, before anything is written:
//   TError "<path> is not a regular file".
// Other failures throw TFileWriteError, whose text is "Cannot create file "<path>". <reason>"
// with the system's reason; err() is the errno value, for callers that word it otherwise.
// Every failure removes the temporary file.
class TAtomicFile {
public:
  explicit TAtomicFile(std::string path, const TFileCalls& calls = {});
  ~TAtomicFile();
  TAtomicFile(const TAtomicFile&) = delete;
  TAtomicFile& operator=(const TAtomicFile&) = delete;

  void Write(std::span<const std::uint8_t> bytes);
  // Syncs and closes the temporary: the new content is whole on disk, the target untouched.
  void Prepare();
  // Prepares (unless done) and renames the temporary over the target.
  void Commit();
  const std::string& Path() const { return path_; }
  // The file replaced (links followed) and the temporary (empty once renamed or removed).
  const std::string& Target() const { return target_; }
  const std::string& Temporary() const { return temp_; }
  // The target existed when the file was opened.
  bool Replaces() const { return existed_; }
  // The target had other hard-linked names, which keep the old bytes.
  bool OtherLinksKept() const { return hardLinked_; }

private:
  [[noreturn]] void Fail(int err);
  void Forget();
  std::string path_;    // the target as given
  std::string target_;  // the file replaced: the path with its links followed
  std::string temp_;    // the temporary file, empty once renamed or removed
  TFileCalls calls_;
  int fd_ = -1;
  int slot_ = -1;  // the temporary's place in the list the signal handler removes
  bool prepared_ = false;
  bool hardLinked_ = false;
  bool existed_ = false;
};

// Writes the whole file through TAtomicFile. Returns HardLinkNote(path) when other hard links
// kept the old bytes, else "".
std::string WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes,
                                const TFileCalls& calls = {});

// "<path> had other hard links; they keep the old content"
std::string HardLinkNote(const std::string& path);

}  // namespace tegulo
