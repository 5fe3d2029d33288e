// The scans of the flag-byte and CT schemes on ROMs with planted streams: recall and precision
// above the default minimum score, the scores of true and chance hits, and the time per ROM size.
#include <time.h>
#include <algorithm>

#include <cstdio>
#include <cstdlib>
#include <map>

#include "compress/scan/stream_scan.h"
#include "compress/scheme_formats.h"
#include "scan_rom.h"

using namespace tegulo;

namespace {

// The thread's CPU time: the machine is shared, wall time says little.
double ThreadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

void Measure(std::size_t size, TScanBackground background, int perScheme, std::uint32_t seed,
             TScanPacker packer = TScanPacker::Greedy) {
  const TScanRom rom = MakeScanRom(size, background, perScheme, seed, packer);
  std::printf("\n%s ROM, %zu KiB, %d streams per scheme (%s), seed %u\n",
              background == TScanBackground::Random ? "random" : "tile-data", size >> 10, perScheme,
              packer == TScanPacker::Greedy ? "greedy encoders" : "shortest-stream compressors",
              seed);
  std::printf("%-9s %8s %8s %9s %9s %9s %10s %s\n", "scheme", "planted", "found", "recall",
              "chance", "precision", "CPU time",
              "chance scores, every candidate (deciles of 0..100)");
  for (const int scheme : kScanRomSchemes) {
    std::map<std::size_t, bool> planted;
    for (const TPlantedStream& p : rom.planted) {
      if (p.scheme == scheme) planted[p.address] = false;
    }
    const int one[] = {scheme};
    const double t0 = ThreadSeconds();
    const auto hits = ScanStreams(rom.bytes, one, TScanOptions{});
    const double seconds = ThreadSeconds() - t0;
    int found = 0, chance = 0;
    for (const TScanHit& h : hits) {
      const auto it = planted.find(h.address);
      if (it != planted.end()) {
        it->second = true;
        ++found;
      } else {
        ++chance;
      }
    }
    // Every candidate, overlaps included: the scores chance gives, outside planted streams.
    int chanceDeciles[11] = {};
    int lowestPlanted = 100;
    if (size <= (8u << 20)) {
      TScanOptions all;
      all.minScore = 0;
      all.overlaps = true;
      for (const TScanHit& h : ScanStreams(rom.bytes, one, all)) {
        if (planted.count(h.address)) {
          lowestPlanted = std::min(lowestPlanted, h.score);
          continue;
        }
        bool inside = false;
        for (const TPlantedStream& p : rom.planted) {
          inside = inside || (h.address >= p.address && h.address < p.address + p.comprSize);
        }
        if (!inside) ++chanceDeciles[h.score / 10];
      }
    }
    const double recall = planted.empty() ? 1 : double(found) / double(planted.size());
    const double precision = found + chance == 0 ? 1 : double(found) / double(found + chance);
    std::printf("%-9s %8zu %8d %8.1f%% %9d %8.1f%% %8.0fms ", kSchemeRows[scheme].name,
                planted.size(), found, 100 * recall, chance, 100 * precision, seconds * 1000);
    for (int d : chanceDeciles) std::printf(" %d", d);
    std::printf("  (lowest planted %d)\n", lowestPlanted);
    for (const auto& [address, seen] : planted) {
      if (!seen) std::printf("   missed $%06zX\n", address);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t mib = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 32;
  Measure(mib << 20, TScanBackground::Random, 100, 1);
  Measure(mib << 20, TScanBackground::Tiles, 100, 2);
  Measure(4u << 20, TScanBackground::Random, 50, 3);
  Measure(4u << 20, TScanBackground::Tiles, 50, 4);
  Measure(mib << 20, TScanBackground::Random, 100, 5, TScanPacker::Shortest);
  Measure(mib << 20, TScanBackground::Tiles, 100, 6, TScanPacker::Shortest);
  return 0;
}
