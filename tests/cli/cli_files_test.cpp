// tegulo-cli's outputs and inputs under faults, as a user meets them: a file-size limit with
// SIGXFSZ at its default, links, private and hard-linked targets, FIFOs, outputs that are
// inputs, oversized and stale entries.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <random>

#include "cli_support.h"
#include "entries/document.h"
#include "entries/file_names.h"
#include "greedy_encoders.h"
#include "palette/entry_template.h"

using namespace tegulo;
using namespace tegulo::clitest;
namespace fs = std::filesystem;

namespace {

std::vector<std::uint8_t> Noise(std::size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<std::uint8_t> v(n);
  for (auto& b : v) b = static_cast<std::uint8_t>(rng());
  return v;
}

// A ROM of noise (so its PNG does not shrink below the limits used) with an LZ77-10
// stream of 64 KiB of noise at 0x10000.
struct TFiles {
  explicit TFiles(const TScratch& s) : rom(s.Path("rom.sfc")) {
    std::vector<std::uint8_t> bytes = Noise(0x10000, 1);
    const std::vector<std::uint8_t> stream = EncodeLZ10(Noise(0x10000, 2));
    bytes.insert(bytes.end(), stream.begin(), stream.end());
    WriteBytes(rom, bytes);
  }
  std::vector<std::string> Render(const std::string& out) const {
    return {"render",  rom,  "--address", "0",  "--template", "4bpp (SNES)",
            "--width", "32", "--height",  "16", "-o",         out};
  }
  std::vector<std::string> Decompress(const std::string& out) const {
    return {"decompress", "LZ77-10", rom, "0x10000", "-o", out};
  }
  std::string rom;
};

std::string Text(const std::string& path) {
  const auto b = ReadBytes(path);
  return {b.begin(), b.end()};
}

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  ::lstat(path.c_str(), &st);
  return st.st_mode & 07777;
}

TEST(CliFiles, SizeLimitIsAnErrorAndLeavesTheOldFile) {
  TScratch s;
  const TFiles f(s);
  const std::string tooLarge = std::strerror(EFBIG);
  for (const auto& args : {f.Render(s.Path("out.png")), f.Decompress(s.Path("out.bin"))}) {
    const std::string out = args.back();
    WriteBytes(out, {'o', 'l', 'd'});
    const TRun r = s.Run(args, 4096);
    EXPECT_EQ(r.signal, 0) << out;  // not killed by SIGXFSZ
    EXPECT_EQ(r.status, 1) << out;
    EXPECT_EQ(r.err, "tegulo-cli: Cannot create file \"" + out + "\". " + tooLarge + "\n");
    EXPECT_EQ(Text(out), "old");
  }
  // A new file is not created at all.
  const TRun r = s.Run(f.Render(s.Path("new.png")), 4096);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(Names(s.Dir()), (std::vector<std::string>{"out.bin", "out.png", "rom.sfc"}));

  // Without the limit the same commands write whole files.
  EXPECT_EQ(s.Run(f.Render(s.Path("out.png"))).status, 0);
  EXPECT_TRUE(ReadPng(s.Path("out.png")).ok);
  EXPECT_EQ(s.Run(f.Decompress(s.Path("out.bin"))).status, 0);
  EXPECT_EQ(ReadBytes(s.Path("out.bin")), Noise(0x10000, 2));
}

TEST(CliFiles, ExportUnderALimitStopsWithTheOldImages) {
  TScratch s;
  const TFiles f(s);
  TTileEntry e = NewEntry("0", 32, 16, 0);
  ApplyTemplate(e, 2);
  SaveDocument(s.Path("doc.tgl"), std::vector<TTileEntry>{e});
  fs::create_directories(s.Path("out"));
  const std::string png = s.Path("out/" + ExportFileName(0, "0"));
  WriteBytes(png, {'o', 'l', 'd'});
  const TRun r = s.Run({"export", s.Path("doc.tgl"), f.rom, s.Path("out")}, 4096);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "tegulo-cli: Cannot create file \"" + png + "\". " + std::strerror(EFBIG) + "\n");
  EXPECT_EQ(Text(png), "old");
  EXPECT_EQ(Names(s.Path("out")).size(), 1u);
}

TEST(CliFiles, TargetsKeepTheirLinksModeAndOtherNames) {
  TScratch s;
  const TFiles f(s);
  fs::create_directories(s.Path("real"));
  for (const auto& args : {f.Render(s.Path("link")), f.Decompress(s.Path("link"))}) {
    WriteBytes(s.Path("real/target"), {'o', 'l', 'd'});
    fs::remove(s.Path("link"));
    fs::create_symlink("real/target", s.Path("link"));
    ASSERT_EQ(s.Run(args).status, 0);
    EXPECT_TRUE(fs::is_symlink(s.Path("link")));
    EXPECT_NE(Text(s.Path("real/target")), "old");
    EXPECT_EQ(Names(s.Path("real")), std::vector<std::string>{"target"});

    WriteBytes(s.Path("private"), {'o', 'l', 'd'});
    ::chmod(s.Path("private").c_str(), 0600);
    std::vector<std::string> toPrivate = args;
    toPrivate.back() = s.Path("private");
    ASSERT_EQ(s.Run(toPrivate).status, 0);
    EXPECT_EQ(ModeOf(s.Path("private")), 0600u);
    EXPECT_NE(Text(s.Path("private")), "old");

    fs::remove(s.Path("other-name"));
    fs::create_hard_link(s.Path("private"), s.Path("other-name"));
    std::vector<std::string> toLinked = args;
    toLinked.back() = s.Path("other-name");
    WriteBytes(s.Path("private"), {'o', 'l', 'd'});
    ASSERT_EQ(s.Run(toLinked).status, 0);
    // Replaced by a rename: the other name keeps the old content, which a kill could not
    // have left half rewritten.
    EXPECT_NE(Text(s.Path("other-name")), "old");
    EXPECT_EQ(Text(s.Path("private")), "old");
    EXPECT_EQ(fs::hard_link_count(s.Path("private")), 1u);
  }
}

TEST(CliFiles, FifosAreRefusedAtOnce) {
  TScratch s;
  const TFiles f(s);
  ASSERT_EQ(::mkfifo(s.Path("fifo").c_str(), 0600), 0);
  const std::string fifo = s.Path("fifo");
  const std::string refused = "tegulo-cli: " + fifo + " is not a regular file\n";
  const std::vector<std::vector<std::string>> cases = {
      f.Render(fifo),  // as the output
      f.Decompress(fifo),
      {"scan", fifo},  // as the ROM, the document and the save state
      {"list", fifo},
      {"export", fifo, f.rom, s.Path("out")},
      {"render", f.rom, "--address", "0", "--template", "1", "--width", "1", "--height", "1",
       "--palette", "zst:" + fifo, "-o", s.Path("x.png")},
  };
  for (const auto& args : cases) {
    const TRun r = s.Run(args);
    EXPECT_EQ(r.signal, 0) << args[0] << " blocked";
    EXPECT_EQ(r.status, 1) << args[0];
    EXPECT_EQ(r.err, refused) << args[0];
  }
  EXPECT_TRUE(fs::is_fifo(fifo));
  EXPECT_FALSE(fs::exists(s.Path("x.png")));
}

TEST(CliFiles, FailedOpensGiveTheSystemsReason) {
  TScratch s;
  const TFiles f(s);
  fs::create_symlink("loop2", s.Path("loop1"));
  fs::create_symlink("loop1", s.Path("loop2"));
  const std::string loop = s.Path("loop1");
  const std::string why =
      "tegulo-cli: Cannot open \"" + loop + "\". " + std::strerror(ELOOP) + "\n";
  EXPECT_EQ(s.Run({"scan", loop}).err, why);
  EXPECT_EQ(s.Run({"render", f.rom, "--address", "0", "--template", "1", "--width", "1", "--height",
                   "1", "--palette", "zst:" + loop, "-o", s.Path("x.png")})
                .err,
            why);
  // "not found" stays for a file that does not exist, with control characters escaped.
  EXPECT_EQ(s.Run({"scan", s.Path("no\x1b[2J")}).err,
            "tegulo-cli: " + s.Path("no\\x1b[2J") + " not found\n");
}

TEST(CliFiles, AnOutputThatIsAnInputIsRefused) {
  TScratch s;
  const TFiles f(s);
  const auto rom = ReadBytes(f.rom);
  fs::create_symlink("rom.sfc", s.Path("rom-link"));
  fs::create_hard_link(f.rom, s.Path("rom-hard"));
  for (const char* name : {"rom.sfc", "rom-link", "rom-hard"}) {
    for (const auto& args : {f.Render(s.Path(name)), f.Decompress(s.Path(name))}) {
      const TRun r = s.Run(args);
      EXPECT_EQ(r.status, 2) << name;
      EXPECT_EQ(Lines(r.err).at(0),
                "tegulo-cli: -o names the ROM " + f.rom + "; nothing was written");
    }
  }
  EXPECT_EQ(ReadBytes(f.rom), rom);
}

TEST(CliFiles, OversizedEntriesAreSkippedAndTheExportFails) {
  TScratch s;
  const TFiles f(s);
  std::vector<TTileEntry> doc;
  for (const auto& [w, h] : {std::pair{2, 2}, {4000, 4000}, {268435455, 1}, {2000, 1}}) {
    TTileEntry e = NewEntry(std::to_string(doc.size()), w, h, 0);
    ApplyTemplate(e, 1);
    doc.push_back(e);
  }
  SaveDocument(s.Path("doc.tgl"), doc);
  const TRun r = s.Run({"export", s.Path("doc.tgl"), f.rom, s.Path("out")});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "tegulo-cli: 2 entries were too large to draw and not written\n");
  const auto lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 4u) << r.out;
  EXPECT_EQ(lines[0].rfind("wrote ", 0), 0u);
  EXPECT_EQ(lines[1],
            "skipped 1 (1): Entry too large to draw (4000 x 4000 tiles; at most 2000 x 2000)");
  EXPECT_EQ(lines[2],
            "skipped 2 (2): Entry too large to draw (268435455 x 1 tiles; at most 2000 x 2000)");
  EXPECT_EQ(lines[3].rfind("wrote ", 0), 0u);
  EXPECT_EQ(Names(s.Path("out")).size(), 2u);
}

}  // namespace
