// The scan of all four schemes against its targets: on a 32 MiB test ROM of mixed content
// with streams of every variant planted (tools/stream_gen), recall per scheme and variant and
// precision per scheme at the default minimum score; CPU time and peak memory over the ROM's
// own for that ROM and for 32 MiB of 0xFF, of 0x00 and of repeated 10 00 00 02, at alignments
// 4 and 1. Each scan runs in a child process, so its peak memory is its own; a scan that passes its
// CPU budget is stopped and its time for the whole ROM estimated from the share done.
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>

#include "compress/scan/stream_scan.h"
#include "compress/scheme_formats.h"
#include "test_rom.h"

using namespace tegulo;
using namespace tegulo::gen;

namespace {

double ThreadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double ResidentMiB() {
  std::ifstream status("/proc/self/status");
  std::string key;
  while (status >> key) {
    if (key == "VmRSS:") {
      double kib = 0;
      status >> kib;
      return kib / 1024;
    }
  }
  return 0;
}

struct TRecall {
  int planted = 0;
  int found = 0;
  std::string missedScores;
};

// Recall per scheme label and per variant, precision per scheme.
void PrintQuality(const TTestRom& rom, std::span<const std::uint8_t> bytes,
                  const std::vector<TScanHit>& hits) {
  const auto variants = AllVariants();
  std::map<std::size_t, const TPlanted*> byAddress;
  for (const TPlanted& p : rom.planted) byAddress[p.address] = &p;
  std::map<std::size_t, int> foundAt;            // planted address -> scheme reported
  std::map<int, std::pair<int, int>> perScheme;  // scheme -> (true hits, all hits)
  for (const TScanHit& h : hits) {
    auto& [good, all] = perScheme[h.scheme];
    ++all;
    const auto it = byAddress.find(h.address);
    if (it != byAddress.end() && variants[it->second->variant].scheme == h.scheme) {
      ++good;
      foundAt[h.address] = h.scheme;
    }
  }
  std::map<std::string, TRecall> bySchemeLabel, byVariant, byContent;
  for (const TPlanted& p : rom.planted) {
    const TVariant& v = variants[p.variant];
    const bool found = foundAt.count(p.address) != 0;
    const std::string label = SchemeLabel(v);
    for (TRecall* r : {&bySchemeLabel[label], &byVariant[label + " | " + ParseLabel(v)],
                       &byContent[std::string(ContentName(p.content))]}) {
      ++r->planted;
      r->found += found ? 1 : 0;
    }
    if (!found && byVariant[label + " | " + ParseLabel(v)].missedScores.size() < 40) {
      const auto h = CheckAndScore(bytes, p.address, v.scheme, 0);
      byVariant[label + " | " + ParseLabel(v)].missedScores +=
          " " + (h ? std::to_string(h->score) : std::string("-"));
    }
  }
  const auto print = [](const char* title, const std::map<std::string, TRecall>& table) {
    std::printf("\n%-44s %7s %6s %7s  %s\n", title, "planted", "found", "recall",
                "scores of the missed (- not a stream to the checker)");
    for (const auto& [name, r] : table) {
      std::printf("%-44s %7d %6d %6.1f%% %s\n", name.c_str(), r.planted, r.found,
                  r.planted ? 100.0 * r.found / r.planted : 100.0, r.missedScores.c_str());
    }
  };
  print("scheme", bySchemeLabel);
  print("scheme | parse", byVariant);
  print("content", byContent);
  std::printf("\n%-10s %8s %8s %10s\n", "scheme", "hits", "true", "precision");
  for (int scheme : kScanSchemes) {
    const auto [good, all] = perScheme[scheme];
    std::printf("%-10s %8d %8d %9.1f%%\n", std::string(Compressions[scheme].name()).c_str(), all,
                good, all ? 100.0 * good / all : 100.0);
  }
}

// Scans `bytes` in a child process and prints time, memory and (given a ROM) the quality.
void Measure(const char* name, std::span<const std::uint8_t> bytes, std::uint32_t align,
             double budget, const TTestRom* rom) {
  std::fflush(stdout);
  const pid_t child = fork();
  if (child == 0) {
    const double base = ResidentMiB();
    const double t0 = ThreadSeconds();
    double share = 1;
    TScanOptions options;
    options.align = align;
    options.progress = [&](std::size_t done, std::size_t total) {
      share = static_cast<double>(done) / static_cast<double>(total);
      return ThreadSeconds() - t0 < budget;
    };
    const auto hits = ScanStreams(bytes, kScanSchemes, options);
    const double seconds = ThreadSeconds() - t0;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double peak = static_cast<double>(usage.ru_maxrss) / 1024 - base;
    if (seconds >= budget) {
      std::printf(
          "%-28s align %u: stopped after %.0f s at %.1f%%, about %.0f s for the whole; "
          "peak %.0f MiB over the ROM's\n",
          name, align, seconds, 100 * share, share > 0 ? seconds / share : 0.0, peak);
    } else {
      std::printf("%-28s align %u: %6.2f s CPU, peak %.0f MiB over the ROM's (%zu MiB), %zu hits\n",
                  name, align, seconds, peak, bytes.size() >> 20, hits.size());
    }
    if (rom != nullptr && seconds < budget) PrintQuality(*rom, bytes, hits);
    std::fflush(stdout);
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t mib = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 32;
  const std::size_t size = mib << 20;
  const TTestRom rom = MakeTestRom(size, 24, 1);
  std::printf("Test ROM: %zu MiB of mixed content, %zu streams planted (%zu variants)\n", mib,
              rom.planted.size(), AllVariants().size());
  Measure("mixed, every variant", rom.bytes, 4, 240, &rom);
  Measure("mixed, every variant", rom.bytes, 1, 120, &rom);
  std::printf("\n");
  for (const auto& [name, unit] : {std::pair{"0xFF", std::vector<std::uint8_t>{0xFF}},
                                   {"0x00", {0x00}},
                                   {"10 00 00 02", {0x10, 0x00, 0x00, 0x02}}}) {
    std::vector<std::uint8_t> filler(size);
    for (std::size_t i = 0; i < size; ++i) filler[i] = unit[i % unit.size()];
    for (const std::uint32_t align : {1U, 4U}) Measure(name, filler, align, 30, nullptr);
  }
  return 0;
}
