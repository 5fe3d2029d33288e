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
#include "sample_data.h"

namespace {

std::size_t gNow = 0;
std::size_t gPeak = 0;

// Each block carries its size ahead of the caller's bytes.
constexpr std::size_t kHead = alignof(std::max_align_t);

void* Take(std::size_t n) {
  auto* p = static_cast<unsigned char*>(std::malloc(n + kHead));
  if (p == nullptr) throw std::bad_alloc();
  *reinterpret_cast<std::size_t*>(p) = n;
  gNow += n;
  if (gNow > gPeak) gPeak = gNow;
  return p + kHead;
}

void Give(void* q) {
  if (q == nullptr) return;
  auto* p = static_cast<unsigned char*>(q) - kHead;
  gNow -= *reinterpret_cast<std::size_t*>(p);
  std::free(p);
}

}  // namespace

void* operator new(std::size_t n) { return Take(n); }
void* operator new[](std::size_t n) { return Take(n); }
void operator delete(void* p) noexcept { Give(p); }
void operator delete[](void* p) noexcept { Give(p); }
void operator delete(void* p, std::size_t /*n*/) noexcept { Give(p); }
void operator delete[](void* p, std::size_t /*n*/) noexcept { Give(p); }

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
      const std::size_t before = gNow;
      gPeak = gNow;
      std::string cell;
      try {
        const std::vector<std::uint8_t> out = row.compress(in, {});
        const std::size_t peak = gPeak - before;
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
