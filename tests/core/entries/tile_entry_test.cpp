#include "entries/tile_entry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "base/uCommon.h"

using namespace tegulo;

namespace {
std::vector<std::uint8_t> Bytes(const TTileEntry& e) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(&e);
  return {p, p + sizeof e};
}
}  // namespace

TEST(NewEntry, ByteLayoutOfTheStartState) {
  TTileEntry e = NewEntry("$1C7D04", 1, 1, 0);
  e.RawSize = 8;  // what the refresh after adding stores
  auto b = Bytes(e);
  ASSERT_EQ(b.size(), 1096u);
  std::vector<std::uint8_t> want(1096, 0);
  want[0] = 7;
  std::memcpy(&want[1], "$1C7D04", 7);
  want[32] = 0x04;
  want[33] = 0x7D;
  want[34] = 0x1C;
  want[36] = 8;
  want[44] = 1;
  want[48] = 1;
  want[57] = 1;
  want[60] = 8;
  want[61] = 8;
  EXPECT_EQ(b, want);
}

TEST(NewEntry, LongAddressTextConvertsWholeButNameKeeps30) {
  const std::string text = "                           $1C7D04";  // 34 characters
  TTileEntry e = NewEntry(text, 3, 4, -5);
  EXPECT_EQ(e.Address, 0x1C7D04);
  EXPECT_EQ(GetName(e), text.substr(0, 30));
  EXPECT_EQ(e.Width, 3);
  EXPECT_EQ(e.Height, 4);
  EXPECT_EQ(e.Offset, -5);
}

TEST(NewEntry, BadAddressThrowsTheConversionError) {
  EXPECT_THROW(NewEntry("hello", 1, 1, 0), TError);
}
