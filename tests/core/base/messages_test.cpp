// The full stop of error boxes.
#include "base/messages.h"

#include <gtest/gtest.h>

namespace tegulo {
namespace {

TEST(ErrorBoxText, AddsFullStopOnlyAfterCharactersSortingAfterDot) {
  struct Case {
    const char* message;
    const char* shown;
  };
  const Case cases[] = {
      {"/tmp/x.smc not found", "/tmp/x.smc not found."},
      {"'zz' is not a valid integer value", "'zz' is not a valid integer value."},
      {"Cannot create file \"a.png\". Permission denied",
       "Cannot create file \"a.png\". Permission denied."},
      {"Already ends.", "Already ends."},
      {"Ends with a dash -", "Ends with a dash -"},  // '-' sorts before '.'
      {"Ends with a bracket)", "Ends with a bracket)"},
      {"I/O error 5", "I/O error 5."},  // digits sort after '.'
      {"Ends with a slash/", "Ends with a slash/."},
      {"Ends with a blank ", "Ends with a blank "},
      {"", ""},
      {"caf\xC3\xA9", "caf\xC3\xA9."},  // a multi-byte last character
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ErrorBoxText(c.message), c.shown) << "message: \"" << c.message << '"';
  }
}

TEST(WrapText, BreaksBeforeTheWordThatPassesTheWidth) {
  struct Case {
    const char* text;
    std::size_t width;
    const char* wrapped;
  };
  const Case cases[] = {
      {"aa bb cc", 5, "aa bb\ncc"},
      {"aa bb cc", 4, "aa\nbb\ncc"},
      {"aa bb cc", 8, "aa bb cc"},
      {"abcdefgh ij", 4, "abcdefgh\nij"},    // a longer word stays whole
      {"aa\nbb cc dd", 5, "aa\nbb cc\ndd"},  // a line break starts the count again
      {"", 3, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WrapText(c.text, c.width), c.wrapped) << "\"" << c.text << "\" at " << c.width;
  }
}

}  // namespace
}  // namespace tegulo
