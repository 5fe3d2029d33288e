// tegulo-cli compress, import and import-doc, end to end on the demo and on files made here.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "base/bitmap.h"
#include "base/uCommon.h"
#include "cli_support.h"
#include "compress/compressors.h"
#include "compress/scheme_formats.h"
#include "compress/uCompress.h"
#include "entries/document.h"
#include "entries/file_names.h"
#include "image/png_writer.h"

using namespace tegulo;
using namespace tegulo::clitest;
namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

// Plain IPS records, as written by the import (no RLE records).
Bytes ApplyIps(Bytes rom, const Bytes& patch) {
  std::size_t at = 5;
  while (!(patch.at(at) == 'E' && patch.at(at + 1) == 'O' && patch.at(at + 2) == 'F')) {
    const std::size_t offset = patch[at] << 16 | patch[at + 1] << 8 | patch[at + 2];
    const std::size_t n = patch[at + 3] << 8 | patch[at + 4];
    at += 5;
    std::copy(patch.begin() + at, patch.begin() + at + n, rom.begin() + offset);
    at += n;
  }
  return rom;
}

// Every entry of the demo document as export draws it from `rom`, file by file.
std::vector<Bytes> ExportAll(const TScratch& s, const std::string& rom, const std::string& dir) {
  const TRun r = s.Run({"export", DemoDoc(), rom, dir});
  EXPECT_EQ(r.status, 0) << r.err;
  std::vector<Bytes> files;
  const auto entries = LoadDocument(DemoDoc());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    files.push_back(ReadBytes(fs::path(dir) / ExportFileName(i, GetName(entries[i]))));
  }
  return files;
}

}  // namespace

TEST(CliCompress, EverySchemeGivesBackItsInput) {
  TScratch s;
  std::mt19937 rng(3);
  Bytes data(3000);
  for (auto& b : data) b = static_cast<std::uint8_t>(rng() % 6);
  WriteBytes(s.Path("in.bin"), data);
  for (const char* scheme : {"LZ77-10", "lzss-ff5", "LZSS-FF6", "LZSS-CT"}) {
    const TRun c = s.Run({"compress", scheme, s.Path("in.bin"), "-o", s.Path("packed.bin")});
    ASSERT_EQ(c.status, 0) << scheme << ": " << c.err;
    const Bytes packed = ReadBytes(s.Path("packed.bin"));
    EXPECT_EQ(c.out, "Wrote " + std::to_string(packed.size()) + " bytes (3000 unpacked)\n");
    const TRun d =
        s.Run({"decompress", scheme, s.Path("packed.bin"), "0", "-o", s.Path("out.bin")});
    ASSERT_EQ(d.status, 0) << scheme << ": " << d.err;
    EXPECT_EQ(ReadBytes(s.Path("out.bin")), data) << scheme;
  }
  // The options reach the compressor.
  ASSERT_EQ(
      s.Run({"compress", "lzss-ct", s.Path("in.bin"), "-o", s.Path("ct.bin"), "--ct-mode", "12"})
          .status,
      0);
  EXPECT_EQ(ReadBytes(s.Path("ct.bin")), CompressCT(data, {.ctMode = TCTMode::Bits12}));
  ASSERT_EQ(
      s.Run({"compress", "lz77-10", s.Path("in.bin"), "-o", s.Path("d1.bin"), "--allow-distance-1"})
          .status,
      0);
  TCompressOptions d1;
  d1.allowDistance1 = true;
  d1.padToWords = true;
  EXPECT_EQ(ReadBytes(s.Path("d1.bin")), CompressStream(kSchemeLZ10, data, d1));
}

// The GBA BIOS family's streams end on a 4-byte boundary, padded with zeros, unless
// --no-pad; the other schemes are written as they are.
TEST(CliCompress, TheBiosFamilyIsPaddedToWords) {
  TScratch s;
  std::mt19937 rng(5);
  Bytes data(1001);
  for (auto& b : data) b = static_cast<std::uint8_t>(rng() % 5);
  WriteBytes(s.Path("in.bin"), data);
  const struct {
    const char* scheme;
    int row;
    bool padded;
  } cases[] = {{"LZ77-10", kSchemeLZ10, true},       {"LZ77-11", kSchemeLZ11, true},
               {"Huffman-4", kSchemeHuffman4, true}, {"RLE-30", kSchemeRLE30, true},
               {"Diff-8", kSchemeDiff8, true},       {"Diff-16", kSchemeDiff16, true},
               {"LZSS-FF5", kSchemeFF5, false},      {"HAL", kSchemeHAL, false}};
  for (const auto& c : cases) {
    const Bytes exact = CompressStream(c.row, data);
    Bytes padded = exact;
    if (c.padded) padded.resize((exact.size() + 3) / 4 * 4, 0);
    ASSERT_EQ(s.Run({"compress", c.scheme, s.Path("in.bin"), "-o", s.Path("p.bin")}).status, 0);
    EXPECT_EQ(ReadBytes(s.Path("p.bin")), padded) << c.scheme;
    ASSERT_EQ(
        s.Run({"compress", c.scheme, s.Path("in.bin"), "-o", s.Path("e.bin"), "--no-pad"}).status,
        0);
    EXPECT_EQ(ReadBytes(s.Path("e.bin")), exact) << c.scheme << " --no-pad";
  }
}

TEST(CliCompress, RefusesToWriteItsInput) {
  TScratch s;
  WriteBytes(s.Path("in.bin"), Bytes(100, 1));
  fs::create_symlink(s.Path("in.bin"), s.Path("link.bin"));
  for (const char* out : {"in.bin", "link.bin"}) {
    const TRun r = s.Run({"compress", "LZ77-10", s.Path("in.bin"), "-o", s.Path(out)});
    EXPECT_EQ(r.status, 2) << out;
    EXPECT_EQ(r.err, "tegulo-cli: -o names the input " + s.Path("in.bin") +
                         "; nothing was written\nRun \"tegulo-cli compress --help\" for more "
                         "information.\n");
    EXPECT_EQ(ReadBytes(s.Path("in.bin")), Bytes(100, 1));
  }
  EXPECT_EQ(
      s.Run({"compress", "LZ77-10", s.Path("in.bin"), "-o", s.Path("x"), "--ct-mode", "13"}).status,
      2);
  const TRun big = s.Run({"compress", "LZSS-FF5", DemoRom(), "-o", s.Path("x")});
  EXPECT_EQ(big.err, "tegulo-cli: LZSS-FF5 holds at most 65535 bytes; the data are 65536 bytes\n");
  EXPECT_FALSE(fs::exists(s.Path("x")));
}

TEST(CliImportDoc, UntouchedExportsGiveARomThatRendersAsBefore) {
  TScratch s;
  const std::vector<Bytes> before = ExportAll(s, DemoRom(), s.Path("out"));
  const TRun r = s.Run({"import-doc", DemoDoc(), DemoRom(), s.Path("out"), "-o", s.Path("new.sfc"),
                        "--ips", s.Path("p.ips"), "--bps", s.Path("p.bps")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_NE(r.out.find("000-TEGULO_banner_4bpp_GBA.png: Wrote $000C00-$0015FF (2560 bytes)\n"),
            std::string::npos)
      << r.out;
  EXPECT_EQ(ExportAll(s, s.Path("new.sfc"), s.Path("again")), before);
  const Bytes rom = ReadBytes(DemoRom());
  EXPECT_EQ(ApplyIps(rom, ReadBytes(s.Path("p.ips"))), ReadBytes(s.Path("new.sfc")));
  EXPECT_TRUE(fs::exists(s.Path("p.bps")));
}

TEST(CliImport, ChangedPicturesRenderAsChanged) {
  TScratch s;
  const struct {
    const char* what;
    std::vector<std::string> entry;  // address, template, width, height, compression
    int w, h, bpp;
  } cases[] = {
      {"plain 4bpp GBA", {"$000C00", "1", "20", "4", "none"}, 160, 32, 4},
      {"LZ77-10 4bpp SNES", {"$001600", "2", "20", "4", "LZ77-10"}, 160, 32, 4},
      {"FF5 3bpp", {"$001A00", "3", "8", "4", "LZSS-FF5"}, 64, 32, 3},
      {"FF6 2bpp", {"$001E00", "4", "8", "8", "LZSS-FF6"}, 64, 64, 2},
      {"CT 1bpp", {"$001F00", "5", "16", "4", "LZSS-CT"}, 128, 32, 1},
      {"Mode7-1", {"$002300", "6", "16", "8", "none"}, 128, 64, 8},
  };
  for (const auto& c : cases) {
    // A simple new drawing: stripes, which fit in the old stream's room.
    Bytes pixels(static_cast<std::size_t>(c.w) * c.h);
    for (int y = 0; y < c.h; ++y) {
      for (int x = 0; x < c.w; ++x)
        pixels[y * c.w + x] = static_cast<std::uint8_t>((x / 8 + y / 4) % (1 << c.bpp));
    }
    WriteIndexedPng(s.Path("new.png"), c.w, c.h, pixels);
    const std::vector<std::string> where = {"--address",     c.entry[0], "--template", c.entry[1],
                                            "--width",       c.entry[2], "--height",   c.entry[3],
                                            "--compression", c.entry[4]};
    std::vector<std::string> args = {"import", DemoRom(), s.Path("new.png"), "-o",
                                     s.Path("new.sfc")};
    args.insert(args.end(), where.begin(), where.end());
    const TRun r = s.Run(args);
    ASSERT_EQ(r.status, 0) << c.what << ": " << r.err;
    EXPECT_TRUE(r.out.starts_with("Wrote ")) << c.what << ": " << r.out;
    std::vector<std::string> render = {"render", s.Path("new.sfc"), "-o", s.Path("shown.png")};
    render.insert(render.end(), where.begin(), where.end());
    ASSERT_EQ(s.Run(render).status, 0) << c.what;
    EXPECT_EQ(ReadPng(s.Path("shown.png")).pixels, pixels) << c.what;
  }
}

TEST(CliImport, StreamsThatGrowAndWhereTheyGo) {
  TScratch s;
  // Noise cannot fit where the 825-byte banner stream was.
  std::mt19937 rng(7);
  Bytes noise(160 * 32);
  for (auto& p : noise) p = static_cast<std::uint8_t>(rng() % 16);
  WriteIndexedPng(s.Path("noise.png"), 160, 32, noise);
  const std::vector<std::string> entry = {"import",    DemoRom(), s.Path("noise.png"),
                                          "--address", "$001600", "--template",
                                          "2",         "--width", "20",
                                          "--height",  "4",       "--compression",
                                          "LZ77-10",   "-o",      s.Path("new.sfc")};
  const TRun tooLong = s.Run(entry);
  EXPECT_EQ(tooLong.status, 1);
  EXPECT_TRUE(tooLong.err.starts_with("tegulo-cli: The new stream is ")) << tooLong.err;
  EXPECT_TRUE(
      tooLong.err.ends_with(", the old one 825 bytes: it does not fit (give a free-space "
                            "address to write it elsewhere)\n"))
      << tooLong.err;
  EXPECT_FALSE(fs::exists(s.Path("new.sfc")));

  std::vector<std::string> moved = entry;
  moved.insert(moved.end(), {"--at", "$00E000"});
  const TRun r = s.Run(moved);
  ASSERT_EQ(r.status, 0) << r.err;
  const auto lines = Lines(r.out);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_TRUE(lines[0].starts_with("Wrote ")) << lines[0];
  EXPECT_TRUE(lines[0].ends_with(" bytes at $00E000 (old stream 825 bytes)")) << lines[0];
  EXPECT_EQ(lines[1],
            "The stream moved from $001600 to $00E000: pointers to $001600 are yours to change");
  const TRun shown =
      s.Run({"render", s.Path("new.sfc"), "--address", "$00E000", "--template", "2", "--width",
             "20", "--height", "4", "--compression", "LZ77-10", "-o", s.Path("shown.png")});
  ASSERT_EQ(shown.status, 0);
  EXPECT_EQ(ReadPng(s.Path("shown.png")).pixels, noise);
}

TEST(CliImport, InPlaceReplacesTheRomItself) {
  TScratch s;
  const Bytes original = ReadBytes(DemoRom());
  WriteBytes(s.Path("rom.sfc"), original);
  WriteIndexedPng(s.Path("one.png"), 8, 8, Bytes(64, 3));
  const TRun r = s.Run({"import", s.Path("rom.sfc"), s.Path("one.png"), "--address", "$000C00",
                        "--template", "1", "--width", "1", "--height", "1", "--in-place"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Wrote $000C00-$000C1F (32 bytes)\nwrote " + s.Path("rom.sfc") + "\n");
  Bytes expected = original;
  std::fill_n(expected.begin() + 0xC00, 32, 0x33);
  EXPECT_EQ(ReadBytes(s.Path("rom.sfc")), expected);
}

TEST(CliImport, BadInputIsRefusedAndNothingIsWritten) {
  TScratch s;
  WriteIndexedPng(s.Path("ok.png"), 16, 8, Bytes(128, 1));
  Bytes cut = ReadBytes(s.Path("ok.png"));
  cut.resize(cut.size() - 20);
  WriteBytes(s.Path("cut.png"), cut);
  WriteBytes(s.Path("rom.sfc"), ReadBytes(DemoRom()));
  fs::create_symlink(s.Path("rom.sfc"), s.Path("rom-link.sfc"));
  WriteIndexedPng(s.Path("five.png"), 16, 8, Bytes(128, 5));
  const auto import = [&](const std::string& png, std::vector<std::string> more) {
    std::vector<std::string> args = {"import", s.Path("rom.sfc"), s.Path(png), "--width", "2"};
    if (std::find(more.begin(), more.end(), "--height") == more.end()) {
      more.insert(more.end(), {"--height", "1"});
    }
    args.insert(args.end(), more.begin(), more.end());
    return args;
  };
  const std::vector<std::string> out = {"-o", s.Path("new.sfc")};
  const struct {
    const char* what;
    std::vector<std::string> args;
    std::string err;
  } cases[] = {
      {"missing picture", import("none.png", Joined({"--address", "0", "--template", "4"}, out)),
       s.Path("none.png") + " not found"},
      {"not a PNG", import("rom-link.sfc", Joined({"--address", "0", "--template", "4"}, out)),
       s.Path("rom-link.sfc") + ": Not a PNG file"},
      {"cut short", import("cut.png", Joined({"--address", "0", "--template", "4"}, out)),
       s.Path("cut.png") + ": The PNG file is damaged or cut short ("},
      {"outside the ROM",
       import("ok.png", Joined({"--address", "$00FFF0", "--template", "4"}, out)),
       "The tiles at $00FFF0-$01000F do not lie inside the ROM (65536 bytes)"},
      {"index too large", import("five.png", Joined({"--address", "0", "--template", "4"}, out)),
       "The picture has 128 pixels whose index does not fit 2bpp (SNES) (0 to 3): (0, 0) 5, "
       "(1, 0) 5, (2, 0) 5, (3, 0) 5, (4, 0) 5, ..."},
      {"wrong size",
       import("ok.png", Joined({"--address", "0", "--template", "4", "--height", "2"}, out)),
       s.Path("ok.png") + ": The picture is 16 x 8 pixels; the entry needs 16 x 16"},
  };
  const Bytes rom = ReadBytes(s.Path("rom.sfc"));
  for (const auto& c : cases) {
    const TRun r = s.Run(c.args);
    EXPECT_EQ(r.status, 1) << c.what;
    EXPECT_TRUE(r.err.starts_with("tegulo-cli: " + c.err)) << c.what << ": " << r.err;
    EXPECT_EQ(Lines(r.err).size(), 1u) << c.what << ": " << r.err;
    EXPECT_FALSE(fs::exists(s.Path("new.sfc"))) << c.what;
  }
  EXPECT_EQ(ReadBytes(s.Path("rom.sfc")), rom);
  EXPECT_EQ(ReadBytes(s.Path("ok.png")).size(), fs::file_size(s.Path("ok.png")));

  // Usage errors: two lines, status 2, nothing written.
  const struct {
    const char* what;
    std::vector<std::string> args;
    std::string err;
  } usage[] = {
      {"template 0", import("ok.png", Joined({"--address", "0", "--template", "0"}, out)),
       "Unknown template '0'"},
      {"bad fill",
       import("ok.png", Joined({"--address", "0", "--template", "4", "--fill", "256"}, out)),
       "--fill must be a byte, 0 to 255 ($FF, 0xFF): '256'"},
      {"bad free space",
       import("ok.png", Joined({"--address", "0", "--template", "4", "--at", "$$"}, out)),
       "'$$' is not a valid integer value"},
  };
  for (const auto& c : usage) {
    const TRun r = s.Run(c.args);
    EXPECT_EQ(r.status, 2) << c.what;
    EXPECT_TRUE(r.err.starts_with("tegulo-cli: " + c.err + "\n")) << c.what << ": " << r.err;
    EXPECT_EQ(Lines(r.err).size(), 2u) << c.what << ": " << r.err;
    EXPECT_FALSE(fs::exists(s.Path("new.sfc"))) << c.what;
  }
  EXPECT_EQ(ReadBytes(s.Path("rom.sfc")), rom);

  // Usage: no output at all, and -o with --in-place.
  EXPECT_EQ(s.Run(import("ok.png", {"--address", "0", "--template", "4"})).status, 2);
  EXPECT_EQ(s.Run(import("ok.png",
                         {"--address", "0", "--template", "4", "-o", s.Path("x"), "--in-place"}))
                .status,
            2);
  EXPECT_EQ(s.Run({"import-doc", DemoDoc(), DemoRom(), s.Dir().string()}).status, 2);
}

TEST(CliImportDoc, AllOrNothingWithEveryFailureListed) {
  TScratch s;
  ExportAll(s, DemoRom(), s.Path("out"));
  auto entries = LoadDocument(DemoDoc());
  // A damaged template and a damaged scheme, plus a picture that is not one.
  entries[3].Template = 12;
  entries[4].Compression = 240;
  SaveDocument(s.Path("damaged.tgl"), entries);
  const std::string notPng =
      (fs::path(s.Path("out")) / ExportFileName(6, GetName(entries[6]))).string();
  WriteBytes(notPng, Bytes(10, 0));
  const TRun r = s.Run(
      {"import-doc", s.Path("damaged.tgl"), DemoRom(), s.Path("out"), "-o", s.Path("new.sfc")});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  const auto lines = Lines(r.err);
  ASSERT_EQ(lines.size(), 4u) << r.err;
  EXPECT_EQ(lines[0],
            "tegulo-cli: 003-Gradients_3bpp_SNES.png: The entry's template value 12 is not a "
            "template (a damaged document?)");
  EXPECT_EQ(lines[1],
            "tegulo-cli: 004-Checkerboard_2bpp_SNES_FF6.png: The entry's compression value 240 "
            "is not a scheme (a damaged document?)");
  EXPECT_EQ(lines[2], "tegulo-cli: 006-Font_1bpp.png: Not a PNG file");
  EXPECT_EQ(lines[3], "tegulo-cli: Nothing written: 3 of 13 pictures could not be imported");
  EXPECT_FALSE(fs::exists(s.Path("new.sfc")));

  const TRun empty =
      s.Run({"import-doc", DemoDoc(), DemoRom(), s.Dir().string(), "-o", s.Path("new.sfc")});
  EXPECT_EQ(empty.status, 1);
  EXPECT_EQ(empty.err,
            "tegulo-cli: " + s.Dir().string() +
                " holds no picture of the document (NNN-NAME.png, as export names them)\n");
}

TEST(CliWriteBack, HelpNamesTheCommandsAndTheirOptions) {
  TScratch s;
  const TRun top = s.Run({"--help"});
  for (const char* command : {"compress", "import", "import-doc"}) {
    EXPECT_NE(top.out.find(command), std::string::npos) << command;
  }
  const TRun import = s.Run({"import", "--help"});
  EXPECT_EQ(import.status, 0);
  for (const char* word : {"--address", "--template", "--at", "--fill", "--ips", "--bps",
                           "--in-place", "--palette", "--allow-distance-1", "--ct-mode"}) {
    EXPECT_NE(import.out.find(word), std::string::npos) << word;
  }
  EXPECT_NE(import.out.find("--protect-doc"), std::string::npos);
  EXPECT_EQ(import.out.find("--doc"), std::string::npos) << "the old name is not listed";
  const TRun compress = s.Run({"compress", "--help"});
  EXPECT_NE(compress.out.find("--ct-mode 11|12"), std::string::npos) << compress.out;
  EXPECT_NE(compress.out.find("--no-pad"), std::string::npos) << compress.out;
  EXPECT_NE(compress.out.find("LZ77-10 and LZ77-11: allow distance 1"), std::string::npos)
      << compress.out;
  EXPECT_EQ(top.out.find("find LZ77-10"), std::string::npos) << top.out;
}
