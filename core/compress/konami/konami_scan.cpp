// "Konami-1", "Konami-2" and "Konami-2R" in the scan: the checker, its facts and the commands
// an encoder would not write, the quick probe of a position's first commands, and the backward
// pass that finds every position's stated end for one version or several at once.
#include <algorithm>
#include <array>
#include <bit>
#include <cassert>
#include <optional>
#include <span>
#include <vector>

#include "base/uCommon.h"
#include "compress/konami/konami.h"
#include "compress/konami/konami_walk.h"

namespace tegulo {

using namespace konami::walk;

namespace {

// What a scan asks beyond the format's rules: no copy reading further before the output than
// an encoder reads, no raw run right after one it could have joined, few equal raw bytes in a
// row; the literal and copy figures of the score.
struct TScanHook {
  TStreamStats& st;
  std::span<const std::uint8_t> s;
  const std::uint8_t* out;  // the output written so far
  bool reordered;           // literal marks go where the re-interleaving puts their bytes
  TLiteralRun run;
  std::size_t lastRaw = kMaxRaw;      // the count of the raw run just before, else kMaxRaw
  std::size_t lastPairs = kMaxCount;  // the same for a run of zero-interleaved pairs
  bool oneCommandForZeros = true;     // Konami-1: no long zero run
  // Fills and zero runs in a row that write one byte value: the value (0x100: none), the
  // bytes written and the stream bytes they took.
  unsigned runValue = 0x100;
  std::size_t runCount = 0;
  std::size_t runCost = 0;
  // The run before in that row when it was short of its form's longest, else 0; and the
  // pairs of such runs that one of the longest and one of the rest write for the same bytes.
  // An encoder splits a row of one value with the longest first or last (a greedy or an exact
  // parse), so that at most one run is short, or two only where the rest would be one byte;
  // chance rows in fillers and tables have runs of any counts.
  std::size_t shortRunBefore = 0;
  std::uint32_t untidyRuns = 0;
  std::uint32_t commands = 0;
  std::size_t zeroRunBytes = 0;  // written by zero runs
  // Whether every row of zero runs has at most one run shorter than its form's longest, as an
  // encoder splits a blank area (the rest first or last); delta-coded data reads as rows of
  // any lengths.
  bool tidyZeroRows = true;
  bool shortZeroRun = false;  // the row so far has one
  // Rows of raw runs (two or more in a row): an encoder splits a stretch it cannot pack into
  // runs of the longest but one, so a row holds at most one shorter run; chance rows seldom
  // do. Whether there is a row, whether every row is so, and the rows' state so far.
  bool rawRow = false;
  bool tidyRawRows = true;
  std::size_t rowRuns = 0;          // raw runs in the current row
  std::size_t rowShortRuns = 0;     // of those, the ones below kMaxRaw
  std::uint32_t pairRuns = 0;       // runs of zero-interleaved pairs
  std::size_t pairBytes = 0;        // and the bytes they write
  std::uint32_t repeatedPairs = 0;  // of those, the ones that a copy writes in part for less
  std::uint32_t copies = 0;
  std::size_t copyBytes = 0;  // written by copies
  // How seldom chance bytes make copies as near: a copy's distance is one of the ring's 1024,
  // so one of `d` or nearer comes once in 1024 / d; the bits of those odds over the copies.
  std::uint32_t nearCopyBits = 0;
  // Raw bytes that land in the high byte of a 16-bit word of the output (after any
  // re-interleaving): where 15-bit colours and text leave bit 7 clear.
  std::size_t highLiterals = 0;
  std::size_t fillBytes = 0;    // written by fills of a value other than zero
  std::size_t runCommands = 0;  // fills or zero runs in the current row of one value
  bool fillRow = false;         // a row of two fills or more of one value
  bool lastShortZeros = false;  // the last command is a zero run of one byte

  // Whether output byte p is the high byte of a little-endian 16-bit word once the output is
  // in its final order (a re-interleaved block holds its low bytes first, then its high ones).
  bool IsHighByte(std::size_t p) const { return reordered ? p % 16 >= 8 : p % 2 == 1; }

  // Whether every high byte of the output's words is below 0x80: 15-bit colours, ASCII text.
  bool HighBitsClear(std::size_t written) const {
    for (std::size_t p = 0; p < written; ++p) {
      if (IsHighByte(p) && out[p] >= 0x80) return false;
    }
    return true;
  }

  // The fewest stream bytes that write `n` bytes of `value` by fills or zero runs.
  std::size_t FewestRunBytes(unsigned value, std::size_t n) const {
    if (value != 0) return 2 * ((n + kMaxCount - 1) / kMaxCount);
    if (oneCommandForZeros) return (n + kMaxCount - 1) / kMaxCount;
    const std::size_t rest = n % kMaxLongZeros;
    return 2 * (n / kMaxLongZeros) + (rest == 0 ? 0 : rest < kMaxCount ? 1 : 2);
  }

  // False where a row of fills of one value took more bytes than an encoder spends on it.
  bool Run(unsigned kind, std::size_t inStart, std::size_t count) {
    if (kind != 3 && kind != 4) {
      runValue = 0x100;
      return true;
    }
    const unsigned value = kind == 3 ? s[inStart + 1] : 0;
    const bool longForm = kind == 4 && s[inStart] == 0xFF && !oneCommandForZeros;
    const std::size_t cost = kind == 3 || longForm ? 2 : 1;
    if (value != runValue) {
      runValue = value;
      runCount = 0;
      runCost = 0;
      runCommands = 0;
      shortRunBefore = 0;
    }
    ++runCommands;
    fillRow = fillRow || (kind == 3 && runCommands >= 2);
    runCount += count;
    runCost += cost;
    const std::size_t longest = kind == 3 || oneCommandForZeros ? kMaxCount : kMaxCount - 1;
    const bool shortRun = !longForm && count < longest;
    if (shortRun && shortRunBefore != 0 && shortRunBefore + count >= longest + 2) ++untidyRuns;
    shortRunBefore = shortRun ? count : 0;
    // Fillers of one value read as endless rows of fills; a stream of tiles seldom holds so
    // many equal bytes in a row, and refusing them keeps the scan of fillers short.
    return runCost <= FewestRunBytes(value, runCount) && runCount <= kMostFillRow;
  }

  // Whether a copy writes only zeros (from the ring's zeros before the output or from zeros
  // written), which a zero run writes in fewer bytes (Konami-2's 33 zeros cost two bytes
  // either way). Rows of 0xFF words in other data read as zero runs and such copies.
  bool CopiesOnlyZeros(std::size_t pos, std::size_t count, std::size_t distance) const {
    if (count > (oneCommandForZeros ? kMaxCount : kMaxCount - 1)) return false;
    // The source bytes inside the output; a copy that overlaps itself repeats them.
    const std::size_t from = distance < pos ? pos - distance : 0;
    const std::size_t to = distance < pos + count ? std::min(pos, pos + count - distance) : 0;
    return std::all_of(out + from, out + std::max(from, to), [](std::uint8_t b) { return b == 0; });
  }

  // Pairs that repeat the pair before, 4 or more at a run's end or 6 anywhere: a copy from two
  // bytes back writes them for less, whatever the pairs around them (a row of 0xFF read as
  // pairs repeats its pair to the end).
  void RepeatedPairs(std::size_t values, std::size_t n) {
    std::size_t streak = 0;
    bool repeats = false;
    for (std::size_t k = 1; k < n; ++k) {
      streak = s[values + k] == s[values + k - 1] ? streak + 1 : 0;
      repeats = repeats || streak >= 6;
    }
    repeatedPairs += repeats || streak >= 4 ? 1 : 0;
  }

  void RawRow(unsigned kind, std::size_t count) {
    if (kind != 1) {
      rowRuns = 0;
      rowShortRuns = 0;
      return;
    }
    ++rowRuns;
    rowShortRuns += count < kMaxRaw ? 1 : 0;
    if (rowRuns < 2) return;
    rawRow = true;
    tidyRawRows = tidyRawRows && rowShortRuns <= 1;
  }

  void ZeroRow(unsigned kind, std::size_t inStart, std::size_t count) {
    if (kind != 4) {
      shortZeroRun = false;
      lastShortZeros = false;
      return;
    }
    zeroRunBytes += count;
    const bool longForm = s[inStart] == 0xFF && !oneCommandForZeros;
    const std::size_t longest = longForm             ? kMaxLongZeros
                                : oneCommandForZeros ? kMaxCount
                                                     : kMaxCount - 1;
    tidyZeroRows = tidyZeroRows && !(count < longest && shortZeroRun);
    shortZeroRun = shortZeroRun || count < longest;
    lastShortZeros = !longForm;
  }

  bool Command(unsigned kind, std::size_t inStart, std::size_t pos, std::size_t count,
               std::size_t distance) {
    ++commands;
    ZeroRow(kind, inStart, count);
    RawRow(kind, count);
    pairRuns += kind == 2 ? 1 : 0;
    pairBytes += kind == 2 ? count : 0;
    copies += kind == 0 ? 1 : 0;
    copyBytes += kind == 0 ? count : 0;
    fillBytes += kind == 3 ? count : 0;
    if (kind == 0) nearCopyBits += 10 - static_cast<std::uint32_t>(std::bit_width(distance - 1));
    if (!Run(kind, inStart, count)) return false;
    if (kind == 0 && CopiesOnlyZeros(pos, count, distance)) return false;
    if (kind == 2) RepeatedPairs(inStart + 1, count / 2);
    // Two runs of pairs that one could hold cost a byte more (code reads as such rows).
    const std::size_t pairs = kind == 2 ? count / 2 : kMaxCount;
    if (lastPairs + pairs <= kMaxCount) return false;
    lastPairs = pairs;
    if (kind != 1) {
      run.Break();
      lastRaw = kMaxRaw;
      ++st.references;
      return kind != 0 || distance <= pos + kZeroReach;
    }
    // Two raw runs that one could hold cost a byte more; two that one cannot hold are split
    // anywhere by an exact parse (20 + 20 costs what 31 + 9 does).
    if (lastRaw + count <= kMaxRaw) return false;
    lastRaw = count;
    for (std::size_t k = 0; k < count; ++k) {
      const std::size_t p = pos + k;
      // Re-interleaved output places a raw run's bytes apart, where the score's search for
      // copies the encoder missed finds other neighbours: only plain output is marked.
      if (!reordered) st.MarkLiteral(static_cast<std::uint32_t>(p));
      highLiterals += IsHighByte(p) ? 1 : 0;
      if (inStart + 1 + k < s.size() && !run.Add(s[inStart + 1 + k])) return false;
    }
    st.literals += static_cast<std::uint32_t>(count);
    return true;
  }
};

}  // namespace

namespace {

// Where a stream's raw runs lie in the output (1), and where its runs of zero-interleaved
// pairs start (2, with their output bytes in pairs[]).
struct TRawRuns {
  std::vector<std::uint8_t>& marks;
  std::vector<std::uint32_t>& pairs;
  std::span<const std::uint8_t> s;
  const std::uint8_t* out;      // the output the walk writes
  unsigned lastCopy = 0x10000;  // the word of the copy just before, else 0x10000
  unsigned sameCopies = 0;      // copies in a row with that word
  std::uint32_t repeats = 0;    // copies that a longer one writes for less
  // The copy just before (count 0: none), and a copy followed by another whose bytes the walk
  // has still to write when the second is told.
  struct TCopy {
    std::size_t pos = 0;
    std::size_t count = 0;
    std::size_t distance = 0;
  };
  TCopy before{};
  TCopy first{};
  std::size_t second = 0;  // the count of the copy after `first`, 0: none waiting

  // Two copies in a row whose bytes the first one's source goes on to write, 33 or fewer in
  // all: one copy writes them for 2 stream bytes less, and an exact or greedy parse takes it.
  // Chance streams in tile data read as short copies in a row from a repeating row. Checked
  // once the second copy's bytes are written (at the next command, or after the walk).
  void JoinableCopies() {
    if (second == 0) return;
    const std::size_t a = first.count;
    const std::size_t end = a + second;
    second = 0;
    if (end > kMaxCount || first.distance > first.pos || first.pos + end > marks.size() - 1) return;
    const std::uint8_t* from = out + first.pos - first.distance;
    const std::uint8_t* to = out + first.pos;
    repeats += std::equal(from + a, from + end, to + a) ? 1 : 0;
  }

  bool Command(unsigned kind, std::size_t inStart, std::size_t pos, std::size_t count,
               std::size_t distance) {
    JoinableCopies();
    if (kind == 0 && before.count != 0) {
      first = before;
      second = count;
    }
    before = kind == 0 ? TCopy{pos, count, distance} : TCopy{};
    // The same copy three times in a row writes its bytes thrice, which one copy from as far
    // back writes for less where they fit in one (16 bytes or fewer): chance streams in
    // tilemaps read as rows of equal words.
    const unsigned word = kind == 0 ? s[inStart] << 8U | s[inStart + 1] : 0x10000;
    sameCopies = word == lastCopy ? sameCopies + 1 : 1;
    lastCopy = word;
    if (kind == 0 && sameCopies >= 3 && count <= kMaxCount / 2) ++repeats;
    if (pos >= marks.size()) return false;
    const std::size_t n = std::min(count, marks.size() - pos);
    if (kind == 1) std::fill_n(marks.begin() + static_cast<std::ptrdiff_t>(pos), n, 1);
    if (kind == 2) {
      marks[pos] = 2;
      pairs[pos] = static_cast<std::uint32_t>(count);
    }
    return true;
  }
};

}  // namespace

template <TKonami V>
std::uint32_t WastefulKonamiRaws(std::span<const std::uint8_t> stream,
                                 std::span<const std::uint8_t> /*output*/) {
  // The decoded order (before any re-interleaving), as far as a score's sample goes.
  thread_local TDecodeBuffer out(kScoreSampleSize);
  thread_local std::vector<std::uint8_t> marks(kScoreSampleSize + 1);
  thread_local std::vector<std::uint32_t> pairs(kScoreSampleSize + 1);
  std::fill(marks.begin(), marks.end(), 0);
  TRawRuns hook{marks, pairs, stream, out.data()};
  const std::size_t n = std::min(Walk(stream, V, out.data(), out.size(), hook).pos, out.size());
  hook.JoinableCopies();
  // The last place of each 3-byte value (hashed; a place of another value is checked and
  // passed over, so some matches go unseen).
  constexpr unsigned kHashBits = 12;
  std::array<std::uint32_t, 1U << kHashBits> last{};
  std::uint32_t wasteful = hook.repeats;
  for (std::size_t i = 0; i + 2 < n; ++i) {
    const std::uint32_t key = out[i] | out[i + 1] << 8U | out[i + 2] << 16U;
    const std::uint32_t slot = (key * 2654435761U) >> (32U - kHashBits);
    // A raw byte followed by another where a copy of 3 or a zero run writes the same bytes
    // for less: an exact or greedy parse takes the copy, a lazy one only defers it by a byte.
    const std::size_t j = last[slot] != 0 ? last[slot] - 1 : i;
    // Raw bytes a copy writes for fewer stream bytes: 4 inside a raw run (a copy and a new
    // run's header take 3), or the last 3 of a run (a copy takes 2); three zeros that a zero
    // run writes near the start. Ties (3 raw bytes inside a run) are an exact parse's to break.
    if (marks[i] == 1 && marks[i + 1] == 1 && marks[i + 2] == 1) {
      const bool inside = i + 3 < n && marks[i + 3] == 1;
      const bool match = j < i && i - j <= kRingSize && out[j] == out[i] &&
                         out[j + 1] == out[i + 1] && out[j + 2] == out[i + 2] &&
                         (!inside || out[j + 3] == out[i + 3]);
      const bool zeros = key == 0 && i <= kZeroReach;
      wasteful += match || zeros ? 1 : 0;
    }
    // Pairs whose whole output one copy writes (2 bytes for 2 or more pairs): chance streams
    // in tilemaps read as rows of pairs repeating their words.
    if (marks[i] == 2 && pairs[i] <= kMaxCount && i + pairs[i] <= n && j < i &&
        i - j <= kRingSize) {
      std::size_t same = 0;
      while (same < pairs[i] && out[j + same] == out[i + same]) ++same;
      wasteful += same == pairs[i] ? 1 : 0;
    }
    last[slot] = static_cast<std::uint32_t>(i + 1);
  }
  return wasteful;
}

namespace {

// Two shapes of a few commands that chance bytes seldom take. Data that hardly packs
// and leaves bit 7 of every word's high byte clear, with 16 such raw bytes or more (15-bit
// colours, text): chance raw runs in code or tables have high bytes of any value, so that 16
// of them all below 0x80 come about once in 2^16. And mostly fills, with two or more of one
// value in a row (which the checker's rules on runs keep to an encoder's split, all of the
// longest but one): a solid area of 8bpp tiles. Of the few-command readings of chance bytes
// in the scan bench's ROMs (8 seeds, 156 over the three versions) none has either shape.
bool ColoursOrFills(const TScanHook& hook, std::size_t written, std::uint32_t literals) {
  constexpr std::size_t kClearHighBytes = 16;
  const bool colours = 2 * std::size_t{literals} >= written &&
                       hook.highLiterals >= kClearHighBytes && hook.HighBitsClear(written);
  const bool fills = hook.fillRow && 2 * hook.fillBytes >= written;
  return colours || fills;
}

// The length reached exactly by whole commands is a fact chance bytes meet less often; with
// enough commands and no raw bytes a copy writes for less (WastefulKonamiRaws, from the
// score's sample), the facts decide. So they do for a stream of blank tiles, mostly zero
// runs (an encoder writes a blank area as a few of them, all at the longest but one; chance
// rows of them in fillers break the checker's rules on runs), for one of data that hardly
// packs, mostly raw runs in rows of the longest but one (chance rows of raw runs have counts
// of any size), for one mostly of copies from near places, and for the shapes of
// ColoursOrFills. A fill or two of another value alone is not counted: noise reads as one far
// more often than as zero runs in step with the stated length.
void HoldKonamiToFacts(const TScanHook& hook, std::size_t written, TStreamStats& st) {
  const std::span<const std::uint8_t> s = hook.s;
  const bool blank = 2 * hook.zeroRunBytes >= written;
  // Blank tiles hold a few raw bytes between their zero runs; a raw run of chance bytes and a
  // zero run after it (code before a row of 0xFF) meet the stated length far more often.
  const bool blankTiles = blank && hook.tidyZeroRows && 8 * std::size_t{st.literals} <= written;
  const bool raw = 2 * std::size_t{st.literals} >= written && hook.rawRow && hook.tidyRawRows;
  // Copies from so near that chance bytes make such copies once in 1024 or more seldom: a
  // copy's distance is one of the ring's places, whether it reads output or the zeros before
  // it (an encoder's source where the data start with zeros). Each further copy asks 4 bits
  // more (the odds of k copies whose distances' shares multiply to 2^-b are about
  // 2^-b (b ln 2)^(k-1) / (k-1)!).
  const bool copied = hook.copies != 0 && hook.nearCopyBits >= 10 + 4 * (hook.copies - 1) &&
                      2 * hook.copyBytes >= written;
  if (hook.commands >= kFactsTokens || blankTiles || raw || copied ||
      ColoursOrFills(hook, written, st.literals)) {
    st.factsMinOutput = kStrictFactsMinOutput;
  }
  // Two short runs of one value in a row where an encoder writes one of the longest.
  st.wastefulTokens += hook.untidyRuns;
  // A few commands that are mostly runs of zero-interleaved pairs: one command byte of chance
  // takes up to 33 bytes after it as pairs, so that the stated length is met within a command
  // or two; of the scan bench's planted streams of fewer than 8 commands none writes a quarter
  // of its output so (zero-interleaved data is rare, and an encoder's stream of it copies too).
  if (hook.commands < kFactsTokens && 4 * hook.pairBytes >= written) ++st.wastefulTokens;
  // Rows of 0xFF bytes (a solid colour in 4bpp tiles) read as rows of zero runs, the bytes
  // before them often as runs of zero-interleaved pairs that take a command's count. A stream
  // that writes more than a trace of pairs between blank areas copies too: of the readings of
  // this shape in the scan bench's ROMs none was a planted stream (whose stray pairs in KiBs of
  // zeros are a few bytes).
  if (blank && hook.pairRuns != 0 && hook.copies == 0 && 64 * hook.pairBytes >= written) {
    ++st.wastefulTokens;
  }
  st.wastefulTokens += hook.repeatedPairs;
  // Inside such a row (of 0xFF, or of another zero run's byte) a header before it that states
  // a length inside the row reads as a stream of nothing but zero runs; the row runs on past
  // its end. In the scan bench's ROMs ten readings of that shape and no planted stream.
  const std::size_t length = st.comprSize;
  if (hook.zeroRunBytes == written && hook.lastShortZeros && length < s.size() &&
      s[length] == s[length - 1]) {
    ++st.wastefulTokens;
  }
  // A command no encoder writes keeps the score below the default minimum, however few the
  // commands.
  if (st.wastefulTokens != 0) st.factsMinOutput = kStrictFactsMinOutput;
}

}  // namespace

template <TKonami V>
std::optional<TScanHit> CheckKonamiHit(std::span<const std::uint8_t> rom, std::size_t pos,
                                       std::uint32_t minSize, TStreamStats* stats) {
  constexpr TKonami version = V;
  TStreamStats local;
  TStreamStats& st = FreshStats(stats, local);
  if (pos >= rom.size() || rom.size() - pos < kShortestStream) return std::nullopt;
  const auto s = rom.subspan(pos);
  // A refusal is decided by the header and the stream's bytes alone: the scan hands it on to
  // the candidates that repeat them (fillers).
  st.readEnd = 2;
  const bool reordered = (s[1] & 0x80u) != 0;
  if (version != TKonami::k1 && reordered != (version == TKonami::k2R)) return std::nullopt;
  const std::size_t length = Header(s, version).first;
  if (length < kShortestStream) return std::nullopt;
  if (length > s.size()) {
    st.readEnd = kReadToEnd;
    return std::nullopt;
  }
  st.readEnd = length;
  // No encoder takes more than 64 KiB of data.
  constexpr std::size_t kMostOutput = 0x10000;
  thread_local TDecodeBuffer out;
  out.resize(kMostOutput);
  TScanHook hook{st, s, out.data(), reordered && version != TKonami::k1, {}};
  hook.oneCommandForZeros = version == TKonami::k1;
  const TWalk w = Walk(s, version, out.data(), kMostOutput, hook);
  // A command the scan refuses decides by the bytes up to its own (a command byte and at most
  // 33 more): in a filler shorter than the stated length the candidates that repeat them are
  // passed over too.
  if (w.stop == TStop::kInvalid) st.readEnd = std::min(length, w.in + 1 + kMaxCount);
  if (w.stop != TStop::kEnd || w.pos < std::max<std::uint32_t>(minSize, 1) || w.pos % 16 != 0) {
    return std::nullopt;
  }
  st.referenceBytes = static_cast<std::uint32_t>(w.pos) - st.literals;
  st.comprSize = static_cast<std::uint32_t>(length);
  HoldKonamiToFacts(hook, w.pos, st);
  // The shortest stream, one zero run, tells nothing: chance bytes read as it anywhere. Nor,
  // in Konami-1, does a stream of two one-byte commands (two zero runs, 64 zeros as `04 00 FD
  // FF`): over eight 32 MiB test ROMs 6 chance readings of it (the words 4 and -3 of 16-bit
  // filtered data, a row of 0xFF) stood against 2 streams, where Konami-2's other zero-run
  // codes make it about as rare as its streams.
  const std::size_t fewest = kShortestStream + (version == TKonami::k1 ? 1 : 0);
  st.enoughTokens = length > fewest;
  const int scheme = version == TKonami::k1   ? kSchemeKonami1
                     : version == TKonami::k2 ? kSchemeKonami2
                                              : kSchemeKonami2R;
  return TScanHit{pos, scheme, static_cast<std::uint32_t>(w.pos),
                  static_cast<std::uint32_t>(length), 0};
}

namespace {

// The checker's first commands alone, with its own rules: it refuses the position when these
// break one. A hook around the checker's that stops the walk once they all pass.
constexpr std::uint32_t kProbeCommands = 8;
constexpr std::size_t kProbeOutput = 512;  // what eight commands write, within a few bytes

constexpr std::size_t kProbeReach = 2 + kProbeCommands * (1 + kMaxCount);  // the bytes it reads

struct TProbeHook {
  TScanHook& scan;
  bool passed = false;
  // Whether every command told is read and judged alike by Konami-1 and Konami-2: none a zero
  // run (0xFF among them, where the versions differ), a fill of zeros or a copy of the
  // longest (their counts against the shortest way to write zeros differ).
  bool sameInBoth = true;
  bool Command(unsigned kind, std::size_t inStart, std::size_t pos, std::size_t count,
               std::size_t distance) {
    sameInBoth = sameInBoth && kind != 4 && !(kind == 3 && scan.s[inStart + 1] == 0) &&
                 !(kind == 0 && count == kMaxCount);
    if (!scan.Command(kind, inStart, pos, count, distance)) return false;
    passed = scan.commands >= kProbeCommands;
    return !passed;
  }
};

// `sameInBoth`, when given: whether Konami-2's probe of the position, its reorder flag clear,
// decides alike (a Konami-1 probe whose commands are all TProbeHook::sameInBoth).
template <TKonami V>
bool KonamiMaybe(std::span<const std::uint8_t> rom, std::size_t pos, bool* sameInBoth = nullptr) {
  if (rom.size() - pos < kShortestStream) return false;
  const auto s = rom.subspan(pos);
  const bool reordered = (s[1] & 0x80u) != 0;
  if (V != TKonami::k1 && reordered != (V == TKonami::k2R)) return false;
  const std::size_t length = Header(s, V).first;
  if (length < kShortestStream || length > s.size()) return false;
  std::array<std::uint8_t, kProbeOutput> out;
  TStreamStats st;
  TScanHook scan{st, s, out.data(), reordered && V != TKonami::k1, {}};
  scan.oneCommandForZeros = V == TKonami::k1;
  TProbeHook probe{scan};
  const TWalk w = Walk(s, V, out.data(), out.size(), probe);
  if (sameInBoth != nullptr) *sameInBoth = V == TKonami::k1 && probe.sameInBoth;
  return w.stop != TStop::kInvalid || probe.passed;
}

}  // namespace

template <TKonami V>
std::size_t SkipKonami(std::span<const std::uint8_t> rom, std::size_t pos, std::size_t end,
                       std::size_t align, const TSkipFacts& /*facts*/) {
  return SkipWhileRefusedInRuns<kProbeReach>(rom, pos, end, align,
                                             [&](std::size_t p) { return KonamiMaybe<V>(rom, p); });
}

namespace {

// The argument bytes after command byte c (Parse's).
template <TKonami V>
constexpr std::size_t ArgsOf(unsigned c) {
  if (c < 0x80 || (c >= 0xC0 && c < 0xE0)) return 1;
  if (c < 0xA0) return c & 0x1FU;
  if (c < 0xC0) return (c & 0x1FU) + 2;
  return c == 0xFF && V != TKonami::k1 ? 1 : 0;
}

constexpr bool IsRaw(unsigned c) { return c >= 0x80 && c < 0xA0; }
constexpr bool IsPairs(unsigned c) { return c >= 0xA0 && c < 0xC0; }

// A command byte's facts for the chains, by its value: its bytes, and whether it is a raw run
// or a run of pairs (kind 1, 2) with the count and the most two of its kind in a row may add
// up to before one could hold them both.
struct TChainLead {
  std::uint8_t step = 1;
  std::uint8_t kind = 0;
  std::uint8_t low = 0;
  std::uint8_t most = 0;
};

template <TKonami V>
constexpr std::array<TChainLead, 256> kChainLeads = [] {
  std::array<TChainLead, 256> leads{};
  for (unsigned c = 0; c < 256; ++c) {
    TChainLead& l = leads[c];
    l.step = static_cast<std::uint8_t>(1 + ArgsOf<V>(c));
    l.low = static_cast<std::uint8_t>(c & 0x1FU);
    if (IsRaw(c)) {
      l.kind = 1;
      l.most = kMaxRaw;
    } else if (IsPairs(c)) {
      l.kind = 2;
      l.most = kMaxCount - 4;
    }
  }
  return leads;
}();

constexpr std::size_t kNoPlace = SIZE_MAX;

// The chains of commands from every place, built backward: from each place, where the chain
// first meets a refusal; kNoPlace where it does not before the ROM's end. Only the places a
// command's bytes span are kept.
template <TKonami V>
class TChains {
public:
  explicit TChains(std::span<const std::uint8_t> rom) : rom_(rom) {}

  // Adds place i, below those added before.
  // Without branches on the bytes but for the last command: in data that is no stream the
  // kinds of command follow each other at random.
  void Add(std::size_t i) {
    const unsigned c = rom_[i];
    const TChainLead& l = kChainLeads<V>[c];
    const std::size_t next = i + l.step;
    if (next >= rom_.size()) {
      refusal_[i % kRing] = c == 0x80 ? i : kNoPlace;
      return;
    }
    const TChainLead& m = kChainLeads<V>[rom_[next]];
    // Two raw runs, or two runs of pairs, in a row that one could hold.
    const bool joins = (l.kind != 0) & (l.kind == m.kind) & (l.low + m.low <= l.most);
    const std::size_t later = refusal_[next % kRing];
    std::size_t r = joins ? next : later;
    r = c == 0x80 ? i : r;
    refusal_[i % kRing] = r;
  }
  // Whether the chain from place i (added) meets a refusal before `end`.
  bool Refused(std::size_t i, std::size_t end) const { return refusal_[i % kRing] < end; }

private:
  static constexpr std::size_t kRing = 64;  // more than a command's bytes
  static_assert(kRing > 1 + kMaxCount);
  std::span<const std::uint8_t> rom_;
  std::array<std::size_t, kRing> refusal_{};
};

// Konami-1's and Konami-2's chains (TChains) in one: they part only at a command byte 0xFF,
// which Konami-2 reads with an argument byte and Konami-1 without.
class TTwoChains {
public:
  explicit TTwoChains(std::span<const std::uint8_t> rom) : rom_(rom) {}

  void Add(std::size_t i) {
    const unsigned c = rom_[i];
    const TChainLead& l = kChainLeads<TKonami::k2>[c];
    const std::size_t next = i + l.step;                   // Konami-2's
    const std::size_t nextOne = c == 0xFF ? i + 1 : next;  // Konami-1's
    std::size_t one = kNoPlace;
    std::size_t two = kNoPlace;
    if (next < rom_.size()) {
      // Alike in both: the kinds and counts of the bytes (0xFF, a zero run, never joins).
      const TChainLead& m = kChainLeads<TKonami::k2>[rom_[next]];
      const bool joins = (l.kind != 0) & (l.kind == m.kind) & (l.low + m.low <= l.most);
      one = joins ? next : one_[nextOne % kRing];
      two = joins ? next : two_[next % kRing];
    } else if (nextOne < rom_.size()) {
      one = one_[nextOne % kRing];
    }
    one_[i % kRing] = c == 0x80 ? i : one;
    two_[i % kRing] = c == 0x80 ? i : two;
  }
  bool RefusedOne(std::size_t i, std::size_t end) const { return one_[i % kRing] < end; }
  bool RefusedTwo(std::size_t i, std::size_t end) const { return two_[i % kRing] < end; }

private:
  static constexpr std::size_t kRing = 64;
  std::span<const std::uint8_t> rom_;
  std::array<std::size_t, kRing> one_{};
  std::array<std::size_t, kRing> two_{};
};

}  // namespace

namespace {

// One version's candidates in the backward pass, the chain's refusal already known: the probe
// (KonamiMaybe) of each position the chain lets through, kept for the next position while the
// bytes it read all repeat (fillers).
template <TKonami V>
struct TVersionCandidates {
  std::vector<std::uint64_t>& candidates;
  std::size_t probed = kNoPlace;  // the position whose probe `maybe` holds
  bool maybe = false;

  // `probe()` probes p.
  template <class F>
  void At(std::size_t p, std::size_t end, bool refused, std::size_t same, std::size_t n,
          F&& probe) {
    const bool known = probed == p + 1;  // the probe of p + 1 read bytes that p's repeat
    probed = kNoPlace;
    if (refused) return;
    if (!known || same < kProbeReach + 2) maybe = probe();
    if (end <= n) probed = p;  // not refused for the ROM's end
    if (maybe) candidates[p / 64] |= std::uint64_t{1} << (p % 64);
  }
};

// The state of the backward pass below: the chains the versions asked for need, and each
// version's candidates.
template <bool kOne, bool kTwo, bool kTwoR>
struct TVersionsPass {
  static constexpr bool kBoth = kOne && (kTwo || kTwoR);
  std::span<const std::uint8_t> rom;
  TVersionCandidates<TKonami::k1> one;
  TVersionCandidates<TKonami::k2> two;
  TVersionCandidates<TKonami::k2R> twoR;
  TChains<TKonami::k1> chains1{rom};
  TChains<TKonami::k2> chains2{rom};
  TTwoChains both{rom};

  void AddChains(std::size_t i) {
    if constexpr (kBoth) {
      both.Add(i);
    } else if constexpr (kOne) {
      chains1.Add(i);
    } else {
      chains2.Add(i);
    }
  }
  bool RefusedOne(std::size_t i, std::size_t end) const {
    return kBoth ? both.RefusedOne(i, end) : chains1.Refused(i, end);
  }
  bool RefusedTwo(std::size_t i, std::size_t end) const {
    return kBoth ? both.RefusedTwo(i, end) : chains2.Refused(i, end);
  }

  // Konami-1's probe of a position, for Konami-2's to take where both read alike.
  struct TProbeOne {
    std::size_t pos = kNoPlace;
    bool maybe = false;
    bool sameInBoth = false;
  };

  // The candidates at p (= i - 2, three bytes or more before the ROM's end), `h` its header,
  // `same` as in the pass.
  void At(std::size_t i, std::size_t p, std::size_t h, std::size_t same) {
    const std::size_t n = rom.size();
    TProbeOne probed;
    if constexpr (kOne) {
      one.At(p, p + h, RefusedOne(i, p + h), same, n, [&] {
        probed.pos = p;
        probed.maybe = KonamiMaybe<TKonami::k1>(rom, p, &probed.sameInBoth);
        return probed.maybe;
      });
    }
    const std::size_t end = p + (h & ~std::size_t{kReorderFlag});
    const bool refused = (kTwo || kTwoR) && RefusedTwo(i, end);
    if constexpr (kTwo) {
      two.At(p, end, refused, same, n, [&] {
        const bool taken = probed.pos == p && probed.sameInBoth && (h & kReorderFlag) == 0;
        return taken ? probed.maybe : KonamiMaybe<TKonami::k2>(rom, p);
      });
    }
    if constexpr (kTwoR) {
      twoR.At(p, end, refused, same, n, [&] { return KonamiMaybe<TKonami::k2R>(rom, p); });
    }
  }
};

// The candidates of the versions whose vectors are given (nullptr: not wanted), in one
// backward pass. Konami-2 and Konami-2R read one chain of commands and one stated length;
// Konami-1's chain differs only at command 0xFF.
template <bool kOne, bool kTwo, bool kTwoR>
void PrefilterVersions(std::span<const std::uint8_t> rom,
                       const std::array<std::vector<std::uint64_t>*, 3>& out) {
  const std::size_t n = rom.size();
  for (std::vector<std::uint64_t>* c : out) {
    if (c != nullptr) c->assign((n + 63) / 64, 0);
  }
  std::vector<std::uint64_t> none;
  TVersionsPass<kOne, kTwo, kTwoR> pass{
      rom, {kOne ? *out[0] : none}, {kTwo ? *out[1] : none}, {kTwoR ? *out[2] : none}};
  std::size_t same = 1;  // rom[p, p + same) hold one value
  for (std::size_t i = n; i-- > 0;) {
    pass.AddChains(i);
    if (i < 2) continue;
    const std::size_t p = i - 2;
    same = rom[p] == rom[p + 1] ? same + 1 : 1;
    if (n - p < kShortestStream) continue;  // no probe: p - 1 probes afresh
    pass.At(i, p, rom[p] | std::size_t{rom[p + 1]} << 8U, same);
  }
}

}  // namespace

// The command bytes a stream reads do not depend on where it starts: from every place the
// chain of commands is one, and what refuses a chain whatever the output (a raw run of no
// bytes, two raw runs or two runs of pairs in a row that one could hold) is found for all places in
// one backward pass. A stream whose chain from its first command meets such a refusal before its
// stated end is refused.
template <TKonami V>
void PrefilterKonami(std::span<const std::uint8_t> rom, std::uint32_t /*minSize*/,
                     bool /*factsOnly*/, std::vector<std::uint64_t>& candidates) {
  if constexpr (V == TKonami::k1) PrefilterVersions<true, false, false>(rom, {&candidates});
  if constexpr (V == TKonami::k2)
    PrefilterVersions<false, true, false>(rom, {nullptr, &candidates});
  if constexpr (V == TKonami::k2R) {
    PrefilterVersions<false, false, true>(rom, {nullptr, nullptr, &candidates});
  }
}

void PrefilterKonamiRows(std::span<const std::uint8_t> rom, std::uint32_t /*minSize*/,
                         bool /*factsOnly*/, std::span<const int> rows,
                         std::span<std::vector<std::uint64_t>> candidates) {
  std::array<std::vector<std::uint64_t>*, 3> out{};
  for (std::size_t k = 0; k < rows.size(); ++k) {
    const int r = rows[k];
    const std::size_t v = r == kSchemeKonami1 ? 0 : r == kSchemeKonami2 ? 1 : 2;
    assert(r == kSchemeKonami1 || r == kSchemeKonami2 || r == kSchemeKonami2R);
    out[v] = &candidates[k];
  }
  // The pass of all three costs little more than one; unwanted ones are dropped.
  std::array<std::vector<std::uint64_t>, 3> spare;
  for (std::size_t v = 0; v < 3; ++v) {
    if (out[v] == nullptr) out[v] = &spare[v];
  }
  PrefilterVersions<true, true, true>(rom, out);
}

template std::uint32_t WastefulKonamiRaws<TKonami::k1>(std::span<const std::uint8_t>,
                                                       std::span<const std::uint8_t>);
template std::optional<TScanHit> CheckKonamiHit<TKonami::k1>(std::span<const std::uint8_t>,
                                                             std::size_t, std::uint32_t,
                                                             TStreamStats*);
template std::uint32_t WastefulKonamiRaws<TKonami::k2>(std::span<const std::uint8_t>,
                                                       std::span<const std::uint8_t>);
template std::optional<TScanHit> CheckKonamiHit<TKonami::k2>(std::span<const std::uint8_t>,
                                                             std::size_t, std::uint32_t,
                                                             TStreamStats*);
template std::uint32_t WastefulKonamiRaws<TKonami::k2R>(std::span<const std::uint8_t>,
                                                        std::span<const std::uint8_t>);
template std::optional<TScanHit> CheckKonamiHit<TKonami::k2R>(std::span<const std::uint8_t>,
                                                              std::size_t, std::uint32_t,
                                                              TStreamStats*);
template std::size_t SkipKonami<TKonami::k1>(std::span<const std::uint8_t>, std::size_t,
                                             std::size_t, std::size_t, const TSkipFacts&);
template std::size_t SkipKonami<TKonami::k2>(std::span<const std::uint8_t>, std::size_t,
                                             std::size_t, std::size_t, const TSkipFacts&);
template std::size_t SkipKonami<TKonami::k2R>(std::span<const std::uint8_t>, std::size_t,
                                              std::size_t, std::size_t, const TSkipFacts&);
template void PrefilterKonami<TKonami::k1>(std::span<const std::uint8_t>, std::uint32_t, bool,
                                           std::vector<std::uint64_t>&);
template void PrefilterKonami<TKonami::k2>(std::span<const std::uint8_t>, std::uint32_t, bool,
                                           std::vector<std::uint64_t>&);
template void PrefilterKonami<TKonami::k2R>(std::span<const std::uint8_t>, std::uint32_t, bool,
                                            std::vector<std::uint64_t>&);

}  // namespace tegulo
