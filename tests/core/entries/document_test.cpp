#include "entries/document.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#include "base/uCommon.h"
#include "temp_dir.h"

using namespace tegulo;
namespace fs = std::filesystem;

namespace {

class DocumentTest : public test::TempDirTest {
protected:
  static std::string Read(const std::string& p) {
    std::ifstream f(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
  }
};

std::vector<TTileEntry> RandomEntries(int n, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<TTileEntry> v(n);
  for (auto& e : v) {
    auto* p = reinterpret_cast<std::uint8_t*>(&e);
    for (std::size_t i = 0; i < sizeof e; ++i) p[i] = static_cast<std::uint8_t>(rng());
  }
  return v;
}

}  // namespace

TEST_F(DocumentTest, RoundTripKeepsDamagedRecordsByteForByte) {
  auto entries = RandomEntries(5, 1);
  entries[0] = NewEntry("$1C7D04", 1, 1, 0);
  SaveDocument(Path("a.tgl"), entries);
  EXPECT_EQ(fs::file_size(Path("a.tgl")), 5u * 1096u);
  auto back = LoadDocument(Path("a.tgl"));
  ASSERT_EQ(back.size(), entries.size());
  EXPECT_EQ(std::memcmp(back.data(), entries.data(), entries.size() * 1096), 0);
  SaveDocument(Path("b.tgl"), back);
  EXPECT_EQ(Read(Path("a.tgl")), Read(Path("b.tgl")));
}

TEST_F(DocumentTest, EmptyListIsAnEmptyFile) {
  SaveDocument(Path("e.tgl"), {});
  EXPECT_EQ(fs::file_size(Path("e.tgl")), 0u);
  EXPECT_TRUE(LoadDocument(Path("e.tgl")).empty());
}

TEST_F(DocumentTest, TrailingPartialRecordIsIgnored) {
  auto entries = RandomEntries(2, 2);
  SaveDocument(Path("p.tgl"), entries);
  {
    std::ofstream f(Path("p.tgl"), std::ios::binary | std::ios::app);
    f << std::string(1095, 'x');
  }
  auto back = LoadDocument(Path("p.tgl"));
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(std::memcmp(back.data(), entries.data(), 2 * 1096), 0);
}

TEST_F(DocumentTest, SaveReplacesAnExistingFile) {
  SaveDocument(Path("r.tgl"), RandomEntries(3, 3));
  SaveDocument(Path("r.tgl"), RandomEntries(1, 4));
  EXPECT_EQ(fs::file_size(Path("r.tgl")), 1096u);
  for (const auto& f : fs::directory_iterator(Dir())) {
    EXPECT_EQ(f.path().filename(), "r.tgl") << "left-over temporary file";
  }
}

TEST_F(DocumentTest, MissingFileAndDirectoryErrors) {
  try {
    LoadDocument(Path("missing.tgl"));
    FAIL();
  } catch (const TError& e) {
    EXPECT_STREQ(e.what(), "File not found");
  }
  try {
    SaveDocument(Path("no-such-dir/x.tgl"), RandomEntries(1, 5));
    FAIL();
  } catch (const TError& e) {
    EXPECT_STREQ(e.what(), "File not found");
  }
  try {
    LoadDocument(Dir().string());
    FAIL();
  } catch (const TError& e) {
    EXPECT_STREQ(e.what(), "File access denied");
  }
}

TEST_F(DocumentTest, FailedSaveLeavesTheOldDocumentIntact) {
  auto old = RandomEntries(2, 6);
  SaveDocument(Path("keep.tgl"), old);
  const std::string before = Read(Path("keep.tgl"));
  // A directory where nothing may be created: the temporary file cannot be made.
  fs::permissions(Dir(), fs::perms::owner_read | fs::perms::owner_exec);
  if (::access(Dir().c_str(), W_OK) == 0) GTEST_SKIP() << "running with rights that ignore modes";
  EXPECT_THROW(SaveDocument(Path("keep.tgl"), RandomEntries(7, 7)), TError);
  fs::permissions(Dir(), fs::perms::owner_all);
  EXPECT_EQ(Read(Path("keep.tgl")), before);
}

TEST_F(DocumentTest, WriteFailingMidwayLeavesTheOldDocument) {
  // A file size limit makes the write fail part way, whatever rights the test runs with.
  auto old = RandomEntries(2, 9);
  SaveDocument(Path("big.tgl"), old);
  const std::string before = Read(Path("big.tgl"));
  struct rlimit saved;
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  auto prevHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = 4096;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  std::string message;
  try {
    SaveDocument(Path("big.tgl"), RandomEntries(7, 10));
  } catch (const TError& e) {
    message = e.what();
  }
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, prevHandler);
  EXPECT_EQ(message, "I/O error " + std::to_string(EFBIG));
  EXPECT_EQ(Read(Path("big.tgl")), before);
  for (const auto& f : fs::directory_iterator(Dir())) {
    EXPECT_EQ(f.path().filename(), "big.tgl") << "left-over temporary file";
  }
}

TEST(FileErrorText, SystemErrorTexts) {
  EXPECT_EQ(FileErrorText(ENOENT), "File not found");
  EXPECT_EQ(FileErrorText(ENOSPC), "Disk full");
  EXPECT_EQ(FileErrorText(EACCES), "File access denied");
  EXPECT_EQ(FileErrorText(EIO), "I/O error 5");
}

TEST_F(DocumentTest, FailedLoadReturnsNothing) {
  fs::create_directories(Dir() / "sub.tgl");
  EXPECT_THROW(LoadDocument(Path("sub.tgl")), TError);
  SaveDocument(Path("locked.tgl"), RandomEntries(1, 8));
  fs::permissions(Path("locked.tgl"), fs::perms::none);
  if (::access(Path("locked.tgl").c_str(), R_OK) == 0) GTEST_SKIP() << "rights ignore modes";
  try {
    LoadDocument(Path("locked.tgl"));
    FAIL();
  } catch (const TError& e) {
    EXPECT_STREQ(e.what(), "File access denied");
  }
}
