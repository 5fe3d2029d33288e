// tegulo-cli list and export, on the demo document and on damaged records.
#include <gtest/gtest.h>

#include <cstring>

#include "base/numbers.h"
#include "base/uCommon.h"
#include "cli_support.h"
#include "compress/scheme_formats.h"
#include "compress/uCompress.h"
#include "demo/demo_rom.h"
#include "entries/document.h"
#include "entries/file_names.h"
#include "image/render.h"
#include "tiles/uTiles.h"

using namespace tegulo;
using namespace tegulo::clitest;
namespace fs = std::filesystem;

namespace {

const demo::TDemo& Demo() {
  static const demo::TDemo d = demo::BuildDemo();
  return d;
}

const char* const kHeader =
    "index\tname\taddress\twidth\theight\toffset\ttemplate\tcompression\tPalCount\tPalAddress";

}  // namespace

TEST(CliList, DemoDocumentOneLinePerEntry) {
  TScratch s;
  const TRun r = s.Run({"list", DemoDoc()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  const auto lines = Lines(r.out);
  const auto& items = Demo().items;
  ASSERT_EQ(lines.size(), items.size() + 1);
  EXPECT_EQ(lines[0], kHeader);
  for (std::size_t i = 0; i < items.size(); ++i) {
    const TTileEntry& e = items[i].entry;
    const std::vector<std::string> want = {std::to_string(i),
                                           GetName(e),
                                           FormatAddress(e.Address),
                                           std::to_string(e.Width),
                                           std::to_string(e.Height),
                                           std::to_string(e.Offset),
                                           std::string(TileTemplates[e.Template].name()),
                                           std::string(Compressions[e.Compression].name()),
                                           std::to_string(e.PalCount),
                                           FormatAddress(e.PalAddress)};
    EXPECT_EQ(Fields(lines[i + 1], '\t'), want) << "entry " << i;
  }
}

TEST(CliList, DamagedRecordsShowTheirNumbers) {
  TScratch s;
  TTileEntry a = NewEntry("$10", 2, 3, -4);
  TTileEntry b;
  std::memset(&b, 0xFF, sizeof b);  // every field out of its range
  b.Name[0] = 3;
  std::memcpy(b.Name + 1, "a\tb", 3);
  SaveDocument(s.Path("bad.tgl"), std::vector<TTileEntry>{a, b});

  const TRun r = s.Run({"list", s.Path("bad.tgl")});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1], "0\t$10\t$000010\t2\t3\t-4\t\t(none)\t0\t$000000");
  // Negative addresses keep their sign, never wrapped into "$FFFFFFFF".
  EXPECT_EQ(lines[2], "1\ta?b\t-$000001\t-1\t-1\t-1\t255\t255\t-1\t-$000001");
}

TEST(CliList, EmptyDocumentHasOnlyTheHeader) {
  TScratch s;
  SaveDocument(s.Path("empty.tgl"), std::vector<TTileEntry>{});
  const TRun r = s.Run({"list", s.Path("empty.tgl")});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, std::string(kHeader) + "\n");
}

TEST(CliExport, DemoEntriesDrawTheirArtworkWithTheirPalettes) {
  TScratch s;
  const std::string outdir = s.Path("new/images");  // created with its parent
  const TRun r = s.Run({"export", DemoDoc(), DemoRom(), outdir});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  const auto lines = Lines(r.out);
  const auto& items = Demo().items;
  ASSERT_EQ(lines.size(), items.size());

  for (std::size_t i = 0; i < items.size(); ++i) {
    const TTileEntry& e = items[i].entry;
    const std::string name = GetName(e);
    const std::string path = (fs::path(outdir) / ExportFileName(i, name)).string();
    EXPECT_EQ(lines[i], "wrote " + path);
    const TPng png = ReadPng(path);
    ASSERT_TRUE(png.ok) << path;
    ASSERT_EQ(png.width, 8u * e.Width) << name;
    ASSERT_EQ(png.height, 8u * e.Height) << name;
    ASSERT_EQ(png.rgb.size(), 3u * 256u) << name;
    EXPECT_EQ(png.Colour(0), kFallbackBackground) << name;
    for (int c = 1; c < e.PalCount; ++c)
      ASSERT_EQ(png.Colour(c), e.Palette[c]) << name << " colour " << c;

    const auto& art = items[i].art;
    for (int y = 0; y < art.height; ++y) {
      for (int x = 0; x < art.width; ++x) {
        ASSERT_EQ(png.At(x, y), art.At(x, y)) << name << " pixel " << x << "," << y;
      }
    }
  }
}

TEST(CliExport, EntriesWithoutATemplateAreSkipped) {
  TScratch s;
  TTileEntry plain = Demo().items[0].entry;
  TTileEntry none = NewEntry("0", 1, 1, 0);
  SetName(none, "no template");
  TTileEntry damaged = plain;
  damaged.Template = 12;
  SaveDocument(s.Path("doc.tgl"), std::vector<TTileEntry>{none, plain, damaged});

  const TRun r = s.Run({"export", s.Path("doc.tgl"), DemoRom(), s.Path("out")});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "skipped 0 (no template): no template");
  EXPECT_EQ(lines[1],
            "wrote " + (fs::path(s.Path("out")) / ExportFileName(1, GetName(plain))).string());
  EXPECT_EQ(lines[2].rfind("skipped 2 (", 0), 0u) << lines[2];
  std::size_t files = 0;
  for ([[maybe_unused]] const auto& f : fs::directory_iterator(s.Path("out"))) ++files;
  EXPECT_EQ(files, 1u);
}

TEST(CliExport, FailuresStopWithOneLine) {
  TScratch s;
  const TRun noDoc = s.Run({"export", s.Path("none.tgl"), DemoRom(), s.Path("out")});
  EXPECT_EQ(noDoc.status, 1);
  EXPECT_EQ(noDoc.err, "tegulo-cli: " + s.Path("none.tgl") + " not found\n");

  const TRun noRom = s.Run({"export", DemoDoc(), s.Path("none.sfc"), s.Path("out")});
  EXPECT_EQ(noRom.status, 1);
  EXPECT_EQ(noRom.err, "tegulo-cli: " + s.Path("none.sfc") + " not found\n");

  WriteBytes(s.Path("file"), {1});
  const TRun notDir = s.Run({"export", DemoDoc(), DemoRom(), s.Path("file")});
  EXPECT_EQ(notDir.status, 1);
  EXPECT_EQ(notDir.err.rfind("tegulo-cli: Cannot create directory \"" + s.Path("file") + "\". ", 0),
            0u)
      << notDir.err;
}
