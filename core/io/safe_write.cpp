// Atomic file replacement with plain POSIX calls, so that every failure has its errno.
#include "io/safe_write.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "base/messages.h"
#include "base/uCommon.h"
#include "io/file_error.h"
#include "io/posix_fd.h"

namespace tegulo {
namespace {

constexpr int kMaxLinks = 40;  // as the system's own limit on links followed

struct TInjectedFailure {
  int err = 0;
  std::uint64_t remaining = 0;
};
TInjectedFailure gInjected;

std::string DirectoryOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Follows symlinks at the path to the file they end at, which need not exist yet (a
// dangling link creates its target). Returns 0 or an errno value.
int FollowLinks(const std::string& path, std::string& target) {
  target = path;
  for (int i = 0; i < kMaxLinks; ++i) {
    struct stat st;
    if (::lstat(target.c_str(), &st) != 0) return errno == ENOENT ? 0 : errno;
    if (!S_ISLNK(st.st_mode)) return 0;
    char buf[PATH_MAX];
    const ssize_t n = ::readlink(target.c_str(), buf, sizeof buf);
    if (n < 0) return errno;
    if (static_cast<std::size_t>(n) >= sizeof buf) return ENAMETOOLONG;
    std::string next(buf, static_cast<std::size_t>(n));
    if (next.empty()) return ENOENT;
    target = next.front() == '/' ? next : DirectoryOf(target) + "/" + next;
  }
  return ELOOP;
}

// write() as TAtomicFile sees it, with the failure tests may inject.
ssize_t WriteSome(int fd, const std::uint8_t* data, std::size_t n, bool injectable) {
  if (injectable && gInjected.err != 0) {
    if (gInjected.remaining == 0) {
      errno = gInjected.err;
      return -1;
    }
    if (n > gInjected.remaining) n = static_cast<std::size_t>(gInjected.remaining);
    const ssize_t done = ::write(fd, data, n);
    if (done > 0) gInjected.remaining -= static_cast<std::uint64_t>(done);
    return done;
  }
  return ::write(fd, data, n);
}

// Writes all bytes at the descriptor's position; 0 or an errno value.
int WriteAll(int fd, const std::uint8_t* data, std::size_t n, bool injectable = true) {
  std::size_t done = 0;
  while (done < n) {
    const ssize_t w = WriteSome(fd, data + done, n - done, injectable);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return w < 0 ? errno : EIO;
    done += static_cast<std::size_t>(w);
  }
  return 0;
}

// Copies the whole of `from` over the start of `to`, then cuts `to` to that length and
// syncs it. 0 or an errno value.
int CopyOver(int from, int to, bool injectable = true) {
  if (::lseek(from, 0, SEEK_SET) < 0 || ::lseek(to, 0, SEEK_SET) < 0) return errno;
  std::uint8_t buf[65536];
  off_t total = 0;
  for (;;) {
    const ssize_t n = ::read(from, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    if (n == 0) break;
    if (const int err = WriteAll(to, buf, static_cast<std::size_t>(n), injectable)) return err;
    total += n;
  }
  if (::ftruncate(to, total) != 0) return errno;
  if (::fsync(to) != 0 && errno != EINVAL) return errno;
  return 0;
}

int MakeTemp(const std::string& folder, std::string& temp) {
  temp = folder + "/.tegulo-save-XXXXXX";
  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) temp.clear();
  return fd;
}

}  // namespace

void InjectWriteFailureForTesting(std::uint64_t afterBytes, int err) {
  gInjected.err = err;
  gInjected.remaining = afterBytes;
}

TAtomicFile::TAtomicFile(std::string path) : path_(std::move(path)) {
  if (const int err = FollowLinks(path_, target_)) Fail(err);
  struct stat st;
  const bool exists = ::stat(target_.c_str(), &st) == 0;
  if (!exists && errno != ENOENT) Fail(errno);
  if (exists && !S_ISREG(st.st_mode)) {
    throw TError(EscapeControls(path_) + " is not a regular file");
  }
  hardLinked_ = exists && st.st_nlink > 1;

  fd_ = MakeTemp(DirectoryOf(target_), temp_);
  if (fd_ < 0) Fail(errno);
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

TAtomicFile::~TAtomicFile() {
  if (fd_ >= 0) ::close(fd_);
  if (!temp_.empty()) ::unlink(temp_.c_str());
}

void TAtomicFile::Fail(int err) {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temp_.empty()) ::unlink(temp_.c_str());
  temp_.clear();
  throw TFileWriteError(EscapeControls(path_), err);
}

void TAtomicFile::Write(std::span<const std::uint8_t> bytes) {
  if (fd_ < 0) Fail(EBADF);
  if (const int err = WriteAll(fd_, bytes.data(), bytes.size())) Fail(err);
}

void TAtomicFile::Commit() {
  if (fd_ < 0) Fail(EBADF);
  if (::fsync(fd_) != 0 && errno != EINVAL) Fail(errno);
  if (hardLinked_) {
    CommitInPlace();
    return;
  }
  const int rc = ::close(fd_);
  fd_ = -1;
  if (rc != 0) Fail(errno);
  if (::rename(temp_.c_str(), target_.c_str()) != 0) Fail(errno);
  temp_.clear();
}

// The new content is whole and synced in the temporary. The old bytes are copied aside
// first, so that a rewrite that fails halfway (a full disk, a size limit) can be undone.
void TAtomicFile::CommitInPlace() {
  Fd target(::open(target_.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (target.get() < 0) Fail(errno);
  struct stat st;
  if (::fstat(target.get(), &st) != 0) Fail(errno);
  if (!S_ISREG(st.st_mode)) Fail(EINVAL);

  std::string backupPath;
  Fd backup(MakeTemp(DirectoryOf(target_), backupPath));
  if (backup.get() < 0) Fail(errno);
  struct TRemove {
    const std::string& path;
    ~TRemove() { ::unlink(path.c_str()); }
  } removeBackup{backupPath};

  if (const int err = CopyOver(target.get(), backup.get())) Fail(err);
  if (const int err = CopyOver(fd_, target.get())) {
    CopyOver(backup.get(), target.get(), false);  // best effort: the old bytes back in place
    Fail(err);
  }
  ::close(fd_);
  fd_ = -1;
  ::unlink(temp_.c_str());
  temp_.clear();
}

void WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes) {
  TAtomicFile file(path);
  file.Write(bytes);
  file.Commit();
}

}  // namespace tegulo
