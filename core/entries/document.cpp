// Document load and save with plain POSIX calls, so that every failure has its errno.
#include "entries/document.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "base/uCommon.h"
#include "io/posix_fd.h"

namespace tegulo {
namespace {

[[noreturn]] void ThrowErrno(int err) { throw TError(FileErrorText(err)); }

std::string DirectoryOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace

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

std::vector<TTileEntry> LoadDocument(const std::string& path) {
  Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) ThrowErrno(errno);
  struct stat st;
  if (::fstat(fd.get(), &st) != 0) ThrowErrno(errno);
  if (S_ISDIR(st.st_mode)) ThrowErrno(EISDIR);

  const std::size_t count = static_cast<std::size_t>(st.st_size) / sizeof(TTileEntry);
  std::vector<TTileEntry> entries(count);
  auto* bytes = reinterpret_cast<std::uint8_t*>(entries.data());
  const std::size_t total = count * sizeof(TTileEntry);
  std::size_t done = 0;
  while (done < total) {
    const ssize_t n = ::read(fd.get(), bytes + done, total - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowErrno(errno);
    }
    if (n == 0) ThrowErrno(EIO);  // the file shrank under us
    done += static_cast<std::size_t>(n);
  }
  return entries;
}

void SaveDocument(const std::string& path, std::span<const TTileEntry> entries) {
  std::string temp = DirectoryOf(path) + "/.tegulo-save-XXXXXX";
  Fd fd(::mkstemp(temp.data()));
  if (fd.get() < 0) ThrowErrno(errno);

  auto fail = [&](int err) {
    ::unlink(temp.c_str());
    ThrowErrno(err);
  };

  // mkstemp makes the file private; a document gets the usual permissions.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd.get(), 0666 & ~mask);

  const auto* bytes = reinterpret_cast<const std::uint8_t*>(entries.data());
  const std::size_t total = entries.size_bytes();
  std::size_t done = 0;
  while (done < total) {
    const ssize_t n = ::write(fd.get(), bytes + done, total - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      fail(errno);
    }
    done += static_cast<std::size_t>(n);
  }
  if (::fsync(fd.get()) != 0 && errno != EINVAL) fail(errno);
  if (fd.Close() != 0) fail(errno);
  if (::rename(temp.c_str(), path.c_str()) != 0) fail(errno);
}

}  // namespace tegulo
