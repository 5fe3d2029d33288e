// Choice lookup by name, export file names and printable entry names.
#include <gtest/gtest.h>

#include "base/choice_lookup.h"
#include "entries/file_names.h"
#include "tiles/uTiles.h"

using namespace tegulo;

TEST(FindTemplate, RowNumbersAndNamesInAnyCase) {
  const struct {
    const char* text;
    std::optional<int> row;
  } cases[] = {
      {"1", 1},
      {"9", 9},
      {"$2", 2},
      {"0", std::nullopt},
      {"10", std::nullopt},
      {"-1", std::nullopt},
      {"4bpp (SNES)", 2},
      {"4BPP (snes)", 2},
      {"4bpp (GBA)", 1},
      {"1bpp", 5},
      {"8bpp (pc)", 9},
      {"8bpp (Mode7-2)", 7},
      {"4bpp", std::nullopt},
      {"", std::nullopt},
      {" 1bpp", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(FindTemplate(c.text), c.row) << "'" << c.text << "'";
}

TEST(FindScheme, NamesOfTheFourSchemesOnly) {
  const struct {
    const char* text;
    std::optional<int> row;
  } cases[] = {
      {"LZ77-10", 1},         {"lz77-10", 1},         {"lzss-ff5", 2},
      {"LZSS-FF6", 3},        {"Lzss-Ct", 4},         {"(none)", std::nullopt},
      {"none", std::nullopt}, {"lz77", std::nullopt}, {"1", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(FindScheme(c.text), c.row) << "'" << c.text << "'";
  EXPECT_FALSE(FindChoice(TileTemplates, "").has_value()) << "row 0 has an empty name";
}

TEST(ExportFileName, KeepsLettersDigitsDashAndUnderscore) {
  const struct {
    std::size_t index;
    std::string name, file;
  } cases[] = {
      {0, "Font 4bpp (GBA)", "000-Font_4bpp__GBA_.png"},
      {7, "$1C7D04", "007-_1C7D04.png"},
      {42, "a-b_c", "042-a-b_c.png"},
      {1234, "", "1234-.png"},
      {3, "../../etc/passwd", "003-______etc_passwd.png"},
      {5, std::string("x\0y\xE9\n", 5), "005-x_y__.png"},
  };
  for (const auto& c : cases) EXPECT_EQ(ExportFileName(c.index, c.name), c.file) << c.name;
}

TEST(PrintableName, OneLineOfUtf8) {
  EXPECT_EQ(PrintableName("Font 4bpp"), "Font 4bpp");
  EXPECT_EQ(PrintableName("a\tb\nc\rd\x7F"), "a?b?c?d?");
  EXPECT_EQ(PrintableName("H\xF6hle \x85"), "H\xC3\xB6hle ?");
  EXPECT_EQ(PrintableName(std::string("\0z", 2)), "?z");
}
