// Peak heap memory of every scheme's compressor on tile-like data of 1 KiB to 16 MiB, per input
// byte (the input itself not counted), through a counting operator new. A table, not a Google
// Benchmark: `compress_memory_bench [largest size in KiB] [scheme name]`.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "base/uCommon.h"
#include "compress/scheme_formats.h"
#include "heap_count.h"
#include "sample_data.h"

namespace {

// Bytes per input byte beyond the input, or "-" where the format cannot hold the size.
std::string Cell(const tegulo::TSchemeFormat& row, std::span<const std::uint8_t> in) {
  const std::size_t before = tegulo::heap::now;
  tegulo::heap::peak = tegulo::heap::now;
  try {
    const std::vector<std::uint8_t> out = row.compress(in, {});
  } catch (const tegulo::TError&) {
    return "-";
  }
  char text[32];
  std::snprintf(text, sizeof text, "%.2f",
                static_cast<double>(tegulo::heap::peak - before) / static_cast<double>(in.size()));
  return text;
}

std::string SizeName(std::size_t bytes) {
  const std::size_t kib = (bytes + 4) >> 10;  // the last size is 4 bytes short of 16 MiB
  return kib >= 1024 ? std::to_string(kib >> 10) + " MiB" : std::to_string(kib) + " KiB";
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t mostKiB = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 16384;
  const char* only = argc > 2 ? argv[2] : nullptr;
  // Small sizes show the fixed tables; the last is the largest a 24-bit size field holds,
  // rounded down to whole 16-bit units.
  std::vector<std::size_t> sizes;
  for (const std::size_t s :
       {1 << 10, 2 << 10, 4 << 10, 8 << 10, 16 << 10, 64 << 10, 1 << 20, (16 << 20) - 4}) {
    if (s <= mostKiB << 10) sizes.push_back(s);
  }
  const std::vector<std::uint8_t> data = tegulo::MakeTileLikeData(sizes.back(), 2024);
  std::printf(
      "Peak heap of each compressor beyond its input, bytes per input byte; '-' where the "
      "format cannot hold the size\n\n%-12s",
      "scheme");
  for (const std::size_t s : sizes) std::printf(" %8s", SizeName(s).c_str());
  std::printf("\n");
  for (const tegulo::TSchemeFormat& row : tegulo::SchemeFormats()) {
    if (row.compress == nullptr || (only != nullptr && std::strcmp(only, row.name) != 0)) continue;
    std::printf("%-12s", row.name);
    for (const std::size_t s : sizes) {
      std::printf(" %8s", Cell(row, {data.data(), s}).c_str());
      std::fflush(stdout);
    }
    std::printf("\n");
  }
  return 0;
}
