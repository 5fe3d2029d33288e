// The scan of all schemes at its defaults on the demo ROM finds every packed stream of
// the demo's entries, with its scheme, and nothing else.
#include <gtest/gtest.h>

#include <map>

#include "compress/stream_scan.h"
#include "demo/demo_rom.h"

namespace tegulo {
namespace {

TEST(DemoScan, AllSchemesFindEveryPackedEntryAndNoMore) {
  const auto demo = demo::BuildDemo();
  std::map<std::size_t, int> packed;  // address -> scheme, of those the scan of all takes
  const std::vector<int> all = SchemesOfScanAll();
  for (const auto& item : demo.items) {
    const int scheme = item.entry.Compression;
    for (int known : all) {
      if (scheme == known) packed[static_cast<std::size_t>(item.entry.Address)] = scheme;
    }
  }
  ASSERT_TRUE(packed.count(0x6300)) << "the demo's long LZ77-10 stream";
  std::map<std::size_t, int> found;
  for (const TScanHit& h : ScanStreams(demo.rom, all, TScanOptions{})) {
    found[h.address] = h.scheme;
  }
  EXPECT_EQ(found, packed);
}

}  // namespace
}  // namespace tegulo
