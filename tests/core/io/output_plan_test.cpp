// The output plan: outputs compared with the inputs and with each other by final path and
// by file identity, before anything exists; and several outputs written as one step.
#include "io/output_plan.h"

#include <cerrno>
#include <cstring>

#include "io_fixture.h"

using namespace tegulo;
using tegulo::iotest::IoTest;
namespace fs = std::filesystem;

namespace {

using OutputPlan = IoTest;

TEST_F(OutputPlan, RefusesAnOutputThatIsAnInputOrAnotherOutput) {
  Put("rom.sfc", "rom");
  fs::create_hard_link(Path("rom.sfc"), Path("hard.sfc"));
  fs::create_symlink("rom.sfc", Path("link.sfc"));
  fs::create_symlink("new.sfc", Path("dangling"));  // new.sfc does not exist yet
  fs::create_directories(Dir() / "sub");
  fs::create_symlink(Dir() / "sub", Path("sublink"));
  const std::string kInput = "-o names the input ROM " + Path("rom.sfc") + "; nothing was written";
  const std::string kSame = "-o and --ips name the same file; nothing was written";
  const struct {
    const char* what;
    std::string out, ips;
    std::string err;  // "" when the plan holds
  } cases[] = {
      {"the input itself", Path("rom.sfc"), "", kInput},
      {"the input through a symlink", Path("link.sfc"), "", kInput},
      {"the input through a hard link", Path("hard.sfc"), "", kInput},
      {"the input by another spelling", (Dir() / "sub" / ".." / "rom.sfc").string(), "", kInput},
      {"one new file twice", Path("new.sfc"), (Dir() / "." / "new.sfc").string(), kSame},
      {"one new file through a dangling link", Path("new.sfc"), Path("dangling"), kSame},
      {"one new file through a linked folder", Path("sub/x"), Path("sublink/x"), kSame},
      {"two new files", Path("new.sfc"), Path("new.ips"), ""},
      {"a new file beside the input", Path("rom2.sfc"), Path("sub/rom.sfc"), ""},
  };
  for (const auto& c : cases) {
    TOutputPlan plan;
    plan.AddInput(Path("rom.sfc"), "the input ROM");
    plan.AddOutput(c.out, "-o");
    if (!c.ips.empty()) plan.AddOutput(c.ips, "--ips");
    std::string err;
    try {
      plan.Check();
    } catch (const TOutputConflict& e) {
      err = e.what();
    }
    EXPECT_EQ(err, c.err) << c.what;
  }
  EXPECT_FALSE(fs::exists(Path("new.sfc")));
}

// A failure in any file before the renames leaves every target as it was, and no temporary.
TEST_F(OutputPlan, SeveralFilesLandTogetherOrNotAtAll) {
  Put("a", "old a");
  Put("b", "old b");
  const std::vector<std::uint8_t> bytes(1000, 'n');
  const std::vector<TOutputFile> failing = {
      {Path("a"), bytes}, {Path("b"), bytes}, {Path("no-such-folder/c"), bytes}};
  EXPECT_EQ(ErrorOf([&] { WriteFilesTogether(failing); }),
            "Cannot create file \"" + Path("no-such-folder/c") + "\". " + std::strerror(ENOENT));
  EXPECT_EQ(Get("a"), "old a");
  EXPECT_EQ(Get("b"), "old b");
  EXPECT_EQ(Count(), 2u);

  static int syncs = 0;
  TFileCalls lateFailure;
  lateFailure.fsync = [](int fd) {
    if (++syncs == 2) {  // the second file's sync, after the first was synced whole
      errno = EIO;
      return -1;
    }
    return ::fsync(fd);
  };
  const std::vector<TOutputFile> two = {{Path("a"), bytes}, {Path("b"), bytes}};
  EXPECT_EQ(ErrorOf([&] { WriteFilesTogether(two, lateFailure); }),
            "Cannot create file \"" + Path("b") + "\". " + std::strerror(EIO));
  EXPECT_EQ(Get("a"), "old a");
  EXPECT_EQ(Count(), 2u);

  fs::create_hard_link(Path("b"), Path("b2"));
  EXPECT_EQ(
      WriteFilesTogether(two),
      std::vector<std::string>{Path("b") + " had other hard links; they keep the old content"});
  EXPECT_EQ(Get("a"), std::string(1000, 'n'));
  EXPECT_EQ(Get("b2"), "old b");
}

}  // namespace
