// Following symlinks with lstat and readlink, so that a link to a missing file still leads
// somewhere.
#include "io/paths.h"

#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace tegulo {
namespace {
constexpr int kMaxLinks = 40;  // as the system's own limit on links followed
}  // namespace

std::string DirectoryOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

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

}  // namespace tegulo
