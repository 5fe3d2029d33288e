// Writers killed with SIGKILL at random moments: each target is always whole, old or new,
// for plain, symlinked and hard-linked targets, and the next write removes what they left.
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <thread>

#include "io/safe_write.h"
#include "io_fixture.h"

using namespace tegulo;
using tegulo::iotest::IoTest;
namespace fs = std::filesystem;

namespace {

constexpr std::size_t kChunk = 4096;
constexpr int kRunsPerKind = 100;

// A write that takes its time, so that a kill lands inside it.
ssize_t SlowWrite(int fd, const void* data, std::size_t n) {
  const timespec pause{0, 20000};
  ::nanosleep(&pause, nullptr);
  return ::write(fd, data, std::min(n, kChunk));
}

std::span<const std::uint8_t> Bytes(const std::string& s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

// Forks a writer of `content` to `path`; kills it after `delay` unless `delay` is negative.
void WriteInChild(const std::string& path, const std::string& content,
                  std::chrono::microseconds delay) {
  const pid_t child = ::fork();
  if (child == 0) {
    TFileCalls calls;
    calls.write = SlowWrite;
    // A kill is no power cut: the file system keeps what was written without a sync, and the
    // runs stay fast.
    calls.fsync = [](int) { return 0; };
    try {
      WriteFileAtomically(path, Bytes(content), calls);
    } catch (...) {
      _exit(2);
    }
    _exit(0);
  }
  ASSERT_GT(child, 0);
  if (delay.count() >= 0) {
    std::this_thread::sleep_for(delay);
    ::kill(child, SIGKILL);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  if (WIFEXITED(status)) {
    ASSERT_EQ(WEXITSTATUS(status), 0);
  }
}

using KillDuringWrite = IoTest;

TEST_F(KillDuringWrite, EveryTargetIsWholeOldOrNew) {
  const std::string oldContent(50000, 'o');
  const std::string newContent(64000, 'N');
  fs::create_directories(Dir() / "real");

  // One undisturbed write tells how long a write takes here.
  const auto start = std::chrono::steady_clock::now();
  WriteInChild(Path("probe"), newContent, std::chrono::microseconds(-1));
  const auto took = std::chrono::duration_cast<std::chrono::microseconds>(
      std::chrono::steady_clock::now() - start);
  fs::remove(Path("probe"));

  std::mt19937 rng(29);
  std::uniform_int_distribution<long> when(0, took.count() * 6 / 5);
  const char* kinds[] = {"plain", "symlinked", "hard-linked"};
  int sawOld = 0;
  int sawNew = 0;
  for (const char* kind : kinds) {
    const std::string kindName(kind);
    const std::string target = kindName == "symlinked" ? "real/doc" : "doc";
    for (int run = 0; run < kRunsPerKind; ++run) {
      Put(target, oldContent);
      if (kindName == "symlinked" && !fs::is_symlink(Path("link"))) {
        fs::create_symlink("real/doc", Path("link"));
      }
      if (kindName == "hard-linked") {
        fs::remove(Path("other"));
        fs::create_hard_link(Path("doc"), Path("other"));
      }
      const std::string written = kindName == "symlinked" ? "link" : "doc";
      WriteInChild(Path(written), newContent, std::chrono::microseconds(when(rng)));
      const std::string now = Get(target);
      ASSERT_TRUE(now == oldContent || now == newContent)
          << kind << " run " << run << ": " << now.size() << " bytes, mixed";
      (now == oldContent ? sawOld : sawNew) += 1;
      if (kindName == "symlinked") {
        ASSERT_TRUE(fs::is_symlink(Path("link")));
      }
      if (kindName == "hard-linked") {
        ASSERT_EQ(Get("other"), oldContent) << run;
      }
    }
  }
  RecordProperty("old", sawOld);
  RecordProperty("new", sawNew);
  EXPECT_GT(sawOld, 0);
  EXPECT_GT(sawNew, 0);

  // The temporaries the killed writers left are removed by the next write to each target.
  WriteFileAtomically(Path("doc"), Bytes("last"));
  WriteFileAtomically(Path("link"), Bytes("last"));
  EXPECT_EQ(Count(), 4u);  // real, doc, other, link
  EXPECT_EQ(std::distance(fs::directory_iterator(Dir() / "real"), {}), 1);
}

}  // namespace
