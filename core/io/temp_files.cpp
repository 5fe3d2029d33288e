// Temporary files of the safe-write path, named with the writer's process id so that a
// later write can tell which ones a killed process left behind.
#include "io/temp_files.h"

#include <dirent.h>
#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>

namespace tegulo {
namespace {

constexpr std::size_t kNameBytes = 64;
constexpr std::string_view kPrefix = ".tegulo-";
constexpr std::size_t kRandomPart = 7;  // "-XXXXXX"

std::string_view BaseName(std::string_view path) {
  const auto slash = path.find_last_of('/');
  const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  return name.substr(0, kNameBytes);
}

// The process id of a temporary of `name`, or 0 for any other file.
pid_t WriterOf(std::string_view file, std::string_view name) {
  if (file.substr(0, kPrefix.size()) != kPrefix) return 0;
  file.remove_prefix(kPrefix.size());
  pid_t pid = 0;
  std::size_t digits = 0;
  while (digits < file.size() && digits < 10 && file[digits] >= '0' && file[digits] <= '9') {
    pid = pid * 10 + (file[digits] - '0');
    ++digits;
  }
  if (digits == 0 || digits >= file.size() || file[digits] != '-') return 0;
  file.remove_prefix(digits + 1);
  if (file.size() != name.size() + kRandomPart || file.substr(0, name.size()) != name ||
      file[name.size()] != '-') {
    return 0;
  }
  return pid;
}

// The temporaries in progress, read by the signal handler: only fixed storage and atomics.
struct TSlot {
  std::atomic<bool> used{false};
  std::atomic<bool> ready{false};
  char path[PATH_MAX];
};
constexpr int kSlots = 32;
TSlot gSlots[kSlots];
constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};

extern "C" void RemoveTemporariesAndDie(int sig) {
  const int saved = errno;
  for (TSlot& slot : gSlots) {
    if (slot.ready.load()) ::unlink(slot.path);
  }
  errno = saved;
  ::signal(sig, SIG_DFL);
  ::raise(sig);
}

void InstallHandlers() {
  for (const int sig : kSignals) {
    struct sigaction old {};
    if (::sigaction(sig, nullptr, &old) != 0 || old.sa_handler != SIG_DFL) continue;
    struct sigaction act {};
    act.sa_handler = RemoveTemporariesAndDie;
    ::sigemptyset(&act.sa_mask);
    ::sigaction(sig, &act, nullptr);
  }
}

}  // namespace

std::string TemporaryPattern(const std::string& folder, std::string_view target) {
  return folder + "/" + std::string(kPrefix) + std::to_string(::getpid()) + "-" +
         std::string(BaseName(target)) + "-XXXXXX";
}

void RemoveDeadTemporaries(const std::string& folder, std::string_view target) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return;
  const std::string_view name = BaseName(target);
  const pid_t self = ::getpid();
  while (const dirent* entry = ::readdir(dir)) {
    const pid_t pid = WriterOf(entry->d_name, name);
    if (pid <= 0 || pid == self) continue;
    if (::kill(pid, 0) == 0 || errno != ESRCH) continue;  // running, or not ours to know
    ::unlinkat(::dirfd(dir), entry->d_name, 0);
  }
  ::closedir(dir);
}

int WatchTemporary(const std::string& path) {
  static std::once_flag installed;
  std::call_once(installed, InstallHandlers);
  if (path.size() >= PATH_MAX) return -1;
  for (int i = 0; i < kSlots; ++i) {
    bool expected = false;
    if (!gSlots[i].used.compare_exchange_strong(expected, true)) continue;
    std::memcpy(gSlots[i].path, path.c_str(), path.size() + 1);
    gSlots[i].ready.store(true);
    return i;
  }
  return -1;
}

void ForgetTemporary(int slot) {
  if (slot < 0 || slot >= kSlots) return;
  gSlots[slot].ready.store(false);
  gSlots[slot].used.store(false);
}

}  // namespace tegulo
