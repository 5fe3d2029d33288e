// Exporting from the dialog's rows, the ZSNES fallback's note, and the import rows' patterns.
#include "palette/palette_export.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <vector>

#include "palette/palette_import.h"
#include "temp_dir.h"

using namespace tegulo;
using tegulo::test::TempDirTest;

namespace {

class PaletteExport : public TempDirTest {};

void Split(std::string_view patterns, std::vector<std::string>& out) {
  std::stringstream in{std::string(patterns)};
  std::string p;
  while (std::getline(in, p, ';')) out.push_back(p);
}

}  // namespace

TEST_F(PaletteExport, TheRowDecidesTheKindAndTheExtension) {
  using F = TPaletteFileFormat;
  struct TCase {
    std::string path;
    int row;
    std::string written;
    F format;
  };
  const TCase cases[] = {
      {"/d/colours", 0, "/d/colours.pal", F::JascPal},
      {"/d/colours", 1, "/d/colours.gpl", F::Gpl},
      {"/d/colours", 2, "/d/colours.act", F::Act},
      {"/d/colours.act", 1, "/d/colours.act", F::Gpl},  // a typed extension stays
      {"/d.x/colours", 2, "/d.x/colours.act", F::Act},  // a dot in a folder is no extension
      {"/d/colours.GPL", 3, "/d/colours.GPL", F::Gpl},  // ALL: the extension decides
      {"/d/colours.act", 9, "/d/colours.act", F::Act},  // outside the table: as ALL
  };
  for (const TCase& c : cases) {
    const TPaletteExportTarget target = PaletteExportTarget(c.path, c.row);
    EXPECT_EQ(target.path, c.written) << c.path << " row " << c.row;
    EXPECT_EQ(target.format, c.format) << c.path << " row " << c.row;
  }
  EXPECT_EQ(ErrorOf([] { PaletteExportTarget("/d/colours", 3); }),
            "Cannot export a palette as \"/d/colours\": use .pal, .gpl or .act");
  EXPECT_EQ(PaletteExportFilter(),
            "JASC Palette (*.pal)|*.pal|GIMP Palette (*.gpl)|*.gpl|"
            "Adobe Color Table (*.act)|*.act|ALL|*.*");
}

TEST_F(PaletteExport, WritesTheKindTheRowNames) {
  TPalette colours{};
  colours[1] = 0x00030201;
  const std::string path = Path("p.pal");
  ExportPaletteFile(path, colours, TPaletteFileFormat::Gpl);
  EXPECT_EQ(ReadPaletteFile(path, TPaletteHalf::Background), colours);
  std::ifstream in(path);
  std::string first;
  std::getline(in, first);
  EXPECT_EQ(first, "GIMP Palette");
}

TEST_F(PaletteExport, UnknownFilesTellTheZsnesFallback) {
  struct TCase {
    std::size_t size;
    char fill;
    bool fallback;
    std::int32_t colours;
  };
  const TCase cases[] = {
      {333, '\x5A', true, 0},                           // random-like bytes, too short for a colour
      {1563, 'a', true, 1},                             // one whole word at 1560
      {2072, 'a', true, 256},                           // the whole palette
      {5000, '\x11', true, 256}, {512, 'a', false, 0},  // a 512-byte dump is a known kind
  };
  for (const TCase& c : cases) {
    const std::string path = Path("state.bin");
    std::ofstream(path, std::ios::binary) << std::string(c.size, c.fill);
    TPaletteReadNote note;
    ReadPaletteFile(path, TPaletteHalf::Background, TPaletteFileRule::AnySource, &note);
    EXPECT_EQ(note.zsnesFallback, c.fallback) << c.size;
    EXPECT_EQ(note.colours, c.colours) << c.size;
  }
  EXPECT_EQ(ZsnesFallbackText("x.txt", 1),
            "x.txt is of no known kind: read as a ZSNES save state, 1 colour");
  EXPECT_EQ(ZsnesFallbackText("x.txt", 0),
            "x.txt is of no known kind: read as a ZSNES save state, 0 colours");
}

TEST(PaletteImportRows, TheAllRowHoldsEveryPatternOfTheOthers) {
  const auto rows = PaletteImportRows();
  std::vector<std::string> all;
  Split(rows[1].patterns, all);
  for (std::size_t i = 2; i + 1 < rows.size(); ++i) {
    std::vector<std::string> own;
    Split(rows[i].patterns, own);
    for (const std::string& p : own) {
      EXPECT_NE(std::find(all.begin(), all.end(), p), all.end())
          << p << " of \"" << rows[i].description << "\"";
    }
  }
}
