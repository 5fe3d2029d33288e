// tegulo-cli's exit statuses and error lines, and its help.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "base/version.h"
#include "cli_support.h"
#include "compress/scheme_formats.h"

using namespace tegulo::clitest;

namespace {

// "render DEMO ARGS --height 1 -o x.png" in the scratch folder.
std::vector<std::string> RenderArgs(const TScratch& s, std::vector<std::string> args) {
  args.insert(args.begin(), {"render", DemoRom()});
  args.insert(args.end(), {"--height", "1", "-o", s.Path("x.png")});
  return args;
}

}  // namespace

TEST(CliErrors, OneLineAndStatusOne) {
  TScratch s;
  const std::string missing = s.Path("missing.sfc");
  WriteBytes(s.Path("lz.bin"), {0x10, 0x04, 0x00, 0x00, 0x40, 0x41, 0x30, 0x00});
  auto render = [&](std::vector<std::string> args) { return RenderArgs(s, std::move(args)); };
  const struct {
    const char* what;
    std::vector<std::string> args;
    std::string err;
  } cases[] = {
      {"missing ROM", {"decompress", "LZ77-10", missing, "0"}, missing + " not found"},
      {"missing ROM for scan", {"scan", missing}, missing + " not found"},
      {"ROM is a folder", {"scan", s.Dir().string()}, "Cannot read \"" + s.Dir().string() + "\""},
      {"missing document", {"list", s.Path("none.tgl")}, s.Path("none.tgl") + " not found"},
      {"missing save state",
       render({"--address", "0", "--template", "1", "--palette", "zst:" + missing, "--width", "1"}),
       missing + " not found"},
      {"output in a missing folder",
       {"decompress", "LZ77-10", s.Path("lz.bin"), "0", "-o", s.Path("no/out")},
       "Cannot create file \"" + s.Path("no/out") + "\". No such file or directory"},
      {"png in a missing folder",
       {"render", DemoRom(), "--address", "0", "--template", "1", "--width", "1", "--height", "1",
        "-o", s.Path("no/x.png")},
       "Cannot create file \"" + s.Path("no/x.png") + "\". No such file or directory"},
  };
  for (const auto& c : cases) {
    const TRun r = s.Run(c.args);
    EXPECT_EQ(r.status, 1) << c.what;
    EXPECT_EQ(r.err, "tegulo-cli: " + c.err + "\n") << c.what;
    EXPECT_EQ(r.out, "") << c.what;
  }
}

TEST(CliErrors, UnknownNamesAndBadNumbersAreUsageErrorsOfTwoLines) {
  TScratch s;
  auto render = [&](std::vector<std::string> args) { return RenderArgs(s, std::move(args)); };
  const struct {
    const char* what;
    std::vector<std::string> args;
    std::string err;
  } cases[] = {
      {"unknown template", render({"--address", "0", "--template", "5bpp", "--width", "1"}),
       "Unknown template '5bpp'"},
      {"template row 0", render({"--address", "0", "--template", "0", "--width", "1"}),
       "Unknown template '0'"},
      {"unknown scheme",
       {"decompress", "lz77", DemoRom(), "0"},
       "Unknown compression scheme 'lz77' (LZ77-10, LZSS-FF5, LZSS-FF6, LZSS-CT, LZ77-11, "
       "Huffman-4, Huffman-8, RLE-30, Diff-8, Diff-16, LC_LZ2, LC_LZ5, HAL, LC_LZ1, "
       "LC_LZ14, Konami-1, Konami-2, Konami-2R, LC_LZ17, Koei, RNC1 or RNC2)"},
      {"(none) is no scheme to unpack",
       {"decompress", "(none)", DemoRom(), "0"},
       "Unknown compression scheme '(none)' (LZ77-10, LZSS-FF5, LZSS-FF6, LZSS-CT, LZ77-11, "
       "Huffman-4, Huffman-8, RLE-30, Diff-8, Diff-16, LC_LZ2, LC_LZ5, HAL, LC_LZ1, "
       "LC_LZ14, Konami-1, Konami-2, Konami-2R, LC_LZ17, Koei, RNC1 or RNC2)"},
      {"unknown render scheme",
       render({"--address", "0", "--template", "1", "--compression", "zip", "--width", "1"}),
       "Unknown compression scheme 'zip' (none, LZ77-10, LZSS-FF5, LZSS-FF6, LZSS-CT, LZ77-11, "
       "Huffman-4, Huffman-8, RLE-30, Diff-8, Diff-16, LC_LZ2, LC_LZ5, HAL, LC_LZ1, "
       "LC_LZ14, Konami-1, Konami-2, Konami-2R, LC_LZ17, Koei, RNC1 or RNC2)"},
      {"unknown palette",
       render({"--address", "0", "--template", "1", "--palette", "grey", "--width", "1"}),
       "Unknown palette 'grey' (mono, mono-reverse, rom:ADDR[:COUNT], zst:FILE, state:FILE[:obj] "
       "or file:FILE)"},
      {"unknown command",
       {"unpack", "x"},
       "Unknown command 'unpack' (decompress, render, list, export, scan, compress, import, "
       "import-doc, palette, pointers, free, scene, locate or convert)"},
      {"bad address",
       {"decompress", "LZ77-10", DemoRom(), "zz"},
       "'zz' is not a valid integer value"},
      {"bad size", {"scan", DemoRom(), "--min-size", "12q"}, "'12q' is not a valid integer value"},
      {"bad width", render({"--address", "0", "--template", "1", "--width", "$"}),
       "'$' is not a valid integer value"},
      {"width out of range", render({"--address", "0", "--template", "1", "--width", "2001"}),
       "--width must be 1 to 2000 tiles"},
      {"bad offset",
       render({"--address", "0", "--template", "1", "--offset", "1x", "--width", "1"}),
       "'1x' is not a valid integer value"},
      {"bad palette address",
       render({"--address", "0", "--template", "1", "--palette", "rom:$G", "--width", "1"}),
       "'$G' is not a valid integer value"},
      {"bad background",
       render({"--address", "0", "--template", "1", "--background", "12345", "--width", "1"}),
       "'12345' is not a valid colour (RRGGBB)"},
      {"escape characters are shown escaped",
       render({"--address", "0", "--template", "\x1b[2J", "--width", "1"}),
       "Unknown template '\\x1b[2J'"},
  };
  for (const auto& c : cases) {
    const TRun r = s.Run(c.args);
    EXPECT_EQ(r.status, 2) << c.what;
    const std::string command = c.args[0] == "unpack" ? "tegulo-cli" : "tegulo-cli " + c.args[0];
    EXPECT_EQ(r.err,
              "tegulo-cli: " + c.err + "\nRun \"" + command + " --help\" for more information.\n")
        << c.what;
    EXPECT_FALSE(std::filesystem::exists(s.Path("x.png"))) << c.what;
  }
  // CLI11's own errors take the same two lines.
  const TRun extra = s.Run({"list", "a.tgl", "b.tgl"});
  EXPECT_EQ(Lines(extra.err).size(), 2u) << extra.err;
  EXPECT_EQ(Lines(extra.err)[1], "Run \"tegulo-cli list --help\" for more information.");
}

TEST(CliErrors, UsageErrorsGiveStatusTwo) {
  TScratch s;
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"unpack"},
      {"list"},
      {"list", "a.tgl", "b.tgl"},
      {"decompress", "LZ77-10", DemoRom()},
      {"scan", DemoRom(), "--fast"},
      {"render", DemoRom(), "--address", "0", "--template", "1", "--width", "1", "--height", "1"},
      {"export", DemoDoc(), DemoRom()},
  };
  for (const auto& args : cases) {
    const TRun r = s.Run(args);
    const std::string label =
        args.empty() ? "(nothing)" : args[0] + " ... (" + std::to_string(args.size()) + ")";
    EXPECT_EQ(r.status, 2) << label;
    EXPECT_EQ(r.err.rfind("tegulo-cli: ", 0), 0u) << label << ": " << r.err;
    EXPECT_EQ(r.out, "") << label;
  }
}

TEST(CliErrors, VersionIsTheProjectVersionWithoutACommand) {
  TScratch s;
  const TRun r = s.Run({"--version"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, std::string("tegulo-cli ") + tegulo::kVersion + "\n");
  EXPECT_EQ(r.err, "");
  const TRun late = s.Run({"list", "--version"});  // an option of the program, not of a command
  EXPECT_EQ(late.status, 2);
}

// Every command's help, as an 80-column terminal shows it: no line wider, the palette
// sources each on a line of its own.
TEST(CliErrors, HelpExplainsEveryCommand) {
  TScratch s;
  const TRun top = s.Run({"--help"});
  EXPECT_EQ(top.status, 0);
  std::vector<std::string> commands;
  bool listed = false;
  for (const std::string& line : Lines(top.out)) {
    if (listed && line.size() > 2 && line[2] != ' ') {
      commands.push_back(line.substr(2, line.find(' ', 2) - 2));
    }
    listed = (listed || line == "Subcommands:") && !line.empty();
  }
  EXPECT_EQ(commands.size(), 14u) << top.out;
  const auto expectFits = [](const std::string& what, const std::string& text) {
    for (const std::string& line : Lines(text)) EXPECT_LE(line.size(), 80u) << what << ": " << line;
  };
  expectFits("tegulo-cli", top.out);
  for (const std::string& command : commands) {
    const TRun r = s.Run({command, "--help"});
    EXPECT_EQ(r.status, 0) << command;
    EXPECT_NE(r.out.find("Usage:"), std::string::npos) << command << ":\n" << r.out;
    expectFits(command, r.out);
  }
  EXPECT_NE(top.out.find("$1C7D04"), std::string::npos) << "the number syntax is explained";
  const TRun render = s.Run({"render", "--help"});
  for (const char* word :
       {"--address", "--template", "4bpp (SNES)", "--palette", "mono-reverse", "zst:FILE",
        "state:FILE", "file:FILE", "--background", "--compression", "--offset"}) {
    EXPECT_NE(render.out.find(word), std::string::npos) << word;
  }
  for (const char* item : {"rom:ADDR[:COUNT]:", "zst:FILE:", "state:FILE:", "file:FILE:"}) {
    EXPECT_NE(render.out.find(std::string(30, ' ') + item), std::string::npos) << item;
  }
}

// The sizes and size rules of the packing commands' help come from the scheme table: every
// scheme is named in them, with its limit.
TEST(CliErrors, PackingHelpNamesEveryScheme) {
  TScratch s;
  const TRun compress = s.Run({"compress", "--help"});
  const TRun decompress = s.Run({"decompress", "--help"});
  for (const tegulo::TSchemeFormat& f : tegulo::SchemeFormats()) {
    if (f.compress == nullptr) continue;
    EXPECT_NE(compress.out.find(f.name), std::string::npos) << f.name << ":\n" << compress.out;
    EXPECT_NE(decompress.out.find(f.name), std::string::npos) << f.name << ":\n" << decompress.out;
  }
  EXPECT_NE(compress.out.find("16777215"), std::string::npos) << compress.out;
  EXPECT_NE(compress.out.find("65536"), std::string::npos) << compress.out;
}

TEST(CliErrors, EveryCommandRefusesUnknownNamesWithStatusTwo) {
  TScratch s;
  const std::string rom = DemoRom();
  const std::string out = s.Path("x.out");
  const std::vector<std::string> entry = {"--address", "0", "--width", "1", "--height", "1"};
  const struct {
    const char* what;
    std::vector<std::string> args;
  } cases[] = {
      {"render template", Joined({"render", rom, "--template", "9bpp", "-o", out}, entry)},
      {"render scheme",
       Joined({"render", rom, "--template", "1", "--compression", "lz", "-o", out}, entry)},
      {"render palette",
       Joined({"render", rom, "--template", "1", "--palette", "grey", "-o", out}, entry)},
      {"import template", Joined({"import", rom, rom, "--template", "9bpp", "-o", out}, entry)},
      {"import scheme",
       Joined({"import", rom, rom, "--template", "1", "--compression", "lz", "-o", out}, entry)},
      {"import palette",
       Joined({"import", rom, rom, "--template", "1", "--palette", "grey", "-o", out}, entry)},
      {"scan template", {"scan", rom, "--doc", out, "--template", "9bpp", "--width", "1"}},
      {"scan scheme", {"scan", rom, "--scheme", "lz"}},
      {"decompress scheme", {"decompress", "lz", rom, "0"}},
      {"compress scheme", {"compress", "lz", rom, "-o", out}},
      {"palette form", {"palette", "grey", "-o", s.Path("x.pal")}},
  };
  for (const auto& c : cases) {
    const TRun r = s.Run(c.args);
    EXPECT_EQ(r.status, 2) << c.what;
    ASSERT_EQ(Lines(r.err).size(), 2u) << c.what << ": " << r.err;
    EXPECT_TRUE(r.err.starts_with("tegulo-cli: Unknown ")) << c.what << ": " << r.err;
    EXPECT_EQ(Lines(r.err)[1], "Run \"tegulo-cli " + c.args[0] + " --help\" for more information.")
        << c.what;
    EXPECT_FALSE(std::filesystem::exists(out)) << c.what;
  }
}
