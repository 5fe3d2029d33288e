// Checkers for the four schemes, the score of a hit, and the scan over a whole ROM.
#include "compress/stream_scan.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "compress/scheme_formats.h"
#include "compress/uCompress.h"

namespace tegulo {
namespace {

constexpr std::uint32_t kMaxOutput = 1u << 20;  // CT output beyond the working buffer
constexpr std::size_t kProgressStride = 1u << 16;

std::uint32_t Le16(const std::uint8_t* p) { return p[0] | static_cast<std::uint32_t>(p[1]) << 8; }

std::optional<TScanHit> CheckLZ10(std::span<const std::uint8_t> rom, std::size_t pos,
                                  std::uint32_t minSize, TStreamStats& st) {
  const auto s = CheckLZ10Stream(rom, pos);
  if (!s || s->rawSize < minSize) return std::nullopt;
  // The figures of the score, from the stream known to be whole.
  const std::uint8_t* p = rom.data() + pos;
  std::size_t in = 4;
  std::uint32_t out = 0;
  TLiteralRun run;
  while (out < s->rawSize) {
    const unsigned flags = p[in++];
    unsigned mask = 0x80;
    for (; mask != 0 && out < s->rawSize; mask >>= 1) {
      if ((flags & mask) == 0) {
        if (!run.Add(p[in])) return std::nullopt;
        st.MarkLiteral(out);
        ++in;
        ++out;
        ++st.literals;
      } else {
        run.Break();
        const std::uint32_t len = (p[in] >> 4) + 3u;
        in += 2;
        out += len;
        ++st.references;
        st.referenceBytes += len;
      }
    }
    // The flags after the last token, when it is not the group's eighth.
    if (out >= s->rawSize && mask != 0) st.unusedFlagsZero = (flags & (2 * mask - 1)) == 0;
  }
  st.endExact = out == s->rawSize;
  return TScanHit{pos, kSchemeLZ10, s->rawSize, s->comprSize, 0};
}

template <bool kFF6>
std::optional<TScanHit> CheckFF(std::span<const std::uint8_t> rom, std::size_t pos,
                                std::uint32_t minSize, TStreamStats& st) {
  const std::size_t n = rom.size() - pos;
  if (n < 3) return std::nullopt;
  const std::uint8_t* s = rom.data() + pos;
  const std::uint32_t h = Le16(s);  // FF5: the announced size; FF6: the stream length
  if constexpr (kFF6) {
    if (h <= 2 || h > n) return std::nullopt;
  } else {
    if (h < minSize || h == 0) return std::nullopt;
  }
  std::size_t in = 2;
  std::uint32_t out = 0;
  TLiteralRun run;
  for (;;) {
    if (in >= n) return std::nullopt;
    unsigned flags = s[in++];
    for (int bit = 0; bit < 8; ++bit, flags >>= 1) {
      if (flags & 1u) {
        if (in >= n || !run.Add(s[in])) return std::nullopt;
        st.MarkLiteral(out);
        ++in;
        ++out;
        ++st.literals;
      } else {
        if (n - in < 2) return std::nullopt;
        run.Break();
        const unsigned b0 = s[in];
        const unsigned b1 = s[in + 1];
        in += 2;
        const std::size_t index = kFF6 ? b0 | (b1 & 0x07u) << 8 : b0 | (b1 & 0xE0u) << 3;
        const std::uint32_t len = (kFF6 ? b1 >> 3 : b1 & 0x1Fu) + 3;
        // How far back the source lies: index (2014 + out - age) mod 2048.
        std::size_t age = (kFFRingStart + out - index) & (kFFRingSize - 1);
        if (age == 0) age = kFFRingSize;
        if (age > out) {
          if (++st.zeroRingReferences > kMaxZeroRingReferences) return std::nullopt;
          st.zeroRingBytes += len;
          // An encoder that takes zeros from the ring finds them just before the start of
          // the output, where its search begins; chance indices fall anywhere.
          if (index >= kFFRingStart || index + kZeroRingReach < kFFRingStart) ++st.strayZeroRing;
        }
        out += len;
        ++st.references;
        st.referenceBytes += len;
      }
      if (kFF6 ? in >= h : out >= h) {
        if constexpr (kFF6) {
          st.endExact = in == h;
          if (out < minSize) return std::nullopt;
          return TScanHit{pos, kSchemeFF6, out, h, 0};
        } else {
          st.endExact = out == h;
          return TScanHit{pos, kSchemeFF5, h, static_cast<std::uint32_t>(in), 0};
        }
      }
    }
  }
}

std::optional<TScanHit> CheckCT(std::span<const std::uint8_t> rom, std::size_t pos,
                                std::uint32_t minSize, TStreamStats& st) {
  const std::size_t n = rom.size() - pos;
  if (n < 3) return std::nullopt;
  const std::uint8_t* s = rom.data() + pos;
  std::size_t next = Le16(s) + std::size_t{2};
  if (next >= n) return std::nullopt;
  const unsigned modeBits = s[next] >> 6;
  if (modeBits == 1 || modeBits == 2) return std::nullopt;
  const unsigned lengthShift = modeBits == 3 ? 11 : 12;
  const unsigned distanceMask = modeBits == 3 ? 0x7FFu : 0xFFFu;

  std::size_t in = 2;
  std::uint32_t out = 0;
  unsigned count = 8;
  TLiteralRun run;
  for (;;) {
    while (in == next) {
      if (in >= n) return std::nullopt;
      const unsigned tokens = s[in] & 0x3Fu;
      if (tokens == 0) {
        if (out < minSize) return std::nullopt;
        return TScanHit{pos, kSchemeCT, out, static_cast<std::uint32_t>(in + 1), 0};
      }
      if (n - in < 4) return std::nullopt;  // the record and at least a control byte
      count = tokens;
      next = Le16(s + in + 1);
      in += 3;
    }
    if (in > next || in >= n || out > kMaxOutput) return std::nullopt;  // a record missed
    const unsigned ctl = s[in++];
    if (ctl == 0) {
      if (n - in < 8) return std::nullopt;
      for (std::uint32_t i = 0; i < 8; ++i) {
        if (!run.Add(s[in + i])) return std::nullopt;
        st.MarkLiteral(out + i);
      }
      in += 8;
      out += 8;
      st.literals += 8;
      continue;
    }
    for (unsigned j = 0; j < count; ++j) {
      if (j < 8 && ((ctl >> j) & 1u) != 0) {
        if (n - in < 2) return std::nullopt;
        run.Break();
        const unsigned r = Le16(s + in);
        in += 2;
        const std::uint32_t distance = r & distanceMask;
        if (distance == 0 || distance > out) return std::nullopt;
        const std::uint32_t len = (r >> lengthShift) + 3;
        out += len;
        ++st.references;
        st.referenceBytes += len;
      } else {
        if (in >= n || !run.Add(s[in])) return std::nullopt;
        st.MarkLiteral(out);
        ++in;
        ++out;
        ++st.literals;
      }
    }
    count = 8;
  }
}

// The first bytes of an LZ77-10 stream known to be whole, without lengthening the output.
std::size_t SampleLZ10(const std::uint8_t* p, std::uint32_t rawSize, std::span<std::uint8_t> out) {
  std::size_t in = 4;
  std::size_t o = 0;
  const std::size_t stop = std::min<std::size_t>(rawSize, out.size());
  while (o < stop) {
    const unsigned flags = p[in++];
    for (unsigned mask = 0x80; mask != 0 && o < stop; mask >>= 1) {
      if ((flags & mask) == 0) {
        out[o++] = p[in++];
      } else {
        const std::size_t len = (p[in] >> 4) + 3u;
        const std::size_t distance = ((p[in] & 0x0Fu) << 8 | p[in + 1]) + 1;
        in += 2;
        for (std::size_t i = 0; i < len && o < out.size(); ++i, ++o) out[o] = out[o - distance];
      }
    }
  }
  return stop;
}

}  // namespace

namespace {

// The figures go to `stats` (cleared first, its literal marks kept) or to a local record.
template <std::optional<TScanHit> (*Check)(std::span<const std::uint8_t>, std::size_t,
                                           std::uint32_t, TStreamStats&)>
std::optional<TScanHit> WithStats(std::span<const std::uint8_t> rom, std::size_t pos,
                                  std::uint32_t minSize, TStreamStats* stats) {
  if (pos >= rom.size()) return std::nullopt;
  TStreamStats local;
  TStreamStats& st = stats != nullptr ? *stats : local;
  std::uint8_t* marks = st.literalMarks;
  const std::uint32_t marksEnd = st.marksEnd;  // marks set before and not yet cleared
  st = {};
  st.literalMarks = marks;
  st.marksEnd = marksEnd;
  return Check(rom, pos, minSize, st);
}

}  // namespace

std::optional<TScanHit> CheckLZ10Hit(std::span<const std::uint8_t> rom, std::size_t pos,
                                     std::uint32_t minSize, TStreamStats* stats) {
  return WithStats<CheckLZ10>(rom, pos, minSize, stats);
}
std::optional<TScanHit> CheckFF5Hit(std::span<const std::uint8_t> rom, std::size_t pos,
                                    std::uint32_t minSize, TStreamStats* stats) {
  return WithStats<CheckFF<false>>(rom, pos, minSize, stats);
}
std::optional<TScanHit> CheckFF6Hit(std::span<const std::uint8_t> rom, std::size_t pos,
                                    std::uint32_t minSize, TStreamStats* stats) {
  return WithStats<CheckFF<true>>(rom, pos, minSize, stats);
}
std::optional<TScanHit> CheckCTHit(std::span<const std::uint8_t> rom, std::size_t pos,
                                   std::uint32_t minSize, TStreamStats* stats) {
  return WithStats<CheckCT>(rom, pos, minSize, stats);
}

std::optional<TScanHit> CheckStream(std::span<const std::uint8_t> rom, std::size_t pos, int scheme,
                                    std::uint32_t minSize, TStreamStats* stats) {
  const TSchemeFormat* format = FindSchemeFormat(scheme);
  if (format == nullptr || format->check == nullptr) return std::nullopt;
  return format->check(rom, pos, minSize, stats);
}

int ContentScore(const TStreamStats& stats, std::span<const std::uint8_t> output) {
  const std::size_t n = output.size();
  if (n == 0) return 0;
  std::array<std::uint32_t, 256> histogram{};
  for (std::uint8_t b : output) ++histogram[b];
  double entropy = 0;
  for (std::uint32_t c : histogram) {
    if (c == 0) continue;
    const double q = static_cast<double>(c) / static_cast<double>(n);
    entropy -= q * std::log2(q);
  }
  // Bytes that repeat a byte of the same tile row (the next plane or row of a planar tile)
  // or of the tile before (16, 32 and 64 bytes: 2, 4 and 8 bits per pixel).
  std::size_t repeats = 0;
  for (std::size_t i = 2; i < n; ++i) {
    const std::uint8_t b = output[i];
    if (b == output[i - 1] || b == output[i - 2] || (i >= 16 && b == output[i - 16]) ||
        (i >= 32 && b == output[i - 32]) || (i >= 64 && b == output[i - 64])) {
      ++repeats;
    }
  }
  const double repeatShare = n > 2 ? static_cast<double>(repeats) / static_cast<double>(n - 2) : 0;
  // Literals where the bytes were already in reach: an encoder takes a back-reference there
  // (a 3-byte match at most 2047 bytes back, or a zero run at the start that the zero ring of
  // FF5 and FF6 holds), chance streams do not care. Checked against the last place of each
  // 3-byte value, so a few true matches go unseen.
  double wastedShare = 0;
  if (stats.literalMarks != nullptr && n >= 3) {
    // Slots hold base + position + 1; those below base + 1 are from earlier calls, so the
    // table is cleared only when the base wraps.
    thread_local std::vector<std::uint32_t> last(1u << 16, 0);
    thread_local std::uint32_t base = 0;
    if (base > (1u << 31)) {
      std::fill(last.begin(), last.end(), 0);
      base = 0;
    }
    std::size_t literals = 0;
    std::size_t wasted = 0;
    for (std::size_t i = 0; i + 2 < n; ++i) {
      const std::uint32_t key = (output[i] * 251u + output[i + 1]) * 251u + output[i + 2];
      const std::uint32_t slot = (key * 2654435761u) >> 16;
      if (stats.literalMarks[i] != 0) {
        ++literals;
        const std::uint32_t stamp = last[slot];
        const std::size_t j = stamp > base ? stamp - base - 1 : i;
        const bool zeroRun = stats.zeroRing && i < 2014 && key == 0;
        if (zeroRun || (j < i && i - j <= 2047 && output[j] == output[i] &&
                        output[j + 1] == output[i + 1] && output[j + 2] == output[i + 2])) {
          ++wasted;
        }
      }
      last[slot] = base + static_cast<std::uint32_t>(i) + 1;
    }
    base += static_cast<std::uint32_t>(n) + 1;
    if (literals != 0) wastedShare = static_cast<double>(wasted) / static_cast<double>(literals);
  }

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

int ScoreStream(const TStreamStats& stats, std::span<const std::uint8_t> output) {
  const int content = ContentScore(stats, output);
  const std::uint64_t written = std::uint64_t{stats.literals} + stats.referenceBytes;
  // An encoder spends at most 9 bits a byte, plus its header, flags and records.
  const bool encoderSized = std::uint64_t{stats.comprSize} * 8 <= written * 9 + 8 * 24;
  const bool facts =
      stats.endExact && stats.unusedFlagsZero && encoderSized && stats.strayZeroRing == 0;
  if (!facts) return std::min(content, kDefaultMinScore - 1);
  if (written < kFactsMinOutput) return content;
  return kDefaultMinScore + (100 - kDefaultMinScore) * content / 100;
}

std::optional<TScanHit> CheckAndScore(std::span<const std::uint8_t> rom, std::size_t pos,
                                      int scheme, std::uint32_t minSize) {
  // Both buffers are made once per thread; the marks are cleared after use as far as the
  // checker set them, and the sample is read only as far as the decoder wrote it.
  thread_local std::vector<std::uint8_t> marks(kScoreSample, 0);
  TStreamStats stats;
  stats.literalMarks = marks.data();
  auto hit = CheckStream(rom, pos, scheme, minSize, &stats);
  struct TClear {
    std::vector<std::uint8_t>& marks;
    const TStreamStats& stats;
    ~TClear() { std::fill_n(marks.begin(), stats.marksEnd, 0); }
  } clear{marks, stats};
  if (!hit) return hit;
  stats.zeroRing = scheme == kSchemeFF5 || scheme == kSchemeFF6;
  thread_local TDecodeBuffer sample(kScoreSample, 0);
  const auto stream = rom.subspan(pos, hit->comprSize);
  std::size_t n = 0;
  switch (scheme) {
    case kSchemeLZ10: n = SampleLZ10(stream.data(), hit->rawSize, sample); break;
    case kSchemeFF5:
      DecompressFF5(stream, sample);
      n = hit->rawSize;
      break;
    case kSchemeFF6:
      DecompressFF6(stream, sample);
      n = hit->rawSize;
      break;
    default:
      DecompressCT(stream, sample);
      n = hit->rawSize;
      break;
  }
  n = std::min(n, sample.size());
  stats.comprSize = hit->comprSize;
  hit->score = ScoreStream(stats, std::span<const std::uint8_t>(sample.data(), n));
  return hit;
}

std::vector<TScanHit> ScanStreams(std::span<const std::uint8_t> rom, std::span<const int> schemes,
                                  const TScanOptions& options) {
  std::vector<TScanHit> hits;
  const std::size_t align = options.align == 0 ? 1 : options.align;
  const std::size_t size = rom.size();
  const std::size_t total = size * schemes.size();
  bool stopped = false;
  for (std::size_t k = 0; k < schemes.size() && !stopped; ++k) {
    const int scheme = schemes[k];
    const std::size_t base = size * k;
    const auto report = [&](std::size_t done) {
      return !options.progress || options.progress(base + done, total);
    };
    if (scheme == kSchemeLZ10) {
      // The linear scan, then the score of each stream it found.
      // Only a stream that scores hides the positions inside it: a chance stream that does
      // not must not hide a real one that starts inside it.
      TLZ10ScanOptions lz{options.minSize, options.align, options.overlaps, nullptr};
      lz.progress = [&](std::size_t done, std::size_t) { return report(done); };
      lz.accept = [&](const TLZ10Stream& s) {
        auto hit = CheckAndScore(rom, s.address, kSchemeLZ10, options.minSize);
        if (!hit || hit->score < options.minScore) return false;
        hits.push_back(*hit);
        return true;
      };
      ScanLZ10(rom, lz);
      stopped = options.progress && !report(size - 1);
      continue;
    }
    // Every position is checked (chance hits must not hide the streams they overlap); the
    // overlaps are settled by score below.
    std::size_t nextReport = 0;
    for (std::size_t pos = 0; pos < size; pos += align) {
      if (pos >= nextReport) {
        nextReport = pos + kProgressStride;
        if (!report(pos)) {
          stopped = true;
          break;
        }
      }
      if (!CheckStream(rom, pos, scheme, options.minSize)) continue;
      auto hit = CheckAndScore(rom, pos, scheme, options.minSize);
      if (hit->score < options.minScore) continue;
      hits.push_back(*hit);
    }
  }

  std::sort(hits.begin(), hits.end(), [](const TScanHit& a, const TScanHit& b) {
    return a.address != b.address ? a.address < b.address : a.scheme < b.scheme;
  });
  if (options.overlaps) return hits;
  // Among overlapping hits the best score wins.
  std::vector<std::size_t> order(hits.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return hits[a].score > hits[b].score; });
  std::vector<std::pair<std::size_t, std::size_t>> kept;  // [start, end) by start
  std::vector<bool> keep(hits.size(), false);
  for (std::size_t i : order) {
    const std::size_t start = hits[i].address;
    const std::size_t end = start + std::max<std::uint32_t>(hits[i].comprSize, 1);
    auto it = std::lower_bound(kept.begin(), kept.end(), std::make_pair(start, std::size_t{0}));
    const bool clashNext = it != kept.end() && it->first < end;
    const bool clashPrev = it != kept.begin() && std::prev(it)->second > start;
    if (clashNext || clashPrev) continue;
    kept.insert(it, {start, end});
    keep[i] = true;
  }
  std::vector<TScanHit> result;
  for (std::size_t i = 0; i < hits.size(); ++i) {
    if (keep[i]) result.push_back(hits[i]);
  }
  return result;
}

}  // namespace tegulo
