// An owned POSIX file descriptor, closed when it goes out of scope.
#pragma once

#include <unistd.h>

namespace tegulo {

class Fd {
public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  Fd(Fd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  int get() const { return fd_; }
  // Closes now and reports a failing close, which can be where a write error surfaces.
  int Close() {
    const int rc = ::close(fd_);
    fd_ = -1;
    return rc;
  }

private:
  int fd_;
};

}  // namespace tegulo
