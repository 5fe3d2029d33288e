// Peak heap memory of every scheme's compressor on tile-like data of 1 KiB to 16 MiB, in
// bytes and per input byte (the input itself not counted), through a counting operator new.
// A table, not a Google Benchmark: `compress_memory_bench [largest size in KiB]`.
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "base/uCommon.h"
#include "compress/scheme_formats.h"
#include "heap_count.h"
#include "sample_data.h"

int main(int argc, char** argv) {
  const std::size_t mostKiB = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 16384;
  // The largest a 24-bit size field holds, rounded down to whole 16-bit units.
  const std::vector<std::size_t> sizes = {1 << 10, 16 << 10, 64 << 10, 1 << 20, (16 << 20) - 4};
  const std::vector<std::uint8_t> data = tegulo::MakeTileLikeData(16 << 20, 2024);
  std::printf(
      "Peak heap of each compressor beyond its input, bytes per input byte "
      "(peak bytes in brackets); '-' where the format cannot hold the size\n\n");
  std::printf("%-12s", "scheme");
  for (const std::size_t s : sizes) {
    if (s <= mostKiB << 10) std::printf(" %22s", (std::to_string((s + 4) >> 10) + " KiB").c_str());
  }
  std::printf("\n");
  for (const tegulo::TSchemeFormat& row : tegulo::SchemeFormats()) {
    if (row.compress == nullptr) continue;
    std::printf("%-12s", row.name);
    for (const std::size_t s : sizes) {
      if (s > mostKiB << 10) continue;
      const std::span<const std::uint8_t> in(data.data(), s);
      const std::size_t before = tegulo::heap::now;
      tegulo::heap::peak = tegulo::heap::now;
      std::string cell;
      try {
        const std::vector<std::uint8_t> out = row.compress(in, {});
        const std::size_t peak = tegulo::heap::peak - before;
        char text[64];
        std::snprintf(text, sizeof text, "%.2f (%zu)", static_cast<double>(peak) / s, peak);
        cell = text;
      } catch (const tegulo::TError&) {
        cell = "-";
      }
      std::printf(" %22s", cell.c_str());
      std::fflush(stdout);
    }
    std::printf("\n");
  }
  return 0;
}
