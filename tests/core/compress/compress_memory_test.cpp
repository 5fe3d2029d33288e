// Every compressor's peak heap beyond its input, through a counting operator new (so this
// test is an executable of its own): at most 16 bytes per input byte on 16 KiB of tile-like
// data, or the figure a row above that keeps until its search is made smaller.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "base/uCommon.h"
#include "compress/scheme_formats.h"
#include "heap_count.h"
#include "sample_data.h"

namespace tegulo {
namespace {

TEST(CompressMemory, AtMostSixteenBytesPerInputByte) {
  constexpr std::size_t kSize = 16 << 10;
  // Rows whose search still takes more, with the most they may take.
  const struct {
    const char* name;
    double bytesPerByte;
  } above[] = {{"LZSS-CT", 33}, {"LC_LZ5", 31}, {"HAL", 46}, {"RNC1", 27}};
  const std::vector<std::uint8_t> data = MakeTileLikeData(kSize, 2024);
  for (const TSchemeFormat& row : SchemeFormats()) {
    if (row.compress == nullptr) continue;
    double most = 16;
    for (const auto& a : above) {
      if (std::strcmp(a.name, row.name) == 0) most = a.bytesPerByte;
    }
    const std::size_t before = heap::now;
    heap::peak = heap::now;
    std::size_t packed = 0;
    try {
      packed = row.compress(data, {}).size();
    } catch (const TError& e) {
      ADD_FAILURE() << row.name << ": " << e.what();
      continue;
    }
    const double perByte = static_cast<double>(heap::peak - before) / kSize;
    EXPECT_LE(perByte, most) << row.name << " took " << heap::peak - before << " bytes";
    EXPECT_GT(packed, 0U) << row.name;
  }
}

}  // namespace
}  // namespace tegulo
