// libFuzzer target: the scan's quick passes and prefilters. Every position a row's quick pass
// passes over, or its prefilter leaves out, is one its checker refuses, with and without the
// facts, at any minimum size and alignment; a pass shared by several rows gives each what its
// own prefilter gives.
#include <vector>

#include "compress/scheme_formats.h"
#include "fuzz_input.h"

using namespace tegulo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::TFuzzInput in(data, size);
  const TSkipFacts facts{in.Take(1) % 80, in.Take(1) % 2 == 1};
  const std::size_t align = 1 + in.Take(1) % 8;
  const std::span<const std::uint8_t> rom = in.Rest();
  for (const TSchemeFormat& f : SchemeFormats()) {
    if (f.skip == nullptr) continue;
    for (std::size_t pos = 0; pos < rom.size();) {
      const std::size_t next = f.skip(rom, pos, rom.size(), align, facts);
      fuzz::Check(next >= pos && (next - pos) % align == 0);
      for (; pos < next && pos < rom.size(); pos += align) {
        TStreamStats stats;
        stats.factsOnly = facts.factsOnly;
        fuzz::Check(!f.check(rom, pos, facts.minSize, &stats).has_value());
      }
      pos += align;
    }
  }
  for (const TSchemeFormat& f : SchemeFormats()) {
    if (f.prefilter == nullptr) continue;
    std::vector<std::uint64_t> bits;
    f.prefilter(rom, facts.minSize, facts.factsOnly, bits);
    fuzz::Check(bits.size() == (rom.size() + 63) / 64);
    for (std::size_t pos = 0; pos < rom.size(); ++pos) {
      if (((bits[pos / 64] >> (pos % 64)) & 1U) != 0) continue;
      TStreamStats stats;
      stats.factsOnly = facts.factsOnly;
      fuzz::Check(!f.check(rom, pos, facts.minSize, &stats).has_value());
    }
  }
  // A pass shared by several rows gives each the candidates of its own prefilter.
  for (const TSchemeFormat& f : SchemeFormats()) {
    if (f.sharedPrefilter == nullptr) continue;
    std::vector<int> rows;
    for (const TSchemeFormat& g : SchemeFormats()) {
      if (g.sharedPrefilter == f.sharedPrefilter) rows.push_back(g.row);
    }
    if (rows.front() != f.row) continue;  // once per pass
    std::vector<std::vector<std::uint64_t>> shared(rows.size());
    f.sharedPrefilter(rom, facts.minSize, facts.factsOnly, rows, shared);
    for (std::size_t k = 0; k < rows.size(); ++k) {
      std::vector<std::uint64_t> own;
      FindSchemeFormat(rows[k])->prefilter(rom, facts.minSize, facts.factsOnly, own);
      fuzz::Check(shared[k] == own);
    }
  }
  return 0;
}
