// Every command's outputs as one plan: no output may be an input or another output, several
// outputs land together or not at all, and --at refuses to write over live data.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "base/bitmap.h"
#include "cli_support.h"
#include "entries/document.h"
#include "entries/file_names.h"
#include "image/png_writer.h"

using namespace tegulo;
using namespace tegulo::clitest;
namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

// An import of an 8 x 8 picture into the first tile of rom.sfc, with the outputs given.
std::vector<std::string> Import(const TScratch& s, const std::vector<std::string>& outputs) {
  std::vector<std::string> args = {"import",
                                   s.Path("rom.sfc"),
                                   s.Path("one.png"),
                                   "--address",
                                   "$000C00",
                                   "--template",
                                   "1",
                                   "--width",
                                   "1",
                                   "--height",
                                   "1"};
  args.insert(args.end(), outputs.begin(), outputs.end());
  return args;
}

// Leftover temporaries of the safe-write path, in any folder of the scratch.
std::size_t Temporaries(const TScratch& s) {
  std::size_t n = 0;
  for (const auto& f : fs::recursive_directory_iterator(s.Dir())) {
    if (f.path().filename().string().starts_with(".tegulo-")) ++n;
  }
  return n;
}

TEST(CliOutputs, AnOutputThatIsAnInputOrAnotherOutputIsAUsageError) {
  TScratch s;
  const Bytes rom = ReadBytes(DemoRom());
  WriteBytes(s.Path("rom.sfc"), rom);
  WriteIndexedPng(s.Path("one.png"), 8, 8, Bytes(64, 3));
  fs::create_symlink(s.Path("rom.sfc"), s.Path("rom-link.sfc"));
  fs::create_symlink("n.sfc", s.Path("to-n"));  // dangling: n.sfc does not exist yet
  fs::create_directories(s.Path("out"));
  WriteBytes(s.Path("dump.pal"), Bytes(512, 0x1F));
  ASSERT_EQ(s.Run({"export", DemoDoc(), DemoRom(), s.Path("pics")}).status, 0);
  const std::string picture =
      (fs::path(s.Path("pics")) / ExportFileName(3, GetName(LoadDocument(DemoDoc())[3]))).string();
  const Bytes pictureBytes = ReadBytes(picture);
  const std::string dotN = (fs::path(s.Path("out")) / ".." / "n.sfc").string();
  fs::create_symlink(DemoDoc(), s.Path("doc-link"));
  fs::create_directories(s.Path("x"));
  const std::string linkedPicture =
      (fs::path(s.Path("x")) / ExportFileName(1, GetName(LoadDocument(DemoDoc())[1]))).string();
  fs::create_symlink(s.Path("rom.sfc"), linkedPicture);
  const struct {
    const char* what;
    std::vector<std::string> args;
    std::string err;
  } cases[] = {
      {"scan --doc is the ROM",
       {"scan", s.Path("rom.sfc"), "--doc", s.Path("rom.sfc"), "--template", "1", "--width", "4"},
       "--doc names the input ROM " + s.Path("rom.sfc") + "; nothing was written"},
      {"-o and --ips one new file", Import(s, {"-o", s.Path("n.sfc"), "--ips", dotN}),
       "-o and --ips name the same file; nothing was written"},
      {"-o and --bps one new file through a dangling link",
       Import(s, {"-o", s.Path("n.sfc"), "--bps", s.Path("to-n")}),
       "-o and --bps name the same file; nothing was written"},
      {"-o is the ROM through a link", Import(s, {"-o", s.Path("rom-link.sfc")}),
       "-o names the input ROM " + s.Path("rom.sfc") +
           " (--in-place writes the ROM itself); nothing was written"},
      {"--ips is the picture", Import(s, {"--ips", s.Path("one.png")}),
       "--ips names the picture " + s.Path("one.png") + "; nothing was written"},
      {"import-doc --ips is one of its pictures",
       {"import-doc", DemoDoc(), s.Path("rom.sfc"), s.Path("pics"), "-o", s.Path("n.sfc"), "--ips",
        picture},
       "--ips names the picture " + picture + "; nothing was written"},
      {"import-doc --doc is one of its pictures",
       {"import-doc", DemoDoc(), s.Path("rom.sfc"), s.Path("pics"), "-o", s.Path("n.sfc"), "--doc",
        picture},
       "--doc names the picture " + picture + "; nothing was written"},
      {"import-doc -o and --doc one new file",
       {"import-doc", DemoDoc(), s.Path("rom.sfc"), s.Path("pics"), "-o", s.Path("n.sfc"), "--doc",
        s.Path("n.sfc")},
       "-o and --doc name the same file; nothing was written"},
      {"import-doc --ips and --doc one new file",
       {"import-doc", DemoDoc(), s.Path("rom.sfc"), s.Path("pics"), "--ips", s.Path("p.ips"),
        "--doc", s.Path("p.ips")},
       "--ips and --doc name the same file; nothing was written"},
      {"import-doc --bps through a link to the document",
       {"import-doc", DemoDoc(), s.Path("rom.sfc"), s.Path("pics"), "--bps", s.Path("doc-link")},
       "--bps names the document " + DemoDoc() + "; nothing was written"},
      {"export over the ROM through a link",
       {"export", DemoDoc(), s.Path("rom.sfc"), s.Path("x")},
       linkedPicture + " names the input ROM " + s.Path("rom.sfc") + "; nothing was written"},
      {"palette from its own output",
       {"palette", "file:" + s.Path("dump.pal"), "-o", s.Path("dump.pal")},
       "-o names the palette source " + s.Path("dump.pal") + "; nothing was written"},
  };
  for (const auto& c : cases) {
    const TRun r = s.Run(c.args);
    EXPECT_EQ(r.status, 2) << c.what << ": " << r.err;
    const auto lines = Lines(r.err);
    ASSERT_EQ(lines.size(), 2u) << c.what << ": " << r.err;
    EXPECT_EQ(lines[0], "tegulo-cli: " + c.err) << c.what;
    EXPECT_EQ(r.out, "") << c.what;
    EXPECT_FALSE(fs::exists(s.Path("n.sfc"))) << c.what;
  }
  EXPECT_EQ(ReadBytes(s.Path("rom.sfc")), rom);
  EXPECT_EQ(ReadBytes(s.Path("dump.pal")), Bytes(512, 0x1F));
  EXPECT_EQ(ReadBytes(picture), pictureBytes);
  EXPECT_EQ(Temporaries(s), 0u);
}

TEST(CliOutputs, SeveralOutputsLandTogetherOrNotAtAll) {
  TScratch s;
  const Bytes rom = ReadBytes(DemoRom());
  WriteBytes(s.Path("rom.sfc"), rom);
  WriteIndexedPng(s.Path("one.png"), 8, 8, Bytes(64, 1));
  const std::string nowhere = s.Path("no-such-folder/x");
  const struct {
    const char* what;
    std::vector<std::string> outputs;
    const char* untouched;  // an output that must not appear
  } cases[] = {
      {"--in-place, then a patch that cannot be made", {"--in-place", "--ips", nowhere}, nullptr},
      {"-o, then a patch that cannot be made",
       {"-o", s.Path("o1.sfc"), "--bps", nowhere},
       "o1.sfc"},
  };
  for (const auto& c : cases) {
    const TRun r = s.Run(Import(s, c.outputs));
    EXPECT_EQ(r.status, 1) << c.what;
    EXPECT_TRUE(r.err.starts_with("tegulo-cli: Cannot create file \"" + nowhere + "\"."))
        << c.what << ": " << r.err;
    EXPECT_EQ(r.out.find("wrote"), std::string::npos) << c.what << ": " << r.out;
    if (c.untouched != nullptr) {
      EXPECT_FALSE(fs::exists(s.Path(c.untouched))) << c.what;
    }
  }
  EXPECT_EQ(ReadBytes(s.Path("rom.sfc")), rom);
  EXPECT_EQ(Temporaries(s), 0u);

  // All three at once: "wrote" for each, once all are in place.
  const TRun ok =
      s.Run(Import(s, {"--in-place", "--ips", s.Path("p.ips"), "--bps", s.Path("p.bps")}));
  ASSERT_EQ(ok.status, 0) << ok.err;
  const auto lines = Lines(ok.out);
  ASSERT_EQ(lines.size(), 4u) << ok.out;
  EXPECT_EQ(lines[1], "wrote " + s.Path("rom.sfc"));
  EXPECT_EQ(lines[3], "wrote " + s.Path("p.bps"));
  EXPECT_NE(ReadBytes(s.Path("rom.sfc")), rom);
}

// export writes its pictures as one set: a file-size limit that stops one of them leaves
// every old picture in place, so no later import takes a stale one for new.
TEST(CliOutputs, ExportLandsEveryPictureOrNone) {
  TScratch s;
  ASSERT_EQ(s.Run({"export", DemoDoc(), DemoRom(), s.Path("ref")}).status, 0);
  fs::create_directories(s.Path("pics"));
  std::uintmax_t smallest = UINTMAX_MAX;
  std::uintmax_t largest = 0;
  std::vector<std::string> names;
  for (const std::string& name : Names(s.Path("ref"))) {
    const auto size = fs::file_size(fs::path(s.Path("ref")) / name);
    smallest = std::min(smallest, size);
    largest = std::max(largest, size);
    names.push_back(name);
    WriteBytes(fs::path(s.Path("pics")) / name, Bytes{'o', 'l', 'd'});
  }
  ASSERT_LT(smallest, largest);
  const TRun r = s.Run({"export", DemoDoc(), DemoRom(), s.Path("pics")},
                       static_cast<std::int64_t>((smallest + largest) / 2));
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_TRUE(r.err.starts_with("tegulo-cli: Cannot create file")) << r.err;
  EXPECT_EQ(r.out.find("wrote"), std::string::npos) << r.out;
  for (const std::string& name : names) {
    EXPECT_EQ(ReadBytes(fs::path(s.Path("pics")) / name), (Bytes{'o', 'l', 'd'})) << name;
  }
  EXPECT_EQ(Temporaries(s), 0u);
}

TEST(CliOutputs, AHardLinkedTargetIsReplacedAndItsOtherNamesKeepTheOldBytes) {
  TScratch s;
  WriteBytes(s.Path("in.bin"), Bytes(4000, 7));
  WriteBytes(s.Path("out.lz"), Bytes(10, 1));
  fs::create_hard_link(s.Path("out.lz"), s.Path("out2.lz"));
  const TRun r = s.Run({"compress", "LZ77-10", s.Path("in.bin"), "-o", s.Path("out.lz")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "tegulo-cli: " + s.Path("out.lz") +
                       " had other hard links; they keep the old content\n");
  EXPECT_EQ(ReadBytes(s.Path("out2.lz")), Bytes(10, 1));
  EXPECT_NE(ReadBytes(s.Path("out.lz")), Bytes(10, 1));
}

// A stream that grew goes to --at only where nothing lives: the demo's banner stream at
// $001600 (825 bytes) is followed by other entries.
TEST(CliOutputs, AtRefusesLiveDataUnlessOverwriteIsGiven) {
  TScratch s;
  std::mt19937 rng(7);
  Bytes noise(160 * 32);
  for (auto& p : noise) p = static_cast<std::uint8_t>(rng() % 16);
  WriteIndexedPng(s.Path("noise.png"), 160, 32, noise);
  const auto import = [&](const std::vector<std::string>& more) {
    std::vector<std::string> args = {"import",    DemoRom(), s.Path("noise.png"),
                                     "--address", "$001600", "--template",
                                     "2",         "--width", "20",
                                     "--height",  "4",       "--compression",
                                     "LZ77-10",   "-o",      s.Path("new.sfc")};
    args.insert(args.end(), more.begin(), more.end());
    return s.Run(args);
  };
  const TRun live = import({"--at", "$001600"});
  EXPECT_EQ(live.status, 1);
  EXPECT_TRUE(live.err.starts_with("tegulo-cli: The range $001600-$")) << live.err;
  EXPECT_TRUE(
      live.err.ends_with(" is not free space (not all one fill byte); nothing was "
                         "written (--overwrite writes there anyway)\n"))
      << live.err;
  EXPECT_FALSE(fs::exists(s.Path("new.sfc")));

  const TRun named = import({"--at", "$001600", "--doc", DemoDoc()});
  EXPECT_EQ(named.status, 1);
  EXPECT_NE(named.err.find("; it holds entr"), std::string::npos) << named.err;
  EXPECT_FALSE(fs::exists(s.Path("new.sfc")));

  const TRun forced = import({"--at", "$001600", "--overwrite"});
  EXPECT_EQ(forced.status, 0) << forced.err;
  EXPECT_TRUE(fs::exists(s.Path("new.sfc")));
}

}  // namespace
