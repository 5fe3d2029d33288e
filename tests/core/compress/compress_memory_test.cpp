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
#include "sample_data.h"

namespace {

std::size_t gNow = 0;
std::size_t gPeak = 0;

// Each block carries its size ahead of the caller's bytes.
constexpr std::size_t kHead = alignof(std::max_align_t);

void* Take(std::size_t n) {
  auto* p = static_cast<unsigned char*>(std::malloc(n + kHead));
  if (p == nullptr) throw std::bad_alloc();
  std::memcpy(p, &n, sizeof n);
  gNow += n;
  if (gNow > gPeak) gPeak = gNow;
  return p + kHead;
}

void Give(void* q) {
  if (q == nullptr) return;
  auto* p = static_cast<unsigned char*>(q) - kHead;
  std::size_t n = 0;
  std::memcpy(&n, p, sizeof n);
  gNow -= n;
  std::free(p);
}

}  // namespace

void* operator new(std::size_t n) { return Take(n); }
void* operator new[](std::size_t n) { return Take(n); }
void operator delete(void* p) noexcept { Give(p); }
void operator delete[](void* p) noexcept { Give(p); }
void operator delete(void* p, std::size_t /*n*/) noexcept { Give(p); }
void operator delete[](void* p, std::size_t /*n*/) noexcept { Give(p); }

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
    const std::size_t before = gNow;
    gPeak = gNow;
    std::size_t packed = 0;
    try {
      packed = row.compress(data, {}).size();
    } catch (const TError& e) {
      ADD_FAILURE() << row.name << ": " << e.what();
      continue;
    }
    const double perByte = static_cast<double>(gPeak - before) / kSize;
    EXPECT_LE(perByte, most) << row.name << " took " << gPeak - before << " bytes";
    EXPECT_GT(packed, 0U) << row.name;
  }
}

}  // namespace
}  // namespace tegulo
