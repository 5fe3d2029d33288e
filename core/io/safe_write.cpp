// Atomic file replacement with plain POSIX calls, so that every failure has its errno.
#include "io/safe_write.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "base/messages.h"
#include "base/uCommon.h"
#include "io/file_error.h"
#include "io/file_set.h"
#include "io/paths.h"
#include "io/temp_files.h"

namespace tegulo {
namespace {

// Writes all bytes at the descriptor's position; 0 or an errno value. A write that does
// nothing without an error would loop for ever: it counts as an I/O error.
int WriteAll(const TFileCalls& calls, int fd, const std::uint8_t* data, std::size_t n) {
  std::size_t done = 0;
  while (done < n) {
    const ssize_t w = calls.write(fd, data + done, n - done);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return w < 0 ? errno : EIO;
    done += static_cast<std::size_t>(w);
  }
  return 0;
}

// A file system that cannot sync (some FUSE or special ones) says EINVAL: the rename still
// gives the atomic replacement, which is the best it offers.
int Sync(const TFileCalls& calls, int fd) {
  if (calls.fsync(fd) != 0 && errno != EINVAL) return errno;
  return 0;
}

}  // namespace

std::string HardLinkNote(const std::string& path) {
  return EscapeControls(path) + " had other hard links; they keep the old content";
}

TAtomicFile::TAtomicFile(std::string path, const TFileCalls& calls)
    : path_(std::move(path)), calls_(calls) {
  if (const int err = FollowLinks(path_, target_)) Fail(err);
  struct stat st;
  const bool exists = ::stat(target_.c_str(), &st) == 0;
  if (!exists && errno != ENOENT) Fail(errno);
  if (exists && !S_ISREG(st.st_mode)) {
    throw TError(EscapeControls(path_) + " is not a regular file");
  }
  hardLinked_ = exists && st.st_nlink > 1;
  existed_ = exists;

  const std::string folder = DirectoryOf(target_);
  // A set of files that a killed writer left half renamed is completed first, so that its
  // temporaries are not taken for dead ones.
  RecoverFileSets(folder, calls_);
  RemoveDeadTemporaries(folder, target_);
  temp_ = TemporaryPattern(folder, target_);
  fd_ = ::mkostemp(temp_.data(), O_CLOEXEC);
  if (fd_ < 0) {
    temp_.clear();
    Fail(errno);
  }
  slot_ = WatchTemporary(temp_);
  if (exists) {
    // Owner and group first: changing them clears set-user-ID bits, which the mode then
    // restores. Where the process may not give the file away, it keeps what it may.
    if (::fchown(fd_, st.st_uid, st.st_gid) != 0) ::fchown(fd_, static_cast<uid_t>(-1), st.st_gid);
    ::fchmod(fd_, st.st_mode & 07777);
  } else {
    // mkstemp makes the file private; a new file gets the usual permissions.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd_, 0666 & ~mask);
  }
}

TAtomicFile::~TAtomicFile() { Forget(); }

// Closes and removes the temporary, if any is left.
void TAtomicFile::Forget() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temp_.empty()) ::unlink(temp_.c_str());
  temp_.clear();
  ForgetTemporary(slot_);
  slot_ = -1;
}

void TAtomicFile::Fail(int err) {
  Forget();
  throw TFileWriteError(EscapeControls(path_), err);
}

void TAtomicFile::Write(std::span<const std::uint8_t> bytes) {
  if (fd_ < 0) Fail(EBADF);
  if (const int err = WriteAll(calls_, fd_, bytes.data(), bytes.size())) Fail(err);
}

void TAtomicFile::Prepare() {
  if (prepared_) return;
  if (fd_ < 0) Fail(EBADF);
  // Without the sync, a crash after the rename could leave the target empty or partial.
  if (const int err = Sync(calls_, fd_)) Fail(err);
  const int rc = ::close(fd_);
  fd_ = -1;
  if (rc != 0) Fail(errno);
  prepared_ = true;
}

void TAtomicFile::Commit() {
  Prepare();
  if (temp_.empty()) Fail(EBADF);
  if (calls_.rename(temp_.c_str(), target_.c_str()) != 0) Fail(errno);
  temp_.clear();
  ForgetTemporary(slot_);
  slot_ = -1;
  // The rename itself lasts through a power cut only once the folder is synced; the target
  // is whole either way, so a folder that cannot be synced is no failure.
  const int folder = ::open(DirectoryOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    calls_.fsync(folder);
    ::close(folder);
  }
}

std::string WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes,
                                const TFileCalls& calls) {
  TAtomicFile file(path, calls);
  file.Write(bytes);
  file.Commit();
  return file.OtherLinksKept() ? HardLinkNote(path) : std::string();
}

}  // namespace tegulo
