// The score of a filter's stream: Diff-8 and Diff-16 (see filter_score.h).
#include "compress/scan/filter_score.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdlib>

#include "compress/bios/bios_header.h"
#include "compress/scan/stream_scan.h"

namespace tegulo {
namespace {

using TCounts = std::array<std::uint32_t, 256>;

// The bytes at `from`, `from + step`, ... of `bytes` counted.
TCounts Count(std::span<const std::uint8_t> bytes, std::size_t from, std::size_t step) {
  TCounts counts{};
  for (std::size_t i = from; i < bytes.size(); i += step) ++counts[bytes[i]];
  return counts;
}

double Entropy(const TCounts& counts) {
  std::uint64_t total = 0;
  for (std::uint32_t c : counts) total += c;
  if (total == 0) return 0;
  double entropy = 0;
  for (std::uint32_t c : counts) {
    if (c == 0) continue;
    const double q = static_cast<double>(c) / static_cast<double>(total);
    entropy -= q * std::log2(q);
  }
  return entropy;
}

// The share of the second half's bytes at a value the first half holds.
double Kept(std::span<const std::uint8_t> bytes, std::size_t from, std::size_t step) {
  const std::size_t units = (bytes.size() - from + step - 1) / step;
  if (units < 2) return 0;
  const std::size_t cut = from + units / 2 * step;
  const TCounts first = Count(bytes.first(cut), from, step);
  const TCounts second = Count(bytes, cut, step);
  std::size_t kept = 0;
  for (std::size_t v = 0; v < 256; ++v) kept += first[v] != 0 ? second[v] : 0;
  const std::size_t secondUnits = units - units / 2;
  return static_cast<double>(kept) / static_cast<double>(secondUnits);
}

// The longest run of values, going round from 0xFF to 0, that none of `counts` holds.
int LongestGap(const TCounts& counts) {
  int best = 0;
  int run = 0;
  for (int k = 0; k < 512; ++k) {  // twice round, for the run that wraps
    run = counts[k & 0xFF] == 0 ? run + 1 : 0;
    best = std::max(best, run);
  }
  return std::min(best, 256);
}

unsigned UnitAt(std::span<const std::uint8_t> bytes, std::size_t i, int unitBytes) {
  return unitBytes == 2 ? bytes[i] | bytes[i + 1] << 8 : bytes[i];
}

// The runs of at least kLevelRun equal units, and how many of them stand at the level of one
// of the kLevelMemory runs before.
void CountLevels(std::span<const std::uint8_t> output, int unitBytes, TFilterFacts& facts) {
  const auto unit = static_cast<std::size_t>(unitBytes);
  std::array<unsigned, kLevelMemory> seen{};
  std::size_t runStart = 0;
  std::size_t zeros = 0;
  std::size_t flat = 0;
  bool moved = false;  // a unit that is not 0 came before
  const std::size_t n = output.size() / unit * unit;
  for (std::size_t i = unit; i <= n; i += unit) {
    if (i < n && UnitAt(output, i, unitBytes) == UnitAt(output, runStart, unitBytes)) continue;
    const unsigned level = UnitAt(output, runStart, unitBytes);
    if (i - runStart >= kLevelRun * unit) {
      const std::size_t known = std::min(facts.levels, kLevelMemory);
      if (std::find(seen.begin(), seen.begin() + static_cast<std::ptrdiff_t>(known), level) !=
          seen.begin() + static_cast<std::ptrdiff_t>(known)) {
        ++facts.returns;
      }
      seen[facts.levels % kLevelMemory] = level;
      ++facts.levels;
      facts.zeroLevels += level == 0 ? 1 : 0;
      facts.zeroReturns += level == 0 && moved ? 1 : 0;
      flat += i - runStart;
    }
    zeros += level == 0 ? (i - runStart) / unit : 0;
    moved = moved || level != 0;
    runStart = i;
  }
  facts.zeroShare = n != 0 ? static_cast<double>(zeros * unit) / static_cast<double>(n) : 0;
  facts.flatShare = n != 0 ? static_cast<double>(flat) / static_cast<double>(n) : 0;
}

double Ramp(double v, double from, double to) {
  return std::clamp((v - from) / (to - from), 0.0, 1.0);
}

std::size_t Values(const TCounts& counts) {
  return static_cast<std::size_t>(
      std::count_if(counts.begin(), counts.end(), [](std::uint32_t c) { return c != 0; }));
}

// The output's entropy and gap: all the score's first test needs.
void OutputFacts(std::span<const std::uint8_t> output, int unitBytes, TFilterFacts& facts) {
  const auto unit = static_cast<std::size_t>(unitBytes);
  const TCounts counts = Count(output, unit - 1, unit);
  facts.outEntropy = Entropy(counts);
  facts.gap = LongestGap(counts);
  if (unitBytes == 1) facts.outValues = Values(counts);
}

// The colours a whole tile holds on average, `bytes` read as SNES 4bpp planar tiles (32 bytes:
// planes 0 and 1 row by row, then planes 2 and 3); 0 when it holds none.
double PlanarColours(std::span<const std::uint8_t> bytes) {
  constexpr std::size_t kTile = 32;
  const std::size_t tiles = bytes.size() / kTile;
  if (tiles == 0) return 0;
  unsigned total = 0;
  for (std::size_t t = 0; t < tiles; ++t) {
    const std::uint8_t* tile = bytes.data() + t * kTile;
    unsigned seen = 0;  // bit c: colour c met
    for (std::size_t row = 0; row < 16; row += 2) {
      const unsigned p0 = tile[row];
      const unsigned p1 = tile[row + 1];
      const unsigned p2 = tile[row + 16];
      const unsigned p3 = tile[row + 17];
      for (unsigned x = 0; x < 8; ++x) {
        const unsigned c =
            (p0 >> x & 1U) | (p1 >> x & 1U) << 1U | (p2 >> x & 1U) << 2U | (p3 >> x & 1U) << 3U;
        seen |= 1U << c;
      }
    }
    total += static_cast<unsigned>(std::popcount(seen));
  }
  return static_cast<double>(total) / static_cast<double>(tiles);
}

// How far off 0 the output's units, read as signed samples, stand on average: |mean| over the
// range they span (0 for a sound, which swings both ways round 0).
double Centre(std::span<const std::uint8_t> output, int unitBytes) {
  const auto unit = static_cast<std::size_t>(unitBytes);
  const std::size_t units = output.size() / unit;
  if (units == 0) return 0;
  std::int64_t sum = 0;
  int lo = 0x7FFF;
  int hi = -0x8000;
  for (std::size_t k = 0; k < units; ++k) {
    const unsigned u = UnitAt(output, k * unit, unitBytes);
    const int v = unitBytes == 2 ? static_cast<std::int16_t>(u) : static_cast<std::int8_t>(u);
    sum += v;
    lo = std::min(lo, v);
    hi = std::max(hi, v);
  }
  const double mean = static_cast<double>(sum) / static_cast<double>(units);
  return std::abs(mean) / std::max(hi - lo, 1);
}

// The correlation of each unit of the output, read signed, with the next (1: a smooth wave, 0:
// noise).
double Steadiness(std::span<const std::uint8_t> output, int unitBytes) {
  const auto unit = static_cast<std::size_t>(unitBytes);
  const std::size_t units = output.size() / unit;
  if (units < 2) return 0;
  const auto at = [&](std::size_t k) {
    const unsigned u = UnitAt(output, k * unit, unitBytes);
    return static_cast<double>(unitBytes == 2 ? static_cast<std::int16_t>(u)
                                              : static_cast<std::int8_t>(u));
  };
  double sum = 0;
  for (std::size_t k = 0; k < units; ++k) sum += at(k);
  const double mean = sum / static_cast<double>(units);
  double last = at(0) - mean;
  double spread = last * last;
  double together = 0;
  for (std::size_t k = 1; k < units; ++k) {
    const double v = at(k) - mean;
    spread += v * v;
    together += v * last;
    last = v;
  }
  return spread > 0 ? together / spread : 0;
}

// The others.
void OtherFacts(std::span<const std::uint8_t> body, std::span<const std::uint8_t> output,
                int unitBytes, TFilterFacts& facts) {
  const auto unit = static_cast<std::size_t>(unitBytes);
  const std::size_t high = unit - 1;  // the byte that carries a unit's shape
  const TCounts bodyUnits = Count(body, high, unit);
  facts.bodyEntropy = Entropy(bodyUnits);
  const bool isShort = output.size() <= kFewValuesOutput;
  if (unitBytes == 2) {
    const TCounts outBytes = Count(output, 0, 1);
    const TCounts bodyBytes = Count(body, 0, 1);
    facts.outBytesEntropy = Entropy(outBytes);
    facts.bodyBytesEntropy = Entropy(bodyBytes);
    facts.outValues = Values(outBytes);
    facts.bodyValues = Values(bodyBytes);
  } else {
    facts.outBytesEntropy = facts.outEntropy;
    facts.bodyBytesEntropy = facts.bodyEntropy;
    facts.bodyValues = Values(bodyUnits);  // outValues: OutputFacts
  }
  facts.centreAll = Centre(output, unitBytes);
  if (isShort) {
    facts.outColours = PlanarColours(output);
    facts.bodyColours = PlanarColours(body);
    facts.centre = facts.centreAll;
  }
  facts.kept = Kept(output, high, unit);
  if (unitBytes == 2) {
    std::size_t clear = 0;
    std::size_t words = 0;
    for (std::size_t i = 1; i < output.size(); i += 2, ++words) clear += output[i] < 0x80 ? 1 : 0;
    facts.clearTop = words != 0 ? static_cast<double>(clear) / static_cast<double>(words) : 0;
  }
  const int limit = unitBytes == 2 ? kSmallStep16 : kSmallStep8;
  std::size_t small = 0;
  std::size_t units = 0;
  for (std::size_t i = 0; i + unit <= body.size(); i += unit, ++units) {
    const unsigned u = UnitAt(body, i, unitBytes);
    const int d = unitBytes == 2 ? static_cast<std::int16_t>(u) : static_cast<std::int8_t>(u);
    small += std::abs(d) <= limit ? 1 : 0;
  }
  facts.smallShare = units != 0 ? static_cast<double>(small) / static_cast<double>(units) : 0;
  CountLevels(output, unitBytes, facts);
  facts.steady = Steadiness(output, unitBytes);
}

}  // namespace

TFilterFacts FilterFacts(std::span<const std::uint8_t> body, std::span<const std::uint8_t> output,
                         int unitBytes) {
  TFilterFacts facts;
  OutputFacts(output, unitBytes, facts);
  OtherFacts(body, output, unitBytes, facts);
  return facts;
}

namespace {

constexpr std::size_t kHeader = 4;
// A 16-bit blank alone among zeros: less sure than one whose zeros stop at its end, and still
// at the default minimum score over the shortest body (less its length's penalty).
constexpr int kLoneBlankScore = kDefaultMinScore + 10;

bool AllZero(std::span<const std::uint8_t> bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; });
}

double LengthPenalty(std::size_t size) {
  return 10 * (1 - Ramp(std::log2(static_cast<double>(size)), 5, 7));
}

// The differences a body holds that are not 0, counted up to `most` + 1.
std::size_t Marks(std::span<const std::uint8_t> body, std::size_t most) {
  std::size_t marks = 0;
  for (std::size_t i = 0; i < body.size() && marks <= most; ++i) marks += body[i] != 0 ? 1 : 0;
  return marks;
}

// The share of differences, at most, that a nearly blank body holds: a mark or two on a blank
// area.
constexpr std::size_t kBlankMarkShare = 128;
// The zero differences at least that end a nearly blank body.
constexpr std::size_t kBlankTail = 16;

// The score of a filtered blank (every difference 0, or all but a few before its last
// kBlankTail), or -1 when the body is not blank.
//  - A byte that is not 0 right after the last difference (or in the padding to 4 bytes): the
//    zeros stop where the header says the stream stops. A chance header before zeros states a
//    size of its own, seldom the length of the run.
//  - 16-bit units, zeros that run on, but a header alone among zeros (its 4 bytes before are 0
//    too): a chance 16-bit header there is a burst of exactly its three bytes, a type byte and
//    an even size no longer than the run after it, where sparse data and tiles hold the 8-bit
//    header's two type bytes and any size far more often. Over eight 32 MiB test ROMs, 7
//    filtered 16-bit blanks stand so and not one chance 16-bit header (6 chance 8-bit ones
//    against 3 filtered 8-bit blanks: no fact for 8 bits).
//  - Otherwise 0: byte for byte a chance header before zeros.
// A nearly blank body counts only where its zeros stop at its end; the rest are scored as data.
int BlankScore(std::span<const std::uint8_t> stream, int unitBytes,
               std::span<const std::uint8_t> after, std::span<const std::uint8_t> before) {
  const auto body = stream.subspan(kHeader);
  const std::size_t size = body.size();
  const std::size_t marks = Marks(body, size / kBlankMarkShare);
  if (marks > size / kBlankMarkShare) return -1;
  const std::size_t padding = (0 - stream.size()) % 4;
  const bool stopsAtTheEnd = !AllZero(after.first(std::min(after.size(), padding + 1)));
  if (marks != 0 && (size < 2 * kBlankTail || !AllZero(body.last(kBlankTail)) || !stopsAtTheEnd)) {
    return -1;
  }
  if (stopsAtTheEnd) return static_cast<int>(std::lround(100 - LengthPenalty(size)));
  if (unitBytes == 2 && before.size() >= kHeader && AllZero(before.last(kHeader))) {
    return static_cast<int>(std::lround(kLoneBlankScore - LengthPenalty(size)));
  }
  return 0;
}

// How far the end of a body longer than the score's sample is scored apart.
constexpr std::size_t kEndWindow = 4096;
// The least half of a sample looked at apart.
constexpr std::size_t kHalfWindow = 1024;

// Running sums that hold nearly every value with little order and are no simpler than the
// bytes summed: noise, or bytes of another kind summed. (Colours filtered by 8 hold every
// value too, but their differences are noisier still.)
bool Wanders(std::span<const std::uint8_t> body, std::span<const std::uint8_t> output,
             int unitBytes) {
  TFilterFacts f;
  OutputFacts(output, unitBytes, f);
  if (f.outEntropy <= 6.5 || f.gap >= 32) return false;
  const auto unit = static_cast<std::size_t>(unitBytes);
  return Entropy(Count(body, unit - 1, unit)) < f.outEntropy + 0.1;
}

// The score of one stretch of differences, `body`, and of the running sums they give, `output`.
int WindowScore(std::span<const std::uint8_t> body, std::span<const std::uint8_t> output,
                int unitBytes, int needed) {
  TFilterFacts f;
  OutputFacts(output, unitBytes, f);
  const double content =
      std::min(Ramp(f.outEntropy, 0.002, 0.01), 1 - Ramp(f.outEntropy, 7.2, 7.7));
  if (std::lround(100 * content) < needed) return 0;
  OtherFacts(body, output, unitBytes, f);
  const double down =
      std::max(f.bodyEntropy - f.outEntropy, f.bodyBytesEntropy - f.outBytesEntropy);
  const double up = std::max(f.outEntropy - f.bodyEntropy, f.outBytesEntropy - f.bodyBytesEntropy);
  const double bounded = Ramp(f.gap, 32, 96);
  // Behind a chance header the running sums are hardly ever simpler than the bytes, save
  // over the few bytes of the shortest streams.
  const double simpler = output.size() >= 64 ? Ramp(down, 0.1, 0.3) : Ramp(down, 0.15, 0.6);
  // Behind a chance header the output holds about as many byte values as the bytes, or more
  // (a running sum spreads data of few values); a quarter fewer is plenty. Where the entropies
  // are too rough (short outputs) or the runs of the data hide in theirs (8bpp tiles in words),
  // the count still tells. A few values more on both sides keep sparse bytes of a handful of
  // values from counting by chance.
  const double fewer = Ramp(
      1 - static_cast<double>(f.outValues + 2) / static_cast<double>(f.bodyValues + 2), 0.1, 0.25);
  // Many values, yet a wide arc of them never met over a long sample: a wave in its range
  // (sound, whose differences need not be simpler: a drum's are noise too).
  // Quiet 16-bit sound holds few high bytes; its values show in all its bytes.
  const double values = unitBytes == 2 ? std::max(f.outEntropy, f.outBytesEntropy) : f.outEntropy;
  const double wave = Ramp(f.gap, 64, 128) *
                      Ramp(std::log2(static_cast<double>(output.size())), 8, 10) *
                      Ramp(values, 3, 4) * (1 - Ramp(f.outEntropy, 7.0, 7.5));
  // An output that stands at one level most of the time is no wave: a chance header before
  // sparse bytes sums them to a staircase, and a 16-bit one before zeros holds the sum of the
  // bytes before them, two byte values against one. Words of a map stand in runs (blank
  // cells) and still count.
  const double flatFrom = unitBytes == 2 ? 0.8 : 0.5;
  // A short wave to one side of 0 is the running sum of quiet sound behind a chance header
  // more often than a filtered stream (centre is only weighed over short outputs).
  const double offCentre = Ramp(f.centre, 0.15, 0.3);
  // A wave over a long sample asks fewer small steps: a loud drum's are noise.
  const double smooth = Ramp(f.kept, 0.6, 0.85) *
                        std::max(Ramp(f.smallShare, 0.4, 0.7) * Ramp(up, 0.3, 0.8) * bounded,
                                 Ramp(f.smallShare, 0.25, 0.5) * wave) *
                        (1 - Ramp(f.flatShare, flatFrom, flatFrom + 0.15)) * (1 - offCentre);
  const double colours = Ramp(up, 1.0, 2.0) * Ramp(f.clearTop, 0.97, 1.0) * bounded;
  const double returnShare =
      f.levels >= 2 ? static_cast<double>(f.returns) / static_cast<double>(f.levels - 1) : 0;
  // Runs in an output near noise say little. Over many runs a chance header's share of
  // returns is known closely (a few in ten at most), so a half is plenty.
  const double fullReturns = f.levels >= 16 ? 0.5 : 0.8;
  const double returning =
      f.levels >= 3 ? Ramp(returnShare, 0.3, fullReturns) * (1 - Ramp(f.outEntropy, 6.0, 7.0)) : 0;
  // Sparse data: mostly 0, every long run at 0, one of them after a burst. Behind a chance
  // header a burst moves the running sum off 0 for good (unless its bytes sum to 0).
  const double sparse =
      f.zeroReturns >= 1 && f.zeroLevels == f.levels ? Ramp(f.zeroShare, 0.8, 0.9) : 0;
  // Runs that cover a sliver of the output (a wave's slow turns) say little either way. A
  // chance header before sparse bytes sums them to a staircase of a few 8-bit runs already;
  // 16-bit maps and pictures stand at a few new levels now and then.
  const std::size_t driftRuns = unitBytes == 2 ? 6 : 3;
  const double drifting =
      f.levels >= driftRuns ? (1 - Ramp(returnShare, 0.1, 0.25)) * Ramp(f.flatShare, 0.1, 0.2) : 0;
  // The same in colours: a running sum of tiles or sparse bytes read as tiles draws with at
  // least the colours of the bytes, hardly ever two fewer.
  const double fewerColours = Ramp(f.bodyColours - f.outColours, 1.5, 3);
  // A short wave (a few hundred samples of sound, too few to tell its range from a drift):
  // small steps of many sizes, in a range it keeps well inside, swinging both ways round 0,
  // without flat runs. Behind a chance header small steps come from sparse bytes of few
  // values, or sum to a staircase.
  const double shortWave = output.size() <= kFewValuesOutput
                               ? Ramp(f.smallShare, 0.6, 0.75) * Ramp(f.gap, 96, 128) *
                                     Ramp(f.bodyBytesEntropy, 2.5, 3) *
                                     (1 - Ramp(f.flatShare, 0.1, 0.2)) * (1 - offCentre)
                               : 0;
  // A wave of any length: each unit near the one before, without flats, swinging both ways
  // round 0 in a range it keeps, the values of its first half again in its second, and not
  // far more complex than its differences. Behind a chance header a running sum as steady
  // either wanders over every value (16-bit: its differences far simpler than it) or stands
  // in flats (sparse bytes summed). Over eight 32 MiB test ROMs it lifts 7 of 9 sounds that
  // scored 58-76 and none of 15,243 chance headers that score 50-79.
  const double summedWave = Ramp(f.steady, 0.55, 0.65) * (1 - Ramp(f.flatShare, 0.1, 0.2)) *
                            Ramp(f.kept, 0.55, 0.65) * (1 - Ramp(f.centreAll, 0.15, 0.3)) *
                            Ramp(f.gap, 32, 48) * (1 - Ramp(up, 2, 3));
  // A running sum that moves to a new level with each run holds new values with each: fewer
  // values than the differences stand apart from drifting.
  const double evidence =
      std::max(std::max({simpler, smooth, colours, returning, sparse, summedWave}) * (1 - drifting),
               std::max({fewer, fewerColours, shortWave}));
  double score = 100 * content * (0.55 + 0.45 * evidence);
  score -= LengthPenalty(output.size());
  return static_cast<int>(std::lround(std::clamp(score, 0.0, 100.0)));
}

// The score of the last kEndWindow bytes of `body` (all the differences), their running sums
// taken from the body's start.
int EndScore(std::span<const std::uint8_t> body, int unitBytes, int needed) {
  const auto unit = static_cast<std::size_t>(unitBytes);
  const std::size_t start = (body.size() - std::min(body.size(), kEndWindow)) / unit * unit;
  unsigned acc = 0;
  for (std::size_t i = 0; i + unit <= start; i += unit) acc += UnitAt(body, i, unitBytes);
  std::array<std::uint8_t, kEndWindow + 2> output{};
  const std::size_t n = std::min(body.size() - start, kEndWindow) / unit * unit;
  for (std::size_t i = 0; i < n; i += unit) {
    acc += UnitAt(body, start + i, unitBytes);
    output[i] = static_cast<std::uint8_t>(acc);
    if (unit == 2) output[i + 1] = static_cast<std::uint8_t>(acc >> 8U);
  }
  return WindowScore(body.subspan(start, n), std::span(output).first(n), unitBytes, needed);
}

// FilteredScore whatever the header's type byte.
int AnyTypeScore(std::span<const std::uint8_t> stream, std::span<const std::uint8_t> output,
                 int unitBytes, int needed, std::span<const std::uint8_t> after,
                 std::span<const std::uint8_t> before) {
  if (output.size() < 16 || stream.size() <= kHeader) return 0;
  const std::span<const std::uint8_t> body =
      stream.subspan(kHeader, std::min(stream.size() - kHeader, output.size()));
  output = output.first(body.size());
  if (output[0] == 0) {
    const int blank = BlankScore(stream, unitBytes, after, before);
    if (blank >= 0) return blank;
  }
  int score = WindowScore(body, output, unitBytes, needed);
  // A stream holds one kind of data throughout: a chance header before other bytes and a
  // real stream reads as filtered data over the whole, while the running sum of its first
  // half wanders over every value. A real stream's half may be quiet or plain, not that.
  if (score >= needed && output.size() >= 2 * kHalfWindow) {
    const std::size_t half = output.size() / 2 / 2 * 2;
    if (Wanders(body.first(half), output.first(half), unitBytes) ||
        Wanders(body.subspan(half), output.subspan(half), unitBytes)) {
      score = std::min(score, kDefaultMinScore - 1);
    }
  }
  // A body longer than the sample holds one kind of data to its end too; a chance header's
  // size runs on into whatever follows.
  if (score >= needed && stream.size() - kHeader > body.size()) {
    score = std::min(score, EndScore(stream.subspan(kHeader), unitBytes, needed));
  }
  return score;
}

// The points a stream under the 8-bit header's other type byte (0x80) loses. Only a handheld
// tool of a later console writes that byte, and it is the commonest byte of planar tiles (one
// pixel at the left edge): in mixed content it starts 3.4 times as many headers as 0x81, and
// data of few values behind them (sparse rows of tiles) scores high. Over eight 32 MiB test
// ROMs, 9 chance 0x80 headers outside other streams score 80 or more and no 0x81 one; 6 of
// them score below 95, where 7 % of filtered streams fall.
constexpr int kOtherTypeDoubt = 15;

}  // namespace

int FilteredScore(std::span<const std::uint8_t> stream, std::span<const std::uint8_t> output,
                  int unitBytes, int needed, std::span<const std::uint8_t> after,
                  std::span<const std::uint8_t> before) {
  const int doubt =
      unitBytes == 1 && !stream.empty() && stream[0] == bios::kTypeDiff8Other ? kOtherTypeDoubt : 0;
  return std::max(AnyTypeScore(stream, output, unitBytes, needed + doubt, after, before) - doubt,
                  0);
}

}  // namespace tegulo
