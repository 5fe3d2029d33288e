// Export file names and printable entry names.
#include <gtest/gtest.h>

#include "entries/file_names.h"

using namespace tegulo;

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
