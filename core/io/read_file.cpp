// Input files with plain POSIX calls: open without blocking, check the kind, read bounded.
#include "io/read_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "base/messages.h"
#include "io/posix_fd.h"

namespace tegulo {
namespace {

// "1 GiB", "64 MiB", "9 bytes": the largest unit that divides the limit.
std::string LimitText(std::uint64_t limit) {
  const char* const units[] = {"GiB", "MiB", "KiB"};
  int shift = 30;
  for (const char* unit : units) {
    if (limit > 0 && limit % (std::uint64_t{1} << shift) == 0) {
      return std::to_string(limit >> shift) + " " + unit;
    }
    shift -= 10;
  }
  return std::to_string(limit) + (limit == 1 ? " byte" : " bytes");
}

std::string ReadFailureText(const std::string& path, TReadFailure failure, int err,
                            std::uint64_t limit) {
  const std::string shown = EscapeControls(path);
  switch (failure) {
    case TReadFailure::Missing: return shown + " not found";
    case TReadFailure::OpenFailed: return "Cannot open \"" + shown + "\". " + std::strerror(err);
    case TReadFailure::Directory: return "Cannot read " + shown;
    case TReadFailure::NotRegular: return shown + " is not a regular file";
    case TReadFailure::TooLarge: return shown + " is larger than " + LimitText(limit);
    case TReadFailure::ReadFailed: break;
  }
  return "Cannot read " + shown + (err != 0 ? std::string(". ") + std::strerror(err) : "");
}

// Opens for reading and checks the kind; the descriptor is left blocking for the reads.
Fd OpenRegular(const std::string& path, struct stat& st) {
  Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (fd.get() < 0) {
    const int err = errno;
    throw TFileReadError(path, err == ENOENT ? TReadFailure::Missing : TReadFailure::OpenFailed,
                         err);
  }
  if (::fstat(fd.get(), &st) != 0) throw TFileReadError(path, TReadFailure::ReadFailed, errno);
  if (S_ISDIR(st.st_mode)) throw TFileReadError(path, TReadFailure::Directory, EISDIR);
  if (!S_ISREG(st.st_mode)) throw TFileReadError(path, TReadFailure::NotRegular, 0);
  const int flags = ::fcntl(fd.get(), F_GETFL);
  if (flags >= 0) ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK);
  return fd;
}

// Reads until the end of the file or `cap` bytes; `tooLarge` reports a file that goes on.
std::vector<std::uint8_t> ReadBounded(const std::string& path, std::uint64_t cap, bool capIsLimit) {
  struct stat st;
  Fd fd = OpenRegular(path, st);
  const std::uint64_t size = st.st_size > 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
  if (capIsLimit && size > cap) {
    throw TFileReadError(path, TReadFailure::TooLarge, EFBIG, cap);
  }

  std::vector<std::uint8_t> data;
  try {
    // One byte more than the size, so that reaching the end needs no second allocation.
    data.resize(static_cast<std::size_t>(std::min(cap, size) + (size < cap ? 1 : 0)));
    std::size_t done = 0;
    for (;;) {
      if (done == data.size()) {
        if (done >= cap) {
          if (!capIsLimit) break;
          // Exactly at the limit: only a further byte makes the file too large.
          std::uint8_t probe;
          const ssize_t n = ::read(fd.get(), &probe, 1);
          if (n < 0) throw TFileReadError(path, TReadFailure::ReadFailed, errno);
          if (n > 0) throw TFileReadError(path, TReadFailure::TooLarge, EFBIG, cap);
          break;
        }
        data.resize(static_cast<std::size_t>(std::min<std::uint64_t>(cap, done * 2 + 65536)));
      }
      const ssize_t n = ::read(fd.get(), data.data() + done, data.size() - done);
      if (n < 0) {
        if (errno == EINTR) continue;
        throw TFileReadError(path, TReadFailure::ReadFailed, errno);
      }
      if (n == 0) break;
      done += static_cast<std::size_t>(n);
    }
    data.resize(done);
  } catch (const std::bad_alloc&) {
    throw TFileReadError(path, TReadFailure::ReadFailed, ENOMEM);
  } catch (const std::length_error&) {
    throw TFileReadError(path, TReadFailure::ReadFailed, ENOMEM);
  }
  return data;
}

}  // namespace

TFileReadError::TFileReadError(const std::string& path, TReadFailure failure, int err,
                               std::uint64_t limit)
    : TError(ReadFailureText(path, failure, err, limit)), failure_(failure), err_(err) {}

std::vector<std::uint8_t> ReadWholeFile(const std::string& path, std::uint64_t limit) {
  return ReadBounded(path, limit, true);
}

std::vector<std::uint8_t> ReadFileHead(const std::string& path, std::size_t count) {
  return ReadBounded(path, count, false);
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa, sb;
  if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace tegulo
