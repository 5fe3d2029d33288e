#include "io/read_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "io_fixture.h"

using namespace tegulo;
using tegulo::iotest::IoTest;
namespace fs = std::filesystem;

namespace {

using ReadFile = IoTest;

TEST_F(ReadFile, ReadsToTheEndWhateverTheSizeSays) {
  Put("rom", std::string(70000, 'r'));
  EXPECT_EQ(ReadWholeFile(Path("rom")).size(), 70000u);
  Put("empty", "");
  EXPECT_TRUE(ReadWholeFile(Path("empty")).empty());
  // Files under /proc measure 0 bytes but are not empty.
  if (fs::exists("/proc/self/status")) {
    EXPECT_FALSE(ReadWholeFile("/proc/self/status").empty());
  }
  EXPECT_EQ(ReadFileHead(Path("rom"), 2072).size(), 2072u);
  EXPECT_EQ(ReadFileHead(Path("empty"), 2072).size(), 0u);
}

TEST_F(ReadFile, TheLimitIsExact) {
  Put("ten", "0123456789");
  EXPECT_EQ(ReadWholeFile(Path("ten"), 10).size(), 10u);
  EXPECT_EQ(ErrorOf([&] { ReadWholeFile(Path("ten"), 9); }),
            Path("ten") + " is larger than 9 bytes");
  // A sparse file just over the real limit is refused before anything is read.
  Put("huge", "");
  fs::resize_file(Path("huge"), kMaxInputBytes + 1);
  try {
    ReadWholeFile(Path("huge"));
    ADD_FAILURE() << "read";
  } catch (const TFileReadError& e) {
    EXPECT_EQ(e.failure(), TReadFailure::TooLarge);
  }
}

TEST_F(ReadFile, EachFailureSaysWhy) {
  EXPECT_EQ(ErrorOf([&] { ReadWholeFile(Path("missing")); }), Path("missing") + " not found");
  EXPECT_EQ(ErrorOf([&] { ReadWholeFile(Dir().string()); }), "Cannot read " + Dir().string());
  fs::create_symlink("loop2", Path("loop1"));
  fs::create_symlink("loop1", Path("loop2"));
  EXPECT_EQ(ErrorOf([&] { ReadWholeFile(Path("loop1")); }),
            "Cannot open \"" + Path("loop1") + "\". " + std::strerror(ELOOP));
  const std::string longName = Path(std::string(300, 'n'));
  EXPECT_EQ(ErrorOf([&] { ReadWholeFile(longName); }),
            "Cannot open \"" + longName + "\". " + std::strerror(ENAMETOOLONG));
  Put("a\x1b[2Jb", "");
  fs::remove(Path("a\x1b[2Jb"));
  EXPECT_EQ(ErrorOf([&] { ReadWholeFile(Path("a\x1b[2Jb")); }), Path("a\\x1b[2Jb") + " not found");
}

TEST_F(ReadFile, PermissionDeniedSaysSo) {
  Put("locked", "x");
  fs::permissions(Path("locked"), fs::perms::none);
  if (::access(Path("locked").c_str(), R_OK) == 0) GTEST_SKIP() << "rights ignore modes";
  EXPECT_EQ(ErrorOf([&] { ReadWholeFile(Path("locked")); }),
            "Cannot open \"" + Path("locked") + "\". " + std::strerror(EACCES));
}

TEST_F(ReadFile, SpecialFilesAreRefusedWithoutBlocking) {
  // A FIFO nobody writes to would block a plain open forever.
  ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0600), 0);
  EXPECT_EQ(ErrorOf([&] { ReadWholeFile(Path("fifo")); }), Path("fifo") + " is not a regular file");
  EXPECT_EQ(ErrorOf([&] { ReadFileHead(Path("fifo"), 10); }),
            Path("fifo") + " is not a regular file");
  if (fs::exists("/dev/null")) {
    EXPECT_EQ(ErrorOf([&] { ReadWholeFile("/dev/null"); }), "/dev/null is not a regular file");
  }
}

TEST_F(ReadFile, SameFileSeesThroughLinks) {
  Put("a", "x");
  Put("b", "x");
  fs::create_hard_link(Path("a"), Path("hard"));
  fs::create_symlink("a", Path("soft"));
  EXPECT_TRUE(SameFile(Path("a"), Path("hard")));
  EXPECT_TRUE(SameFile(Path("soft"), Path("hard")));
  EXPECT_FALSE(SameFile(Path("a"), Path("b")));
  EXPECT_FALSE(SameFile(Path("a"), Path("missing")));
}

}  // namespace
