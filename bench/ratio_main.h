// A main() for the benchmarks that compare contenders: runs every benchmark in random
// interleaved rounds, then prints, for each case, each contender's speed relative to the
// case's baseline and to memcpy of the same size, as the median of the per-round ratios
// (thread CPU time).
//
// Naming: "<case>/<contender>" where <case> ends in the size ("lz10/tiles/64K"); the
// reference contenders are given by name (e.g. "plain", "careful"), and "memcpy/<size>" is
// the memcpy of the same number of output bytes. The console shows the median of each.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace tegulo::bench {

class TRatioReporter : public benchmark::ConsoleReporter {
public:
  void ReportRuns(const std::vector<Run>& runs) override {
    std::vector<Run> medians;
    for (const Run& r : runs) {
      if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "median") medians.push_back(r);
    }
    if (!medians.empty()) ConsoleReporter::ReportRuns(medians);
    for (const Run& r : runs) {
      if (r.run_type != Run::RT_Iteration || r.error_occurred || r.iterations == 0) continue;
      const std::size_t round =
          r.repetition_index < 0 ? 0 : static_cast<std::size_t>(r.repetition_index);
      auto& times = cpu_[r.run_name.str()];
      if (times.size() <= round) times.resize(round + 1, 0.0);
      times[round] = r.cpu_accumulated_time / static_cast<double>(r.iterations);
    }
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\nratios (median of rounds; above 1 is faster than the reference)\n");
    std::printf("%-36s", "case/contender");
    for (const std::string& ref : references_) std::printf(" %10s", ("vs " + ref).c_str());
    std::printf(" %10s\n", "vs memcpy");
    for (const auto& [name, times] : cpu_) {
      const std::size_t slash = name.rfind('/');
      if (slash == std::string::npos || name.rfind("memcpy/", 0) == 0) continue;
      const std::string kase = name.substr(0, slash);
      const std::string size = kase.substr(kase.rfind('/') + 1);
      std::printf("%-36s", name.c_str());
      for (const std::string& ref : references_) {
        std::printf(" %10s", Ratio(kase + "/" + ref, times).c_str());
      }
      std::printf(" %10s\n", Ratio("memcpy/" + size, times).c_str());
    }
  }

  std::vector<std::string> references_;

private:
  // Median over rounds of reference time / contender time.
  std::string Ratio(const std::string& reference, const std::vector<double>& times) const {
    const auto it = cpu_.find(reference);
    if (it == cpu_.end()) return "-";
    std::vector<double> r;
    for (std::size_t i = 0; i < times.size() && i < it->second.size(); ++i) {
      if (times[i] > 0 && it->second[i] > 0) r.push_back(it->second[i] / times[i]);
    }
    if (r.empty()) return "-";
    std::sort(r.begin(), r.end());
    const double m = r.size() % 2 ? r[r.size() / 2] : (r[r.size() / 2 - 1] + r[r.size() / 2]) / 2;
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", m);
    return text;
  }
  std::map<std::string, std::vector<double>> cpu_;
};

// Defaults for a short run: `rounds` interleaved rounds of 0.05 s each; flags on the command
// line win. More rounds steady the median where contenders are close to a goal.
inline int RatioMain(int argc, char** argv, std::vector<std::string> references,
                     int rounds = 5) {
  std::vector<char*> args(argv, argv + argc);
  std::string reps = "--benchmark_repetitions=" + std::to_string(rounds),
              inter = "--benchmark_enable_random_interleaving=true",
              minTime = "--benchmark_min_time=0.05";
  args.insert(args.begin() + 1, {reps.data(), inter.data(), minTime.data()});
  int n = static_cast<int>(args.size());
  benchmark::Initialize(&n, args.data());
  if (benchmark::ReportUnrecognizedArguments(n, args.data())) return 1;
  TRatioReporter reporter;
  reporter.references_ = std::move(references);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}

}  // namespace tegulo::bench
