// Every compressor's peak heap beyond its input, through a counting operator new (so this
// test is an executable of its own): at most 16 bytes per input byte on 16 KiB of tile-like
// data, and some rows at other sizes and on other data too.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <random>
#include <span>
#include <vector>

#include "base/uCommon.h"
#include "compress/scheme_formats.h"
#include "heap_count.h"
#include "sample_data.h"

namespace tegulo {
namespace {

TEST(CompressMemory, AtMostSixteenBytesPerInputByte) {
  constexpr std::size_t kSize = 16 << 10;
  const std::vector<std::uint8_t> data = MakeTileLikeData(kSize, 2024);
  for (const TSchemeFormat& row : SchemeFormats()) {
    if (row.compress == nullptr) continue;
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
    EXPECT_LE(perByte, 16.0) << row.name << " took " << heap::peak - before << " bytes";
    EXPECT_GT(packed, 0U) << row.name;
  }
}

// Searches whose tables are sized by the data, not by the format's window or largest input: at
// most 16 bytes per input byte from 1 KiB up, at powers of two and just above them.
TEST(CompressMemory, SmallInputsOfTheRingAndRecordSearches) {
  const std::vector<std::uint8_t> data = MakeTileLikeData(16384, 2024);
  const std::size_t sizes[] = {1024, 1061, 1300, 2048, 2060, 4096, 4200, 8192, 8300, 16384};
  for (const TSchemeFormat& row : SchemeFormats()) {
    if (std::strcmp(row.name, "LZSS-FF5") != 0 && std::strcmp(row.name, "LZSS-FF6") != 0 &&
        std::strcmp(row.name, "LZSS-CT") != 0 && std::strcmp(row.name, "Koei") != 0) {
      continue;
    }
    for (const std::size_t size : sizes) {
      const std::size_t before = heap::now;
      heap::peak = heap::now;
      EXPECT_GT(row.compress({data.data(), size}, {}).size(), 0U);
      const double perByte = static_cast<double>(heap::peak - before) / static_cast<double>(size);
      EXPECT_LE(perByte, 16.0) << row.name << ", " << size << " bytes";
    }
  }
}

// The SNES command formats at the smallest size the bench shows (where fixed tables count
// most) and beyond, on tile-like data, runs of one byte and random bytes (whose parse keeps the
// most minima): each within its own figure.
TEST(CompressMemory, CommandFormatsAtEverySize) {
  const struct {
    const char* name;
    double bytesPerByte;
  } rows[] = {{"LC_LZ2", 13.5}, {"LC_LZ1", 13.5}, {"LC_LZ5", 14.5}, {"HAL", 14.5}};
  std::mt19937 rng(3);
  std::vector<std::uint8_t> random(65536);
  for (auto& b : random) b = static_cast<std::uint8_t>(rng());
  const std::vector<std::uint8_t> tiles = MakeTileLikeData(65536, 2024);
  const std::vector<std::uint8_t> zeros(16384, 0);
  const struct {
    const char* what;
    std::span<const std::uint8_t> data;
  } inputs[] = {{"tile-like 1 KiB", std::span(tiles).first(1024)},
                {"tile-like 16 KiB", std::span(tiles).first(16384)},
                {"tile-like 64 KiB", tiles},
                {"zeros 16 KiB", zeros},
                {"random 1 KiB", std::span(random).first(1024)},
                {"random 16 KiB", std::span(random).first(16384)},
                {"random 64 KiB", random}};
  for (const TSchemeFormat& row : SchemeFormats()) {
    for (const auto& r : rows) {
      if (std::strcmp(r.name, row.name) != 0) continue;
      for (const auto& in : inputs) {
        const std::size_t before = heap::now;
        heap::peak = heap::now;
        EXPECT_GT(row.compress(in.data, {}).size(), 0U);
        const double perByte =
            static_cast<double>(heap::peak - before) / static_cast<double>(in.data.size());
        EXPECT_LE(perByte, r.bytesPerByte) << row.name << ", " << in.what;
      }
    }
  }
}

// RNC1 searches data up to 1 KiB in full and larger data with a match tree, in chunks of
// 32767 bytes: at most 16 bytes per input byte on either side of each change of form.
TEST(CompressMemory, RncOneAtEachFormOfItsSearch) {
  const std::vector<std::uint8_t> data = MakeTileLikeData(40000, 7);
  const TSchemeFormat* rnc1 = nullptr;
  for (const TSchemeFormat& row : SchemeFormats()) {
    if (std::strcmp(row.name, "RNC1") == 0) rnc1 = &row;
  }
  ASSERT_NE(rnc1, nullptr);
  for (const std::size_t size : {1000U, 1024U, 1025U, 32767U, 32768U, 40000U}) {
    const std::span<const std::uint8_t> in(data.data(), size);
    const std::size_t before = heap::now;
    heap::peak = heap::now;
    EXPECT_GT(rnc1->compress(in, {}).size(), 0U);
    const double perByte = static_cast<double>(heap::peak - before) / static_cast<double>(size);
    EXPECT_LE(perByte, 16.0) << size << " bytes";
  }
}

}  // namespace
}  // namespace tegulo
