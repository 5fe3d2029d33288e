// What the scan dialog says when a scan ends.
#include "rom/scan_texts.h"

#include <gtest/gtest.h>

namespace tegulo {
namespace {

TEST(ScanTexts, HitsAreCountedInTheSingularAndThePlural) {
  const struct {
    std::size_t hits;
    bool cancelled;
    const char* text;
  } kCases[] = {
      {0, false, "0 hits"},           {1, false, "1 hit"},
      {2, false, "2 hits"},           {21, false, "21 hits"},
      {1, true, "1 hit (cancelled)"}, {0, true, "0 hits (cancelled)"},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(ScanHitsText(c.hits, c.cancelled), c.text) << c.hits << " " << c.cancelled;
  }
  EXPECT_EQ(ScanFailedText("not enough memory"), "Scan failed: not enough memory");
}

}  // namespace
}  // namespace tegulo
