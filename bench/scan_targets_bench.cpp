// The scan against its targets. On a 32 MiB test ROM of mixed content with streams of every
// scheme and variant planted (tools/stream_gen, encoders apart from the project's): recall and
// precision per scheme when scanning for it by name and in one scan of "all" with the overlaps
// settled, at the default minimum score (a stream that two schemes read alike counts as found
// by a hit of either: ReadsTheSame). Then the CPU time and peak memory (over the ROM's
// own) of a scan of every scannable scheme at alignment 1, for that ROM and for 32 MiB of
// 0x00, 0xFF, random bytes and alternating 16 KiB blocks of repeated 10 00 00 02 and of zeros.
// Each timed scan runs in a child process, so its peak memory is its own; one that passes its
// CPU budget is stopped and its time for the whole ROM estimated from the share done.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <random>
#include <string>

#include "compress/commands/command_formats.h"
#include "compress/scan/stream_scan.h"
#include "compress/scheme_formats.h"
#include "test_rom.h"

using namespace tegulo;
using namespace tegulo::gen;

namespace {

double UserSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec) * 1e-6;
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

struct TTally {
  int planted = 0;
  int found = 0;  // planted streams reported at their address with their scheme
  int hits = 0;   // hits of the scheme
  int good = 0;   // of those, at a planted stream of the scheme
  double Recall() const { return planted != 0 ? 100.0 * found / planted : 100.0; }
  double Precision() const { return hits != 0 ? 100.0 * good / hits : 100.0; }
};

// Whether a hit of another scheme at a planted stream's address reads the same stream: the
// same bytes to the same end, decoded to the same output. A stream that uses only the commands
// two schemes share in one meaning (an LC_LZ5 or HAL stream without the commands that set them
// apart from LC_LZ2) is such a stream of both, and no scan can tell which tool wrote it; the
// user gets the same data either way, so the hit counts as finding it.
bool ReadsTheSame(const TTestRom& rom, const TPlanted& p, int plantedScheme, const TScanHit& h) {
  if (h.comprSize != p.streamSize || h.rawSize != p.rawSize || p.rawSize > kCommandOutputLimit) {
    return false;
  }
  const auto stream = std::span<const std::uint8_t>(rom.bytes).subspan(p.address, p.streamSize);
  // A decoder returns its scheme's count (the bytes written or the stream bytes read): the
  // outputs are compared over the planted data's size, each buffer filled apart first.
  TDecodeBuffer a(kCommandOutputLimit, 0x00);
  TDecodeBuffer b(kCommandOutputLimit, 0xFF);
  bool broken = false;
  FindSchemeFormat(plantedScheme)->decode(stream, a, &broken);
  FindSchemeFormat(h.scheme)->decode(stream, b, &broken);
  return !broken && std::equal(a.begin(), a.begin() + p.rawSize, b.begin());
}

// Per scheme, and per scheme and variant (only the found count), for one scan's hits. A hit is
// good at a planted stream of its scheme, or of another that it reads the same (ReadsTheSame).
std::map<int, TTally> Tally(const TTestRom& rom, const std::vector<TScanHit>& hits,
                            std::map<std::string, TTally>* byVariant) {
  const auto variants = AllVariants();
  std::map<std::size_t, const TPlanted*> plantedAt;
  for (const TPlanted& p : rom.planted) plantedAt[p.address] = &p;
  std::map<std::size_t, int> foundAt;
  std::map<int, TTally> per;
  for (const TScanHit& h : hits) {
    TTally& t = per[h.scheme];
    ++t.hits;
    const auto it = plantedAt.find(h.address);
    if (it == plantedAt.end()) continue;
    const int scheme = variants[it->second->variant].scheme;
    if (scheme == h.scheme || ReadsTheSame(rom, *it->second, scheme, h)) {
      ++t.good;
      foundAt[h.address] = h.scheme;
    }
  }
  for (const TPlanted& p : rom.planted) {
    const TVariant& v = variants[p.variant];
    const bool found = foundAt.count(p.address) != 0;
    TTally& t = per[v.scheme];
    ++t.planted;
    t.found += found ? 1 : 0;
    if (byVariant != nullptr) {
      TTally& bv = (*byVariant)[SchemeLabel(v) + " | " + ParseLabel(v)];
      ++bv.planted;
      bv.found += found ? 1 : 0;
    }
  }
  return per;
}

// The commands a stream of a command format holds, or -1 for another scheme.
int CommandCount(std::span<const std::uint8_t> stream, int scheme) {
  const TCommandFormat* f = scheme == kSchemeLCLZ2   ? &TCommandFormat::LCLZ2
                            : scheme == kSchemeLCLZ5 ? &TCommandFormat::LCLZ5
                            : scheme == kSchemeHAL   ? &TCommandFormat::HAL
                            : scheme == kSchemeLCLZ1 ? &TCommandFormat::LCLZ1
                                                     : nullptr;
  if (f == nullptr) return -1;
  TDecodeBuffer out(kCommandOutputLimit);
  return static_cast<int>(DecodeCommands(*f, stream, out).commands);
}

// Why the checker and the score take or refuse the stream at `pos`: its figures, the facts it
// misses, and whether the checker refuses it at once where only streams meeting the facts count.
std::string Explain(const TTestRom& rom, std::size_t pos, int scheme) {
  TStreamStats st;
  const auto hit = CheckStream(rom.bytes, pos, scheme, kDefaultScanMinSize, &st);
  if (!hit) return "refused by the checker";
  st.comprSize = hit->comprSize;
  TStreamStats quick;
  quick.factsOnly = true;
  const bool quickPass =
      CheckStream(rom.bytes, pos, scheme, kDefaultScanMinSize, &quick).has_value();
  const auto scored = CheckAndScore(rom.bytes, pos, scheme, kDefaultScanMinSize);
  char text[256];
  std::snprintf(text, sizeof text, "stream %5u raw %5u cmds %3d lit %5u score %3d%s%s%s%s%s",
                hit->comprSize, hit->rawSize,
                CommandCount(std::span(rom.bytes).subspan(pos, hit->comprSize), scheme),
                st.literals, scored ? scored->score : -1, st.enoughTokens ? "" : " few-commands",
                st.wastefulTokens != 0 ? " wasteful" : "", st.endExact ? "" : " end-inexact",
                quickPass ? "" : " quick-refused", MeetsFacts(st) ? " facts-met" : "");
  return text;
}

// What lies at `pos`: a planted stream (its scheme, parse, content and the offset into it) or
// the background's kind.
std::string WhatLiesAt(const TTestRom& rom, std::size_t pos) {
  const auto variants = AllVariants();
  auto it = std::upper_bound(rom.planted.begin(), rom.planted.end(), pos,
                             [](std::size_t a, const TPlanted& p) { return a < p.address; });
  if (it != rom.planted.begin() && pos < std::prev(it)->address + std::prev(it)->streamSize) {
    const TPlanted& p = *std::prev(it);
    const TVariant& v = variants[p.variant];
    return SchemeLabel(v) + " " + ParseLabel(v) + " " + std::string(ContentName(p.content)) + " +" +
           std::to_string(pos - p.address);
  }
  auto seg = std::upper_bound(rom.segments.begin(), rom.segments.end(), pos,
                              [](std::size_t a, const TSegment& s) { return a < s.start; });
  std::string where = seg == rom.segments.begin() ? "?" : std::prev(seg)->kind;
  if (it != rom.planted.end() && it->address - pos < 64) {
    where += " (" + std::to_string(it->address - pos) + " before a planted stream)";
  }
  return "background " + where;
}

// The planted streams of `scheme` a scan missed, and why (SCAN_BENCH_MISSES): the checker's
// figures and the hit that covers the stream's start, if any.
void PrintMisses(const TTestRom& rom, const std::vector<TScanHit>& hits, int scheme,
                 const char* scan) {
  const auto variants = AllVariants();
  std::map<std::size_t, int> hitAt;
  for (const TScanHit& h : hits) hitAt[h.address] = h.scheme;
  for (const TPlanted& p : rom.planted) {
    const TVariant& v = variants[p.variant];
    if (v.scheme != scheme || hitAt.count(p.address) != 0) continue;
    std::string cover;
    for (const TScanHit& h : hits) {
      if (h.address < p.address && h.address + h.comprSize > p.address) {
        cover = " covered by " + std::string(Compressions[h.scheme].name()) + " hit at -" +
                std::to_string(p.address - h.address) + " score " + std::to_string(h.score);
      }
    }
    std::printf("  %s missed %08zx %-16s %-10s %s%s\n", scan, p.address,
                (SchemeLabel(v) + " " + ParseLabel(v)).c_str(),
                std::string(ContentName(p.content)).c_str(),
                Explain(rom, p.address, scheme).c_str(), cover.c_str());
  }
}

// The hits of `scheme` at no planted stream of it (SCAN_BENCH_FALSE), with what lies there.
void PrintFalseHits(const TTestRom& rom, const std::vector<TScanHit>& hits, int scheme,
                    const char* scan) {
  std::map<std::size_t, const TPlanted*> plantedAt;
  for (const TPlanted& p : rom.planted) plantedAt[p.address] = &p;
  const auto variants = AllVariants();
  for (const TScanHit& h : hits) {
    if (h.scheme != scheme) continue;
    const auto it = plantedAt.find(h.address);
    if (it != plantedAt.end() &&
        (variants[it->second->variant].scheme == scheme ||
         ReadsTheSame(rom, *it->second, variants[it->second->variant].scheme, h))) {
      continue;
    }
    std::string first;
    for (std::size_t k = h.address; k < std::min(h.address + 8, rom.bytes.size()); ++k) {
      char hex[4];
      std::snprintf(hex, sizeof hex, " %02x", rom.bytes[k]);
      first += hex;
    }
    std::printf("  %s false  %08zx %-8s %s |%s | %s\n", scan, h.address,
                std::string(Compressions[scheme].name()).c_str(),
                Explain(rom, h.address, scheme).c_str(), first.c_str(),
                WhatLiesAt(rom, h.address).c_str());
  }
}

// SCAN_BENCH_MISSES / SCAN_BENCH_FALSE: the named scheme, or every scheme for any other value.
bool Lists(const char* variable, int scheme) {
  const char* value = std::getenv(variable);
  return value != nullptr && (!FindScheme(value) || *FindScheme(value) == scheme);
}

// The misses and false hits of a scan that the environment asks for (SCAN_BENCH_MISSES lists
// both, SCAN_BENCH_FALSE the false hits alone).
void ListHits(const TTestRom& rom, const std::vector<TScanHit>& hits, int scheme,
              const char* scan) {
  const bool misses = Lists("SCAN_BENCH_MISSES", scheme);
  if (misses) PrintMisses(rom, hits, scheme, scan);
  if (misses || Lists("SCAN_BENCH_FALSE", scheme)) PrintFalseHits(rom, hits, scheme, scan);
}

void PrintQuality(const TTestRom& rom) {
  const double t0 = UserSeconds();
  std::map<int, TTally> byName;
  std::map<std::string, TTally> variantsByName;
  // SCAN_BENCH_SCHEME=NAME: that scheme's scan by name alone, without the scan of all.
  const char* chosen = std::getenv("SCAN_BENCH_SCHEME");
  const bool alone = chosen != nullptr && FindScheme(chosen);
  for (const int scheme : alone ? std::vector<int>{*FindScheme(chosen)} : ScannableSchemes()) {
    const int one[] = {scheme};
    const auto hits = ScanStreams(rom.bytes, one, TScanOptions{});
    std::map<std::string, TTally> variants;
    byName[scheme] = Tally(rom, hits, &variants)[scheme];
    ListHits(rom, hits, scheme, "name");
    for (const auto& [label, t] : variants) {
      if (label.rfind(std::string(Compressions[scheme].name()), 0) == 0) variantsByName[label] = t;
    }
  }
  const double t1 = UserSeconds();
  std::map<std::string, TTally> variantsInAll;
  const std::vector<int> all = alone ? std::vector<int>{} : SchemesOfScanAll();
  const auto allHits =
      alone ? std::vector<TScanHit>{} : ScanStreams(rom.bytes, all, TScanOptions{});
  const auto inAll = Tally(rom, allHits, &variantsInAll);
  for (const int scheme : all) ListHits(rom, allHits, scheme, "all ");
  const double t2 = UserSeconds();
  std::printf("\n%-10s %7s | %-23s | %-23s\n", "", "", "  by name (align 4)", "  in all (align 4)");
  std::printf("%-10s %7s | %7s %7s %7s | %7s %7s %7s\n", "scheme", "planted", "recall", "hits",
              "precis.", "recall", "hits", "precis.");
  for (const auto& [scheme, n] : byName) {
    const std::string name(Compressions[scheme].name());
    const bool scanned = std::find(all.begin(), all.end(), scheme) != all.end();
    std::printf("%-10s %7d | %6.1f%% %7d %6.1f%% |", name.c_str(), n.planted, n.Recall(), n.hits,
                n.Precision());
    if (scanned) {
      // A scheme with neither a planted stream nor a hit has no tally.
      const auto found = inAll.find(scheme);
      const TTally a = found != inAll.end() ? found->second : TTally{};
      std::printf(" %6.1f%% %7d %6.1f%%\n", a.Recall(), a.hits, a.Precision());
    } else {
      std::printf("  (not in all)\n");
    }
  }
  std::printf("(scans by name %.1f s CPU in all, the scan of all %.1f s)\n", t1 - t0, t2 - t1);
  std::printf("\nVariants not all found (%s):\n", "by name / in all");
  for (const auto& [label, n] : variantsByName) {
    const TTally& a = variantsInAll[label];
    if (n.found == n.planted && a.found == a.planted) continue;
    std::printf("  %-44s %4d planted, %4d / %4d found\n", label.c_str(), n.planted, n.found,
                a.found);
  }
}

// Scans `bytes` for every scannable scheme in a child process; prints CPU time and memory.
void Measure(const char* name, std::span<const std::uint8_t> bytes, std::uint32_t align,
             double budget) {
  std::fflush(stdout);
  const pid_t child = fork();
  if (child == 0) {
    const double base = ResidentMiB();
    const double t0 = UserSeconds();
    double share = 1;
    TScanOptions options;
    options.align = align;
    options.progress = [&](std::size_t done, std::size_t total) {
      share = static_cast<double>(done) / static_cast<double>(total);
      return UserSeconds() - t0 < budget;
    };
    const auto hits = ScanStreams(bytes, ScannableSchemes(), options);
    const double seconds = UserSeconds() - t0;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double peak = static_cast<double>(usage.ru_maxrss) / 1024 - base;
    if (seconds >= budget) {
      std::printf("%-26s align %u: stopped after %.0f s at %.1f%%, about %.0f s for the whole\n",
                  name, align, seconds, 100 * share, share > 0 ? seconds / share : 0.0);
    } else {
      std::printf(
          "%-26s align %u: %6.2f s user CPU, peak %4.0f MiB over the ROM's %zu MiB, "
          "%zu hits\n",
          name, align, seconds, peak, bytes.size() >> 20U, hits.size());
    }
    std::fflush(stdout);
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
}

std::vector<std::uint8_t> Pattern(const std::string& name, std::size_t size) {
  std::vector<std::uint8_t> bytes(size);
  if (name == "random") {
    std::mt19937 rng(7);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(rng());
  } else if (name == "0xFF") {
    std::fill(bytes.begin(), bytes.end(), 0xFF);
  } else if (name == "10 00 00 02 / zeros") {
    constexpr std::uint8_t kUnit[] = {0x10, 0x00, 0x00, 0x02};
    for (std::size_t i = 0; i < size; ++i) bytes[i] = (i >> 14U) % 2 == 0 ? kUnit[i % 4] : 0;
  }
  return bytes;
}

// The CPU time of each scheme's scan of each pattern at alignment 1, for finding the slow ones.
void ProfileSchemes(std::size_t size, const TTestRom& rom) {
  const char* scheme = std::getenv("SCAN_BENCH_SCHEME");  // one scheme's column
  std::printf("%-22s", "user CPU s per scheme");
  std::vector<int> schemes = ScannableSchemes();
  if (scheme != nullptr && FindScheme(scheme)) schemes = {*FindScheme(scheme)};
  for (const int row : schemes) {
    std::printf(" %9.9s", std::string(Compressions[row].name()).c_str());
  }
  std::printf("\n");
  const char* only = std::getenv("SCAN_BENCH_ONLY");  // one pattern's row
  for (const char* name : {"mixed", "0x00", "0xFF", "random", "10 00 00 02 / zeros"}) {
    if (only != nullptr && std::string(only) != name) continue;
    const auto bytes = std::string(name) == "mixed" ? rom.bytes : Pattern(name, size);
    std::printf("%-22s", name);
    for (const int row : schemes) {
      const int one[] = {row};
      TScanOptions options;
      options.align = 1;
      const double t0 = UserSeconds();
      const auto hits = ScanStreams(bytes, one, options);
      std::printf(" %5.2f%4zu", UserSeconds() - t0, std::min<std::size_t>(hits.size(), 999));
      std::fflush(stdout);
    }
    std::printf("\n");
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t mib = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 32;
  const std::size_t size = mib << 20U;
  // "profile": the CPU time of each scheme on each pattern (SCAN_BENCH_ONLY=PATTERN and
  // SCAN_BENCH_SCHEME=NAME narrow it); "timing": the timed scans without the quality tables.
  // SCAN_BENCH_MISSES=NAME (or any value, for every scheme) lists the missed streams and false
  // hits of each scan by name and of the scan of all beside the quality tables, with why each
  // was missed (the checker's figures, the facts missed, a hit covering its start) and what lies
  // under each false hit; SCAN_BENCH_FALSE=NAME the false hits alone; SCAN_BENCH_SEED=N another
  // test ROM of the same make; with "quality", SCAN_BENCH_SCHEME=NAME that scheme's scan by name
  // alone.
  if (argc > 2 && std::string(argv[2]) == "profile") {
    const char* only = std::getenv("SCAN_BENCH_ONLY");
    const bool mixed = only == nullptr || std::string(only) == "mixed";
    ProfileSchemes(size, mixed ? MakeTestRom(size, 24, 1) : TTestRom{});
    return 0;
  }
  // SCAN_BENCH_SEED: another test ROM of the same make, to tell a scheme's figures from its sample.
  const char* seed = std::getenv("SCAN_BENCH_SEED");
  const TTestRom rom = MakeTestRom(size, 24, seed != nullptr ? std::strtoul(seed, nullptr, 10) : 1);
  std::printf("Test ROM: %zu MiB of mixed content, %zu streams planted (%zu variants)\n", mib,
              rom.planted.size(), AllVariants().size());
  if (argc <= 2 || std::string(argv[2]) != "timing") PrintQuality(rom);
  if (argc > 2 && std::string(argv[2]) == "quality") return 0;
  std::printf("\nEvery scannable scheme (%zu) at once, default minimum size and score:\n",
              ScannableSchemes().size());
  Measure("mixed, every variant", rom.bytes, 1, 60);
  for (const char* name : {"0x00", "0xFF", "random", "10 00 00 02 / zeros"}) {
    Measure(name, Pattern(name, size), 1, 60);
  }
  return 0;
}
