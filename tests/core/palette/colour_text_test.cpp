// Typed colours: six hexadecimal digits of red, green and blue.
#include "palette/colour_text.h"

#include <gtest/gtest.h>

#include "base/uCommon.h"

using namespace tegulo;

TEST(ParseColour, RedGreenBlueBecomeEntryOrder) {
  EXPECT_EQ(ParseColour("F0F0F0"), 0x00F0F0F0u);
  EXPECT_EQ(ParseColour("123456"), 0x00563412u);
  EXPECT_EQ(ParseColour("#ff0000"), 0x000000FFu);
  EXPECT_EQ(ParseColour("0000Fe"), 0x00FE0000u);
  EXPECT_EQ(ParseColour("000000"), 0u);
}

TEST(ParseColour, AnythingButSixDigitsIsAnError) {
  const char* bad[] = {"",        "#",       "F0F0F",   "F0F0F0F", "#F0F0F0F",
                       "F0F0G0",  " F0F0F0", "F0F0F0 ", "$F0F0F0", "0xF0F0F",
                       "##F0F0F", "-F0F0F",  "F0F0F0#", "+F0F0F0"};
  for (const char* text : bad) {
    try {
      ParseColour(text);
      ADD_FAILURE() << "accepted '" << text << "'";
    } catch (const TError& e) {
      EXPECT_EQ(std::string(e.what()),
                "'" + std::string(text) + "' is not a valid colour (RRGGBB)");
    }
  }
}
