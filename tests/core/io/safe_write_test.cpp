#include "io/safe_write.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <vector>

#include "io/file_error.h"
#include "io_fixture.h"

using namespace tegulo;
using tegulo::iotest::IoTest;
namespace fs = std::filesystem;

namespace {

std::span<const std::uint8_t> Bytes(const std::string& s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

struct stat StatOf(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
  return st;
}

// The system calls a write makes, as a test sees them: every call is logged, and a write
// fails with `failErr` once `writeBudget` bytes have gone through.
struct TCallLog {
  std::vector<std::string> calls;
  std::uint64_t writeBudget = UINT64_MAX;
  int failErr = 0;
  int failFsync = 0;                  // errno for the first fsync, 0 for none
  int failRename = 0;                 // errno for the rename, 0 for none
  std::size_t writeLimit = SIZE_MAX;  // the most bytes one write takes (short writes)
};
TCallLog gLog;

ssize_t LoggedWrite(int fd, const void* data, std::size_t n) {
  gLog.calls.push_back("write");
  if (gLog.writeBudget == 0) {
    errno = gLog.failErr;
    return -1;
  }
  n = std::min<std::size_t>(
      {n, gLog.writeLimit,
       static_cast<std::size_t>(std::min<std::uint64_t>(gLog.writeBudget, SIZE_MAX))});
  const ssize_t done = ::write(fd, data, n);
  if (done > 0 && gLog.writeBudget != UINT64_MAX)
    gLog.writeBudget -= static_cast<std::uint64_t>(done);
  return done;
}
int LoggedFsync(int fd) {
  struct stat st {};
  ::fstat(fd, &st);
  gLog.calls.push_back(S_ISDIR(st.st_mode) ? "fsync folder" : "fsync");
  if (gLog.failFsync != 0 && !S_ISDIR(st.st_mode)) {
    errno = gLog.failFsync;
    return -1;
  }
  return ::fsync(fd);
}
int LoggedRename(const char* from, const char* to) {
  gLog.calls.push_back("rename");
  if (gLog.failRename != 0) {
    errno = gLog.failRename;
    return -1;
  }
  return ::rename(from, to);
}

// A fresh log and the calls that write into it.
TFileCalls Logged(TCallLog log = {}) {
  gLog = std::move(log);
  TFileCalls calls;
  calls.write = LoggedWrite;
  calls.fsync = LoggedFsync;
  calls.rename = LoggedRename;
  return calls;
}

TCallLog FailWritesAfter(std::uint64_t bytes, int err) {
  TCallLog log;
  log.writeBudget = bytes;
  log.failErr = err;
  return log;
}

using SafeWrite = IoTest;

TEST_F(SafeWrite, ReplacesWholeAndCreatesWithTheUsualMode) {
  WriteFileAtomically(Path("a"), Bytes("first version, longer"));
  WriteFileAtomically(Path("a"), Bytes("second"));
  EXPECT_EQ(Get("a"), "second");
  const mode_t mask = ::umask(0);
  ::umask(mask);
  EXPECT_EQ(StatOf(Path("a")).st_mode & 07777, 0666 & ~mask);
  WriteFileAtomically(Path("empty"), {});
  EXPECT_EQ(fs::file_size(Path("empty")), 0u);
  EXPECT_EQ(Count(), 2u);
}

TEST_F(SafeWrite, LinksAreFollowedAndStayLinks) {
  fs::create_directories(Dir() / "real");
  Put("real/doc", "old");
  fs::create_symlink("real/doc", Path("rel"));       // relative to the link's folder
  fs::create_symlink(Path("rel"), Path("chain"));    // a link to a link
  fs::create_symlink("real/new", Path("dangling"));  // its target does not exist yet

  WriteFileAtomically(Path("chain"), Bytes("through two links"));
  EXPECT_TRUE(fs::is_symlink(Path("chain")));
  EXPECT_TRUE(fs::is_symlink(Path("rel")));
  EXPECT_EQ(Get("real/doc"), "through two links");

  WriteFileAtomically(Path("dangling"), Bytes("made"));
  EXPECT_TRUE(fs::is_symlink(Path("dangling")));
  EXPECT_EQ(Get("real/new"), "made");
  EXPECT_EQ(Count(), 4u);  // real, rel, chain, dangling: no temporary beside the links
  EXPECT_EQ(std::distance(fs::directory_iterator(Dir() / "real"), {}), 2);

  fs::create_symlink("loop2", Path("loop1"));
  fs::create_symlink("loop1", Path("loop2"));
  EXPECT_EQ(ErrorOf([&] { WriteFileAtomically(Path("loop1"), Bytes("x")); }),
            "Cannot create file \"" + Path("loop1") + "\". " + std::strerror(ELOOP));
}

TEST_F(SafeWrite, KeepsPermissionBitsOwnerAndGroup) {
  Put("private", "old");
  ::chmod(Path("private").c_str(), 0600);
  Put("script", "old");
  ::chmod(Path("script").c_str(), 0750);
  WriteFileAtomically(Path("private"), Bytes("new"));
  WriteFileAtomically(Path("script"), Bytes("new"));
  EXPECT_EQ(StatOf(Path("private")).st_mode & 07777, 0600u);
  EXPECT_EQ(StatOf(Path("script")).st_mode & 07777, 0750u);

  // Only a process that may give files away can show the owner kept.
  Put("owned", "old");
  if (::chown(Path("owned").c_str(), 4321, 4322) != 0) GTEST_SKIP() << "cannot change owners";
  WriteFileAtomically(Path("owned"), Bytes("new"));
  EXPECT_EQ(StatOf(Path("owned")).st_uid, 4321u);
  EXPECT_EQ(StatOf(Path("owned")).st_gid, 4322u);
}

// A hard-linked target is replaced by a rename like any other, so a kill leaves each name
// whole: the other names keep the old bytes, and the write says so.
TEST_F(SafeWrite, AHardLinkedTargetIsReplacedAndItsOtherNamesKeepTheOldBytes) {
  Put("one", "old content");
  fs::create_hard_link(Path("one"), Path("two"));
  EXPECT_EQ(WriteFileAtomically(Path("two"), Bytes("new")),
            Path("two") + " had other hard links; they keep the old content");
  EXPECT_EQ(Get("two"), "new");
  EXPECT_EQ(Get("one"), "old content");
  EXPECT_EQ(StatOf(Path("one")).st_nlink, 1u);
  EXPECT_EQ(WriteFileAtomically(Path("two"), Bytes("again")), "");
  EXPECT_EQ(Count(), 2u);
}

// The temporary is synced before it is renamed over the target, else a crash just after the
// rename could leave an empty or partial file under the target's name; then the folder.
TEST_F(SafeWrite, SyncsTheTemporaryBeforeTheRename) {
  Put("doc", "old");
  WriteFileAtomically(Path("doc"), Bytes("new"), Logged());
  EXPECT_EQ(gLog.calls, (std::vector<std::string>{"write", "fsync", "rename", "fsync folder"}));
  EXPECT_EQ(Get("doc"), "new");
}

// Each failing call of the write leaves the target and no temporary; short writes are
// carried on until every byte is written.
TEST_F(SafeWrite, EachFailingCallLeavesTheTargetAndNoTemporary) {
  const std::string big(100000, 'n');
  TCallLog fsyncFails;
  fsyncFails.failFsync = EIO;
  TCallLog renameFails;
  renameFails.failRename = EXDEV;
  const struct {
    const char* what;
    TCallLog log;
    int err;
  } cases[] = {
      {"write", FailWritesAfter(70000, ENOSPC), ENOSPC},
      {"fsync", fsyncFails, EIO},
      {"rename", renameFails, EXDEV},
  };
  Put("keep", "old bytes");
  for (const auto& c : cases) {
    EXPECT_EQ(ErrorOf([&] { WriteFileAtomically(Path("keep"), Bytes(big), Logged(c.log)); }),
              "Cannot create file \"" + Path("keep") + "\". " + std::strerror(c.err))
        << c.what;
    EXPECT_EQ(Get("keep"), "old bytes") << c.what;
    EXPECT_EQ(Count(), 1u) << c.what;
  }
  TCallLog shortWrites;
  shortWrites.writeLimit = 4097;
  WriteFileAtomically(Path("keep"), Bytes(big), Logged(shortWrites));
  EXPECT_EQ(Get("keep"), big);
  EXPECT_EQ(std::count(gLog.calls.begin(), gLog.calls.end(), "write"), 25);
}

// Temporaries carry the writer's process id; a write removes those of its target whose
// process is gone, and leaves a running process's and other targets' alone.
TEST_F(SafeWrite, TemporariesOfGoneProcessesAreRemoved) {
  const pid_t gone = fork();
  if (gone == 0) _exit(0);
  ASSERT_GT(gone, 0);
  ASSERT_EQ(::waitpid(gone, nullptr, 0), gone);
  const std::string dead = ".tegulo-" + std::to_string(gone) + "-doc-abcdef";
  const std::string running = ".tegulo-1-doc-abcdef";  // init runs as long as the system
  const std::string otherTarget = ".tegulo-" + std::to_string(gone) + "-other-abcdef";
  for (const std::string& name : {dead, running, otherTarget}) Put(name, "partial");
  Put("doc", "old");

  TAtomicFile file(Path("doc"));
  EXPECT_FALSE(fs::exists(Path(dead)));
  EXPECT_TRUE(fs::exists(Path(running)));
  EXPECT_TRUE(fs::exists(Path(otherTarget)));
  std::size_t own = 0;
  for (const auto& f : fs::directory_iterator(Dir())) {
    own +=
        f.path().filename().string().starts_with(".tegulo-" + std::to_string(::getpid()) + "-doc-");
  }
  EXPECT_EQ(own, 1u);
  EXPECT_EQ(Count(), 4u);
}

// SIGTERM, SIGHUP and SIGINT remove the temporary in progress, and still end the process.
TEST_F(SafeWrite, TerminatingSignalsRemoveTheTemporary) {
  for (const int sig : {SIGTERM, SIGHUP, SIGINT}) {
    const pid_t child = fork();
    if (child == 0) {
      TAtomicFile file(Path("doc"));
      file.Write(Bytes("half"));
      ::raise(sig);
      _exit(3);
    }
    ASSERT_GT(child, 0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << sig;
    EXPECT_EQ(Count(), 0u) << sig;
  }
}

TEST_F(SafeWrite, FailuresLeaveTheTargetAndNoTemporary) {
  Put("keep", "old bytes");
  for (const std::uint64_t after : {0, 10, 70000}) {
    const TFileCalls calls = Logged(FailWritesAfter(after, ENOSPC));
    const std::string message =
        ErrorOf([&] { WriteFileAtomically(Path("keep"), Bytes(std::string(200000, 'n')), calls); });
    EXPECT_EQ(message, "Cannot create file \"" + Path("keep") + "\". " + std::strerror(ENOSPC))
        << "after " << after;
    try {
      WriteFileAtomically(Path("new"), Bytes("x"), Logged(FailWritesAfter(0, ENOSPC)));
    } catch (const TFileWriteError& e) {
      EXPECT_EQ(e.err(), ENOSPC);
    }
  }
  EXPECT_EQ(Get("keep"), "old bytes");
  EXPECT_FALSE(fs::exists(Path("new")));
  EXPECT_EQ(Count(), 1u);

  {  // never committed
    TAtomicFile file(Path("keep"));
    file.Write(Bytes("abandoned"));
  }
  EXPECT_EQ(Get("keep"), "old bytes");
  EXPECT_EQ(Count(), 1u);
}

TEST_F(SafeWrite, SpecialFilesAreRefusedBeforeAnythingIsWritten) {
  ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0600), 0);
  fs::create_symlink("fifo", Path("to-fifo"));
  fs::create_directories(Dir() / "folder");
  for (const char* name : {"fifo", "to-fifo", "folder"}) {
    EXPECT_EQ(ErrorOf([&] { TAtomicFile file(Path(name)); }),
              Path(name) + " is not a regular file");
  }
  EXPECT_TRUE(fs::is_fifo(Path("fifo")));
  EXPECT_EQ(Count(), 3u);
}

TEST_F(SafeWrite, ControlCharactersInThePathAreEscaped) {
  const std::string odd = Path("no-such-dir/\x1b[31mred");
  EXPECT_EQ(
      ErrorOf([&] { WriteFileAtomically(odd, Bytes("x")); }),
      "Cannot create file \"" + Path("no-such-dir/") + "\\x1b[31mred\". " + std::strerror(ENOENT));
}

}  // namespace
