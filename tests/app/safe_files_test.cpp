// The window's outputs keep what a user set up around them (links, modes, other names),
// refuse special files without blocking, and a failed write leaves the old file.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "entries/document.h"
#include "flow_fixture.h"
#include "io/signals.h"

namespace tegulo {
namespace {

namespace fs = std::filesystem;

mode_t ModeOf(const QString& path) {
  struct stat st {};
  ::stat(path.toLocal8Bit().constData(), &st);
  return st.st_mode & 07777;
}

class SafeFiles : public FlowTest {
protected:
  void DrawSomething() {
    OpenRom();
    AddEntry("0");
    Pick(cbTemplate, "4bpp (SNES)");
    ASSERT_TRUE(prompts->errors.empty());
  }
  std::string P(const char* name) const { return Path(name).toStdString(); }
};

TEST_F(SafeFiles, SavingThroughALinkToAPrivateDocumentKeepsBoth) {
  DrawSomething();
  fs::create_directories(P("docs"));
  WriteFile("docs/real.tgl", "old");
  ::chmod(P("docs/real.tgl").c_str(), 0600);
  fs::create_symlink("docs/real.tgl", P("link.tgl"));
  fs::create_hard_link(P("docs/real.tgl"), P("other-name.tgl"));

  prompts->fileAnswers.push_back(Path("link.tgl"));
  Click("bSave");
  ASSERT_TRUE(prompts->errors.empty()) << prompts->errors[0].toStdString();
  EXPECT_TRUE(fs::is_symlink(P("link.tgl")));
  EXPECT_EQ(ReadFile(Path("docs/real.tgl")).size(), 1096);
  // The other hard-linked name keeps the old bytes: the save replaced the file by a rename.
  EXPECT_EQ(ReadFile(Path("other-name.tgl")), "old");
  EXPECT_EQ(ModeOf(Path("docs/real.tgl")), 0600u);
}

// A file-size limit ("ulimit -f") makes every write past it fail with EFBIG, as a full disk
// would with ENOSPC: the programs ignore SIGXFSZ, so it is an ordinary write error.
class TFileSizeLimit {
public:
  explicit TFileSizeLimit(rlim_t bytes) {
    IgnoreFileSizeSignal();
    ::getrlimit(RLIMIT_FSIZE, &old_);
    rlimit limit = old_;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~TFileSizeLimit() { ::setrlimit(RLIMIT_FSIZE, &old_); }

private:
  rlimit old_{};
};

TEST_F(SafeFiles, ExportOverAFileThatCannotBeReplacedLeavesIt) {
  DrawSomething();
  WriteFile("old.png", "old picture");
  prompts->fileAnswers.push_back(Path("old.png"));
  {
    TFileSizeLimit limit(100);
    Click("bExport");
  }
  ASSERT_EQ(prompts->errors.size(), 1u);
  EXPECT_EQ(prompts->errors[0], "Cannot create file \"" + Path("old.png") + "\". " +
                                    QString::fromLatin1(std::strerror(EFBIG)) + ".");
  EXPECT_EQ(ReadFile(Path("old.png")), "old picture");
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);  // + the ROM

  // The same failure in a document save keeps the document and says why.
  WriteFile("doc.tgl", "old");
  prompts->fileAnswers.push_back(Path("doc.tgl"));
  {
    TFileSizeLimit limit(10);
    Click("bSave");
  }
  EXPECT_EQ(prompts->errors.back(), QString::fromStdString(FileErrorText(EFBIG)) + ".");
  EXPECT_EQ(ReadFile(Path("doc.tgl")), "old");
}

TEST_F(SafeFiles, FifosAreRefusedWithoutBlocking) {
  DrawSomething();
  // Named with the extension each dialog would add.
  for (const char* name : {"fifo.png", "fifo.tgl", "fifo.zst"}) {
    ASSERT_EQ(::mkfifo(P(name).c_str(), 0600), 0);
  }
  const std::pair<const char*, const char*> cases[] = {{"bExport", "fifo.png"},
                                                       {"bSave", "fifo.tgl"},
                                                       {"bLoad", "fifo.tgl"},
                                                       {"bOpenROM", "fifo.tgl"},
                                                       {"bOpenPal", "fifo.zst"}};
  for (const auto& [button, name] : cases) {
    prompts->errors.clear();
    prompts->fileAnswers.push_back(Path(name));
    Click(button);
    ASSERT_EQ(prompts->errors.size(), 1u) << button;
    EXPECT_EQ(prompts->errors[0].toStdString(), P(name) + " is not a regular file.") << button;
    EXPECT_TRUE(fs::is_fifo(P(name)));
  }
  EXPECT_EQ(lbList->count(), 1);
}

}  // namespace
}  // namespace tegulo
