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

}  // namespace
}  // namespace tegulo
