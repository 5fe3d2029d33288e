// tegulo-cli pointers, free, import --relocate and import-doc --relocate, end to end on ROMs
// built here.
#include <gtest/gtest.h>

#include <random>

#include "../core/rom/layout_fixtures.h"
#include "../core/rom/patch_apply.h"
#include "base/bitmap.h"
#include "cli_support.h"
#include "compress/compressors.h"
#include "compress/uCompress.h"
#include "entries/document.h"
#include "entries/file_names.h"
#include "image/png_writer.h"
#include "palette/entry_template.h"
#include "tiles/uTiles.h"

using namespace tegulo;
using namespace tegulo::clitest;
using tegulo::test::Bytes;

namespace {

// A GBA ROM: the LZ77-10 stream of a flat 32 x 32 picture at $2000, pointed to from $400 and
// (through the 0x0C mirror) $800; 0xFF from $1C000 to the end.
Bytes GbaWithStream() {
  Bytes rom = tegulo::test::GbaRom(0x20000);
  std::fill(rom.begin() + 0x1C000, rom.end(), 0xFF);
  const Bytes packed = CompressStream(kSchemeLZ10, Bytes(512, 0x33), {});
  std::copy(packed.begin(), packed.end(), rom.begin() + 0x2000);
  const Bytes p1 = {0x00, 0x20, 0, 0x08}, p2 = {0x00, 0x20, 0, 0x0C};
  std::copy(p1.begin(), p1.end(), rom.begin() + 0x400);
  std::copy(p2.begin(), p2.end(), rom.begin() + 0x800);
  return rom;
}

void WriteNoise(const std::string& path) {
  TIndexedBitmap bmp;
  bmp.SetSize(32, 32);
  std::mt19937 rng(5);
  for (auto& p : bmp.Pixels()) p = static_cast<std::uint8_t>(rng() & 15);
  WritePng(path, bmp);
}

// The import of the noise picture over the stream at $2000, which grows it, to new.gba.
std::vector<std::string> ImportGrown(TScratch& s) {
  return {"import",
          s.Path("rom.gba"),
          s.Path("edit.png"),
          "--address",
          "$2000",
          "--template",
          "1",
          "--width",
          "4",
          "--height",
          "4",
          "--compression",
          "LZ77-10",
          "-o",
          s.Path("new.gba")};
}

}  // namespace

TEST(CliPointers, ListsEveryPlaceAndFreeRun) {
  TScratch s;
  WriteBytes(s.Path("rom.gba"), GbaWithStream());
  const TRun text = s.Run({"pointers", s.Path("rom.gba"), "$2000"});
  ASSERT_EQ(text.status, 0) << text.err;
  EXPECT_EQ(text.out, "$000400 32-bit 0x08002000\n$000800 32-bit 0x0C002000\n");
  const TRun json = s.Run({"pointers", s.Path("rom.gba"), "0x2000", "--format", "json"});
  EXPECT_EQ(json.out,
            "[\n  {\"at\": 1024, \"address\": \"$000400\", \"form\": \"32-bit\", \"value\": "
            "\"0x08002000\"},\n  {\"at\": 2048, \"address\": \"$000800\", \"form\": \"32-bit\", "
            "\"value\": \"0x0C002000\"}\n]\n");
  const TRun free = s.Run({"free", s.Path("rom.gba"), "--min", "256"});
  ASSERT_EQ(free.status, 0) << free.err;
  EXPECT_EQ(free.out, "$01C000 16384 ff 0x0801C000\n");
  // --fill takes the number syntax of every other byte option; "ff" stays as an old spelling.
  for (const char* fill : {"0xFF", "$FF", "255", "ff", "any"}) {
    const TRun same = s.Run({"free", s.Path("rom.gba"), "--min", "256", "--fill", fill});
    EXPECT_EQ(same.out, free.out) << fill << ": " << same.err;
  }
  for (const char* fill : {"0", "00", "0x00"}) {
    const TRun zeros = s.Run({"free", s.Path("rom.gba"), "--min", "256", "--fill", fill});
    EXPECT_EQ(zeros.status, 0) << fill << ": " << zeros.err;
    EXPECT_EQ(zeros.out, "") << fill << ": no run of zeros";
  }
}

TEST(CliPointers, Errors) {
  TScratch s;
  WriteBytes(s.Path("rom.gba"), GbaWithStream());
  WriteBytes(s.Path("plain.bin"), tegulo::test::Filler(0x10000));
  struct Row {
    std::vector<std::string> args;
    int status;
    std::string err;
  };
  const Row rows[] = {
      {{"pointers", s.Path("rom.gba"), "$2000", "--mapping", "sa1"},
       2,
       "tegulo-cli: Unknown mapping 'sa1' (gba, lorom, hirom, exhirom or none)\n"},
      {{"pointers", s.Path("rom.gba"), "twelve"}, 2, "tegulo-cli: ADDRESS: "},
      {{"pointers", s.Path("plain.bin"), "$2000"},
       1,
       "tegulo-cli: The ROM's layout is not known from its headers: give --mapping gba, lorom, "
       "hirom or exhirom\n"},
      {{"pointers", s.Path("rom.gba"), "$2000", "--split-bank-table", "$100"},
       2,
       "tegulo-cli: --split-bank-table and --split-word-table go together\n"},
      {{"free", s.Path("rom.gba"), "--fill", "7f"},
       2,
       "tegulo-cli: --fill must be a byte, 0 to 255 ($FF, 0xFF), or any: '7f'\n"},
      {{"free", s.Path("rom.gba"), "--fill", "0x7F"},
       2,
       "tegulo-cli: free finds runs of 0xFF or 0x00: --fill 0xFF, 0 or any\n"},
      {{"import", s.Path("rom.gba"), "x.png", "--address", "0", "--template", "1", "--width", "1",
        "--height", "1", "--fill", "any", "-o", s.Path("new.gba")},
       2,
       "tegulo-cli: --fill must be a byte, 0 to 255 ($FF, 0xFF): 'any'\n"},
      {{"import", s.Path("rom.gba"), "x.png", "--address", "0", "--template", "1", "--width", "1",
        "--height", "1", "--fill", "256", "-o", s.Path("new.gba")},
       2,
       "tegulo-cli: --fill must be a byte, 0 to 255 ($FF, 0xFF): '256'\n"},
      {{"free", s.Path("rom.gba"), "--min", "0"}, 2, "tegulo-cli: --min must be 1 or more\n"},
      {{"pointers", s.Path("rom.gba"), "$2000", "--mapping", "none"},
       2,
       "tegulo-cli: --mapping none gives the ROM no bus addresses, so no pointer can be read: "
       "give --mapping gba, lorom, hirom or exhirom\n"},
  };
  for (const Row& r : rows) {
    const TRun run = s.Run(r.args);
    EXPECT_EQ(run.status, r.status) << r.args[0] << " " << run.err;
    EXPECT_EQ(run.err.substr(0, r.err.size()), r.err) << run.err;
  }
}

TEST(CliPointers, ImportRelocatesAndThePatchesAgree) {
  TScratch s;
  const Bytes rom = GbaWithStream();
  WriteBytes(s.Path("rom.gba"), rom);
  WriteNoise(s.Path("edit.png"));
  // Without --relocate the grown stream is refused, as before.
  const std::vector<std::string> plain = ImportGrown(s);
  EXPECT_EQ(s.Run(plain).status, 1);
  std::vector<std::string> moving = plain;
  moving.insert(moving.end(),
                {"--relocate", "auto", "--ips", s.Path("p.ips"), "--bps", s.Path("p.bps")});
  const TRun r = s.Run(moving);
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> lines = Lines(r.out);
  ASSERT_GE(lines.size(), 4u) << r.out;
  EXPECT_EQ(lines[1], "Rewrote 2 pointers from $002000 to $01C010:");
  EXPECT_EQ(lines[2], "  $000400 32-bit 0x08002000 -> 0x0801C010");
  EXPECT_EQ(lines[3], "  $000800 32-bit 0x0C002000 -> 0x0C01C010");
  const Bytes out = ReadBytes(s.Path("new.gba"));
  EXPECT_EQ(tegulo::test::ApplyIps(rom, ReadBytes(s.Path("p.ips"))), out);
  EXPECT_EQ(tegulo::test::ApplyBps(rom, ReadBytes(s.Path("p.bps"))), out);
  const TRun after = s.Run({"pointers", s.Path("new.gba"), "$1C010"});
  EXPECT_EQ(after.out, "$000400 32-bit 0x0801C010\n$000800 32-bit 0x0C01C010\n");
  // Only the pointer named moves; a place that holds none is refused.
  std::vector<std::string> named = moving;
  named.insert(named.end(), {"--pointer", "$404"});
  const TRun refused = s.Run(named);
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.err,
            "tegulo-cli: The bytes at $000404 hold no GBA pointer to $002000; nothing was "
            "written\n");
}

// A named pointer alone may not leave the others pointing at fill bytes; the header is never
// free space, --overwrite or not.
TEST(CliPointers, NoPointerIsStrandedAndTheHeaderIsNeverFree) {
  TScratch s;
  const Bytes rom = GbaWithStream();
  WriteBytes(s.Path("rom.gba"), rom);
  WriteNoise(s.Path("edit.png"));
  const std::vector<std::string> import = ImportGrown(s);
  const struct {
    const char* what;
    std::vector<std::string> more;
    int status;
    std::string err;
  } rows[] = {
      {"one of two pointers named",
       {"--relocate", "auto", "--pointer", "$800"},
       1,
       "tegulo-cli: The pointers at $000400 also point to the stream at $002000 and would be "
       "left pointing at fill bytes: give them with --pointer too, or --keep-old to keep the "
       "old stream; nothing was written\n"},
      {"one named, the old stream kept",
       {"--relocate", "auto", "--pointer", "$800", "--keep-old"},
       0,
       ""},
      {"--at 0 --overwrite", {"--at", "0", "--overwrite"}, 1, "tegulo-cli: The range $000000-$"},
  };
  for (const auto& r : rows) {
    std::filesystem::remove(s.Path("new.gba"));
    const TRun run = s.Run(Joined(import, r.more));
    EXPECT_EQ(run.status, r.status) << r.what << ": " << run.err;
    EXPECT_EQ(run.err.substr(0, r.err.size()), r.err) << r.what;
    EXPECT_EQ(std::filesystem::exists(s.Path("new.gba")), r.status == 0) << r.what;
  }
  const TRun header = s.Run(Joined(import, {"--at", "0", "--overwrite"}));
  EXPECT_NE(header.err.find(" holds the ROM's header at $000000-$0000BF; nothing was written"),
            std::string::npos)
      << header.err;
}

TEST(CliPointers, ImportDocMovesEntriesWithTheirStreams) {
  TScratch s;
  WriteBytes(s.Path("rom.gba"), GbaWithStream());
  TTileEntry e = NewEntry("$2000", 4, 4, 0);
  ApplyTemplate(e, kTemplate4bppGBA);
  e.Compression = kSchemeLZ10;
  SetName(e, "grown");
  SaveDocument(s.Path("doc.tgl"), std::vector<TTileEntry>{e});
  std::filesystem::create_directory(s.Path("pics"));
  WriteNoise(s.Path("pics/" + ExportFileName(0, "grown")));
  const std::vector<std::string> args = {
      "import-doc", s.Path("doc.tgl"), s.Path("rom.gba"), s.Path("pics"),
      "-o",         s.Path("new.gba"), "--relocate",      "auto"};
  const TRun noDoc = s.Run(args);
  EXPECT_EQ(noDoc.status, 1);
  EXPECT_EQ(noDoc.err,
            "tegulo-cli: Streams moved: give --doc OUT.tgl for the document with their new "
            "addresses; nothing was written\n");
  std::vector<std::string> withDoc = args;
  withDoc.insert(withDoc.end(), {"--doc", s.Path("new.tgl")});
  const TRun r = s.Run(withDoc);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(LoadDocument(s.Path("new.tgl")).at(0).Address, 0x1C010);
  const TRun shown = s.Run({"list", s.Path("new.tgl")});
  EXPECT_NE(shown.out.find("$01C010"), std::string::npos) << shown.out;
}
