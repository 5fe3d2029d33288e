#include "entries/document_state.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

using namespace tegulo;

namespace {

std::vector<TTileEntry> TwoEntries() {
  std::vector<TTileEntry> list{NewEntry("$100", 2, 3, 0), NewEntry("$200", 4, 1, 8)};
  list[1].Palette[5] = 0x00123456u;
  return list;
}

TEST(DocumentBaseline, OnlyEditsTheUserMadeCountAsChanges) {
  struct Case {
    const char* what;
    std::function<void(std::vector<TTileEntry>&)> edit;
    bool changed;
  };
  const Case cases[] = {
      {"nothing", [](auto&) {}, false},
      {"refreshed sizes",
       [](auto& l) {
         l[0].RawSize = 96;
         l[1].ComprSize = 40;
       },
       false},
      {"an edit taken back",
       [](auto& l) {
         l[0].Width = 9;
         l[0].Width = 2;
       },
       false},
      {"width", [](auto& l) { l[0].Width = 9; }, true},
      {"offset", [](auto& l) { l[1].Offset = 9; }, true},
      {"name", [](auto& l) { SetName(l[1], "renamed"); }, true},
      {"a colour", [](auto& l) { l[1].Palette[255] = 1; }, true},
      {"palette address", [](auto& l) { l[0].PalAddress = 0x8000; }, true},
      {"template", [](auto& l) { l[0].Template = 2; }, true},
      {"compression", [](auto& l) { l[0].Compression = 1; }, true},
      {"an entry added", [](auto& l) { l.push_back(l[0]); }, true},
      {"an entry removed", [](auto& l) { l.pop_back(); }, true},
      {"entries swapped", [](auto& l) { std::swap(l[0], l[1]); }, true},
  };
  TDocumentBaseline baseline;
  baseline.Set(TwoEntries());
  for (const Case& c : cases) {
    std::vector<TTileEntry> list = TwoEntries();
    c.edit(list);
    EXPECT_EQ(baseline.Changed(list), c.changed) << c.what;
  }
}

TEST(DocumentBaseline, StartsEmptyAndFollowsEverySet) {
  TDocumentBaseline baseline;
  EXPECT_FALSE(baseline.Changed({}));
  std::vector<TTileEntry> list = TwoEntries();
  EXPECT_TRUE(baseline.Changed(list));
  baseline.Set(list);
  EXPECT_FALSE(baseline.Changed(list));
  EXPECT_TRUE(baseline.Changed({}));
  baseline.Set({});
  EXPECT_FALSE(baseline.Changed({}));
}

}  // namespace
