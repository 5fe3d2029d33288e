// Whole-file reading and writing with plain POSIX calls, so that a short read or write is
// told from an error.
#include "rom/rom_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "base/uCommon.h"
#include "io/posix_fd.h"

namespace tegulo {
std::vector<std::uint8_t> ReadRomFile(const std::string& path) {
  Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) throw TError(path + " not found");
  const TError cannotRead("Cannot read " + path);

  struct stat st;
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0) throw cannotRead;
  std::vector<std::uint8_t> data;
  try {
    data.resize(static_cast<std::size_t>(st.st_size));
  } catch (const std::bad_alloc&) {
    throw cannotRead;
  } catch (const std::length_error&) {
    throw cannotRead;
  }

  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::read(fd.get(), data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw cannotRead;  // an error, or the file shrank while we read it
    done += static_cast<std::size_t>(n);
  }
  return data;
}

void WriteBytesFile(const std::string& path, std::span<const std::uint8_t> bytes) {
  auto fail = [&](int err) {
    throw TError("Cannot create file \"" + path + "\". " + std::strerror(err));
  };
  Fd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  if (fd.get() < 0) fail(errno);
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd.get(), bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) fail(n < 0 ? errno : EIO);
    done += static_cast<std::size_t>(n);
  }
  if (fd.Close() != 0) fail(errno);
}

}  // namespace tegulo
