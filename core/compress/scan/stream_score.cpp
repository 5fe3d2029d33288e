// The score of a scan hit: how much the decoding and its output look like packed tile data.
#include <algorithm>
#include <array>
#include <cmath>

#include "compress/flag/ff_layout.h"
#include "compress/scan/ff_scan_facts.h"
#include "compress/scan/filter_score.h"
#include "compress/scan/stream_scan.h"
#include "compress/scheme_formats.h"
#include "compress/uCompress.h"

namespace tegulo {
namespace {

// How far back a literal's bytes count as in reach of a back-reference: the shortest window
// of the schemes (the FF ring, CT's 11-bit distances).
constexpr std::size_t kReachBack = ff::kRingSize - 1;

double Entropy(std::span<const std::uint8_t> output) {
  // Four tables in turn, so that runs of one value do not wait on their own counts.
  std::array<std::array<std::uint32_t, 256>, 4> four{};
  const std::size_t n = output.size();
  std::size_t i = 0;
  for (; i + 4 <= n; i += 4) {
    ++four[0][output[i]];
    ++four[1][output[i + 1]];
    ++four[2][output[i + 2]];
    ++four[3][output[i + 3]];
  }
  for (; i < n; ++i) ++four[0][output[i]];
  std::array<std::uint32_t, 256> histogram{};
  for (std::size_t v = 0; v < 256; ++v)
    histogram[v] = four[0][v] + four[1][v] + four[2][v] + four[3][v];
  double entropy = 0;
  for (std::uint32_t c : histogram) {
    if (c == 0) continue;
    const double q = static_cast<double>(c) / static_cast<double>(output.size());
    entropy -= q * std::log2(q);
  }
  return entropy;
}

// Bytes that repeat a byte of the same tile row (the next plane or row of a planar tile)
// or of the tile before (16, 32 and 64 bytes: 2, 4 and 8 bits per pixel).
double RepeatShare(std::span<const std::uint8_t> output) {
  const std::size_t n = output.size();
  if (n <= 2) return 0;
  std::size_t repeats = 0;
  for (std::size_t i = 2; i < n; ++i) {
    const std::uint8_t b = output[i];
    if (b == output[i - 1] || b == output[i - 2] || (i >= 16 && b == output[i - 16]) ||
        (i >= 32 && b == output[i - 32]) || (i >= 64 && b == output[i - 64])) {
      ++repeats;
    }
  }
  return static_cast<double>(repeats) / static_cast<double>(n - 2);
}

// Literals where the bytes were already in reach: an encoder takes a back-reference there
// (a 3-byte match in reach, or a zero run at the start that the zero ring of FF5 and FF6
// holds), chance streams do not care. Checked against the last place of each 3-byte value,
// so a few true matches go unseen.
double WastedShare(const TStreamStats& stats, std::span<const std::uint8_t> output) {
  const std::size_t n = output.size();
  if (stats.literalMarks == nullptr || n < 3) return 0;
  // Slots hold base + position + 1; those not above base are from earlier calls, so the
  // table is cleared only when the base wraps.
  thread_local std::vector<std::uint32_t> last(1U << 16U, 0);
  thread_local std::uint32_t base = 0;
  if (base > (1U << 31U)) {
    std::fill(last.begin(), last.end(), 0);
    base = 0;
  }
  std::size_t literals = 0;
  std::size_t wasted = 0;
  for (std::size_t i = 0; i + 2 < n; ++i) {
    const std::uint32_t key = (output[i] * 251U + output[i + 1]) * 251U + output[i + 2];
    const std::uint32_t slot = (key * 2654435761U) >> 16U;
    if (stats.literalMarks[i] != 0) {
      ++literals;
      const std::uint32_t stamp = last[slot];
      const std::size_t j = stamp > base ? stamp - base - 1 : i;
      const bool zeroRun = stats.zeroRing && i < ff::kRingStart && key == 0;
      const bool match = j < i && i - j <= kReachBack && output[j] == output[i] &&
                         output[j + 1] == output[i + 1] && output[j + 2] == output[i + 2];
      if (zeroRun || match) ++wasted;
    }
    last[slot] = base + static_cast<std::uint32_t>(i) + 1;
  }
  base += static_cast<std::uint32_t>(n) + 1;
  return literals != 0 ? static_cast<double>(wasted) / static_cast<double>(literals) : 0;
}

// The FF5 or FF6 tokens no encoder writes (CountWastefulTokens) over the sample of the output,
// and over the whole output where the sample holds none and the stream meets the facts
// otherwise: a chance reading that starts in a real stream's literals reads real data for a
// while and garbage after it ends, past a sample that looked like a stream (the output is
// at most 64 KiB).
std::uint32_t FFWastefulTokens(const TSchemeFormat& format, std::span<const std::uint8_t> stream,
                               std::uint32_t rawSize, std::span<const std::uint8_t> sample,
                               const TStreamStats& stats) {
  const bool ff6 = format.row == kSchemeFF6;
  const std::uint32_t wasted = CountWastefulTokens(stream, ff6, sample);
  if (wasted != 0 || rawSize <= sample.size() || !MeetsFacts(stats)) return wasted;
  thread_local TDecodeBuffer whole;
  whole.resize(rawSize);
  bool ignored = false;
  format.decode(stream, whole, &ignored);  // the checker walked it: it writes all rawSize bytes
  return CountWastefulTokens(stream, ff6, {whole.data(), rawSize});
}

}  // namespace

int ContentScore(const TStreamStats& stats, std::span<const std::uint8_t> output) {
  if (output.empty()) return 0;
  const double entropy = Entropy(output);
  const double repeatShare = RepeatShare(output);
  const double wastedShare = WastedShare(stats, output);

  const std::uint32_t total = stats.literals + stats.referenceBytes;
  const double written = std::max<double>(total, 1);
  const double referenceShare = stats.referenceBytes / written;
  const double ratio = stats.comprSize != 0 ? written / stats.comprSize : 0;
  const auto ramp = [](double v, double from, double to) {
    return std::clamp((v - from) / (to - from), 0.0, 1.0);
  };

  // Packed tile data shrinks (a stream that does not is no packed stream), mostly through
  // back-references; its bytes take a few values, neither all zero nor noise, and repeat at
  // tile strides. Chance streams in other data mostly write zeros from the ring before the
  // output, or copy bytes one by one without shrinking them.
  double score = 0;
  score += 25 * ramp(ratio, 1.0, 2.0) - (ratio < 1.0 ? 20 : 0);
  score += 15 * ramp(referenceShare, 0.2, 0.6);
  score += 25 * std::min(ramp(entropy, 1.0, 2.0), 1 - ramp(entropy, 5.0, 6.5));
  score += 15 * ramp(repeatShare, 0.3, 0.7);
  score -= 60 * ramp(wastedShare, 0.05, 0.3);
  score += stats.endExact ? 10 : 0;
  score += 10 * ramp(std::log2(written), 6, 9);  // 64 bytes say little, 512 enough
  score -= 60 * (stats.zeroRingBytes / written);
  return static_cast<int>(std::lround(std::clamp(score, 0.0, 100.0)));
}

bool MeetsFacts(const TStreamStats& stats) {
  const std::uint64_t written = std::uint64_t{stats.literals} + stats.referenceBytes;
  // An encoder spends at most 9 bits a byte, plus its header, flags and records.
  const bool encoderSized = std::uint64_t{stats.comprSize} * 8 <=
                            written * 9 + 8 * (24 + std::uint64_t{stats.tableBytes});
  // Zeros from the ring start data that starts with zeros; chance streams in zero-rich data
  // write little else.
  const bool mostlyOwnBytes = std::uint64_t{stats.zeroRingBytes} * 2 <= written;
  return stats.endExact && stats.unusedFlagsZero && encoderSized && stats.strayZeroRing == 0 &&
         mostlyOwnBytes && stats.wastefulTokens == 0 && stats.enoughTokens;
}

int ScoreStream(const TStreamStats& stats, std::span<const std::uint8_t> output) {
  const int content = ContentScore(stats, output);
  if (stats.factsMinOutput == kNoFacts) return content;
  const std::uint64_t written = std::uint64_t{stats.literals} + stats.referenceBytes;
  if (!MeetsFacts(stats)) return std::min(content, kDefaultMinScore - 1);
  if (written < stats.factsMinOutput) return content;
  return kDefaultMinScore + (100 - kDefaultMinScore) * content / 100;
}

std::optional<TScanHit> CheckAndScore(std::span<const std::uint8_t> rom, std::size_t pos,
                                      int scheme, std::uint32_t minSize, int needed) {
  const TSchemeFormat* format = FindSchemeFormat(scheme);
  if (format == nullptr || format->check == nullptr) return std::nullopt;
  // Both buffers are made once per thread; the marks are cleared after use as far as the
  // checker set them, and the sample is read only as far as the decoder wrote it.
  thread_local std::vector<std::uint8_t> marks(kScoreSample, 0);
  TStreamStats stats;
  stats.literalMarks = marks.data();
  struct TClear {
    std::vector<std::uint8_t>& marks;
    const TStreamStats& stats;
    ~TClear() { std::fill_n(marks.begin(), stats.marksEnd, 0); }
  } clear{marks, stats};
  auto hit = CheckStream(rom, pos, scheme, minSize, &stats);
  if (!hit) return hit;
  stats.zeroRing = format->zeroRing;
  thread_local TDecodeBuffer sample(kScoreSample, 0);
  sample.resize(kScoreSample);  // a sampler that lengthened it: no clear, only the size
  const std::size_t n = std::min<std::size_t>(
      SampleStream(*format, rom.subspan(pos, hit->comprSize), hit->rawSize, sample), kScoreSample);
  stats.comprSize = hit->comprSize;
  if (format->scoreOnly) {
    const std::size_t end = pos + hit->comprSize;
    hit->score = FilteredScore(
        rom.subspan(pos, hit->comprSize), {sample.data(), n}, scheme == kSchemeDiff16 ? 2 : 1,
        needed, rom.subspan(end, std::min<std::size_t>(rom.size() - end, 4)),
        rom.subspan(pos - std::min<std::size_t>(pos, 4), std::min<std::size_t>(pos, 4)));
    return hit;
  }
  if (format->sampleFacts != nullptr) {
    stats.wastefulTokens +=
        format->sampleFacts(rom.subspan(pos, hit->comprSize), {sample.data(), n});
  }
  if (scheme == kSchemeFF5 || scheme == kSchemeFF6) {
    stats.wastefulTokens += FFWastefulTokens(*format, rom.subspan(pos, hit->comprSize),
                                             hit->rawSize, {sample.data(), n}, stats);
  }
  hit->score = ScoreStream(stats, std::span<const std::uint8_t>(sample.data(), n));
  return hit;
}

}  // namespace tegulo
