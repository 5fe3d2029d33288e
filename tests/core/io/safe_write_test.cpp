#include "io/safe_write.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

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

// Injected write failures are process-wide: always switched off again.
struct TInjected {
  TInjected(std::uint64_t after, int err) { InjectWriteFailureForTesting(after, err); }
  ~TInjected() { InjectWriteFailureForTesting(0, 0); }
};

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

TEST_F(SafeWrite, HardLinksAllSeeTheNewContent) {
  Put("one", "old content");
  fs::create_hard_link(Path("one"), Path("two"));
  const ino_t inode = StatOf(Path("one")).st_ino;
  WriteFileAtomically(Path("two"), Bytes("new"));
  EXPECT_EQ(Get("one"), "new");
  EXPECT_EQ(StatOf(Path("two")).st_ino, inode);
  EXPECT_EQ(StatOf(Path("one")).st_nlink, 2u);
  EXPECT_EQ(Count(), 2u);

  // A rewrite that fails part way puts the old bytes back under both names.
  const std::string longer(100000, 'z');
  {
    TInjected fail(150000, ENOSPC);  // the temporary is written whole, the rewrite is not
    EXPECT_EQ(ErrorOf([&] { WriteFileAtomically(Path("one"), Bytes(longer)); }),
              "Cannot create file \"" + Path("one") + "\". " + std::strerror(ENOSPC));
  }
  EXPECT_EQ(Get("two"), "new");
  EXPECT_EQ(Count(), 2u);
}

TEST_F(SafeWrite, FailuresLeaveTheTargetAndNoTemporary) {
  Put("keep", "old bytes");
  for (const std::uint64_t after : {0, 10, 70000}) {
    TInjected fail(after, ENOSPC);
    const std::string message =
        ErrorOf([&] { WriteFileAtomically(Path("keep"), Bytes(std::string(200000, 'n'))); });
    EXPECT_EQ(message, "Cannot create file \"" + Path("keep") + "\". " + std::strerror(ENOSPC))
        << "after " << after;
    try {
      WriteFileAtomically(Path("new"), Bytes("x"));
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
