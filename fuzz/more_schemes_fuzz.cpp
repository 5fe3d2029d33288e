// libFuzzer target: every row's decoder, extent walk and scan checker on the same bytes. The
// first byte picks the row (scheme - 1, modulo the rows with a decoder); the rest is the
// stream. Decoding stays in bounds, the extent lies inside the stream, and a scan hit of the
// row lies inside the stream and is scored (the score reads the hit's output sample and, for
// some rows, walks the stream again over it), and weighed against the hits that start inside
// it as the overlaps' settling does (a filter's, Diff-8's or Diff-16's, in a whole scan of the
// stream). A row's prefilter, run on the stream repeated to more than 4 KiB (its fast path and
// its checked one), marks every start its checker passes.
#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

#include "base/uCommon.h"
#include "compress/scan/command_lead_in.h"
#include "compress/scan/stream_scan.h"
#include "compress/scheme_formats.h"
#include "fuzz_input.h"

using tegulo::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const tegulo::TSchemeFormat& row =
      tegulo::SchemeFormats()[1 + data[0] % (tegulo::kCompressionCount - 1)];
  const std::span<const std::uint8_t> rest(data + 1, size - 1);
  static tegulo::TDecodeBuffer out(tegulo::kDecodeBufferSize);
  bool notValid = false;
  row.decode(rest, out, &notValid);
  const std::size_t used = row.extent(rest);
  Check(used <= rest.size());
  if (row.check != nullptr) {
    if (const auto hit = row.check(rest, 0, 1, nullptr)) {
      Check(hit->comprSize <= rest.size() && hit->scheme == row.row);
      const auto scored = tegulo::CheckAndScore(rest, 0, row.row, 1);
      Check(scored && scored->score >= 0 && scored->score <= 100);
      // A command list against the lists that start inside it (the overlaps' settling).
      Check(tegulo::CommandLeadInReach(rest, *hit) <= hit->comprSize);
      for (std::size_t p = 1; p < std::min<std::size_t>(hit->comprSize, 64); ++p) {
        if (const auto later = row.check(rest, p, 1, nullptr)) {
          tegulo::IsCommandLeadIn(rest, *hit, *later);
        }
      }
    }
  }
  if (row.scoreOnly) {
    // A filter's hits against the hits inside them, in the pass and in the settling.
    const int one[] = {row.row};
    tegulo::TScanOptions options;
    options.minSize = 1;
    for (const tegulo::TScanHit& h : tegulo::ScanStreams(rest, one, options)) {
      Check(h.address + h.comprSize <= rest.size() && h.score >= options.minScore);
    }
  }
  if (row.prefilter != nullptr && !rest.empty()) {
    std::vector<std::uint8_t> wide;
    while (wide.size() < 5000) wide.insert(wide.end(), rest.begin(), rest.end());
    std::vector<std::uint64_t> bits;
    row.prefilter(wide, 1, true, bits);
    Check(bits.size() == (wide.size() + 63) / 64);
    const std::size_t tail = wide.size() - 16;
    for (const std::size_t from : {std::size_t{0}, tail}) {
      for (std::size_t p = from; p < from + 16; ++p) {
        const bool marked = ((bits[p / 64] >> (p % 64)) & 1U) != 0;
        Check(marked || !row.check(wide, p, 1, nullptr));
      }
    }
  }
  return 0;
}
