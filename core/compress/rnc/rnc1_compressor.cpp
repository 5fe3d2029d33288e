// "RNC1": chunks of kRnc1ChunkSize bytes, each parsed exactly for given code lengths (a run of
// literals before every copy, its cost by its length class), its Huffman tables rebuilt from
// the parse, a few rounds, the smallest chunk kept (the last one by bytes); data of a few bytes
// is searched in full.
#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "compress/rnc/rnc1_bits.h"
#include "compress/rnc/rnc_format.h"
#include "compress/search/window_matches.h"

namespace tegulo {
namespace {

using rnc1::kMaxSymbols;
using rnc1::SymbolOf;
using rnc1::TTable;

constexpr std::int64_t kInf = std::numeric_limits<std::int64_t>::max() / 4;
// The match finder compares this far; longer matches are followed by plain comparison.
constexpr std::size_t kTreeLength = 256;
// Lengths up to this are all tried; longer ones only at the ends of their length classes.
constexpr std::uint32_t kAllLengths = 32;
constexpr int kRounds = 8;
constexpr std::size_t kKeptMatches = 3;
// Data up to this size gets, at each position, the longest match of every distance class
// (found by trying every distance): the parse is then exact for its costs.
constexpr std::size_t kExactSize = 1024;
// What a symbol the last codes lack costs in the next parse: a code longer than most, and
// the table's growth.
constexpr std::int64_t kMissingBits = 12;
// And the other costs small data tries (its tables weigh more).
constexpr std::array<std::int64_t, 3> kMissing = {kMissingBits, 4, 8};
// The cost of a symbol a search leaves out.
constexpr std::int64_t kBarred = kInf / 4;
constexpr std::int32_t kUnreached = std::numeric_limits<std::int32_t>::max();
// Table symbols that serve at most this many commands are tried without.
constexpr std::size_t kFewUses = 4;

struct TMatch {
  std::uint16_t length = 0;  // 0: none
  std::uint16_t distance = 0;
};

struct TCommand {
  std::uint32_t run = 0;     // literals before the copy
  std::uint32_t length = 0;  // 0: the chunk's last run
  std::uint32_t distance = 0;
};

// Bits of a value under a table's code lengths; symbols the table lacks cost `missing`.
struct TCosts {
  std::array<std::int64_t, kMaxSymbols> bits{};
  void From(const TTable& t, std::int64_t missing) {
    for (int s = 0; s < kMaxSymbols; ++s) {
      const auto l = s < t.count ? t.lengths[static_cast<std::size_t>(s)] : 0;
      bits[static_cast<std::size_t>(s)] = (l != 0 ? l : missing) + (s >= 2 ? s - 1 : 0);
    }
  }
  std::int64_t Of(std::uint32_t v) const { return bits[static_cast<std::size_t>(SymbolOf(v))]; }
};

// The sliding minimum of P[i] - 8 i over the start positions of a run of one length class:
// a deque of positions in a ring of a power of two.
struct TWindowMin {
  std::vector<std::uint16_t> ring;  // positions in a chunk: below 32768
  std::size_t mask = 0;
  std::size_t head = 0;
  std::size_t size = 0;
  void Clear(std::size_t capacity) {
    const std::size_t n = std::bit_ceil(capacity + 1);
    if (ring.size() != n) ring.assign(n, 0);
    mask = n - 1;
    head = size = 0;
  }
  std::uint32_t Front() const { return ring[head]; }
  std::uint32_t Back() const { return ring[(head + size - 1) & mask]; }
  void PushBack(std::uint32_t i) {
    ring[(head + size) & mask] = static_cast<std::uint16_t>(i);
    ++size;
  }
  void PopFront() {
    head = (head + 1) & mask;
    --size;
  }
};

class TChunkParser {
public:
  // `matches`: `keep` a position, by length (0: none), each covering the shorter lengths.
  TChunkParser(std::size_t length, std::span<const TMatch> matches, std::size_t keep)
      : m_(length), matches_(matches), keep_(keep) {}

  std::size_t Length() const { return m_; }
  // The commands of a cheapest parse for the costs; its cost in bits.
  std::int64_t Parse(const std::array<TCosts, 3>& costs, std::vector<TCommand>& commands);

private:
  std::int64_t RunMin(std::size_t k, const TCosts& runs, std::uint16_t& runLength);
  void RelaxCopies(std::size_t k, std::int64_t q, const TCosts& dist, const TCosts& len);

  std::size_t m_;
  std::span<const TMatch> matches_;
  std::size_t keep_;
  // The cheapest with a copy ending at k (or the chunk's start); kUnreached where none is
  // (barred costs never fit).
  std::vector<std::int32_t> p_;
  std::vector<TMatch> backP_;
  std::array<TWindowMin, kMaxSymbols> windows_;
};

std::int64_t TChunkParser::RunMin(std::size_t k, const TCosts& runs, std::uint16_t& runLength) {
  std::int64_t best = kInf;
  for (std::size_t s = 0; s < kMaxSymbols; ++s) {
    const std::size_t lo = s < 2 ? s : std::size_t{1} << (s - 1);
    const std::size_t hi = s < 2 ? s : (std::size_t{1} << s) - 1;
    if (k < lo) break;  // so are the longer classes
    TWindowMin& w = windows_[s];
    {
      const auto i = static_cast<std::uint32_t>(k - lo);
      const auto value = [this](std::uint32_t at) {
        return std::int64_t{p_[at]} - 8 * static_cast<std::int64_t>(at);
      };
      if (p_[i] < kUnreached) {
        while (w.size > 0 && value(w.Back()) >= value(i)) --w.size;
        w.PushBack(i);
      }
    }
    while (w.size > 0 && k - w.Front() > hi) w.PopFront();
    if (w.size == 0) continue;
    const std::uint32_t at = w.Front();
    const std::int64_t c =
        std::int64_t{p_[at]} + 8 * static_cast<std::int64_t>(k - at) + runs.bits[s];
    if (c < best) {
      best = c;
      runLength = static_cast<std::uint16_t>(k - at);
    }
  }
  return best;
}

// The lengths a parse tries: all up to kAllLengths, then the last of each length class (its
// value 2^s - 1) and the longest.
std::uint32_t NextLength(std::uint32_t length, std::uint32_t top) {
  if (length < kAllLengths) return length + 1;
  if (length >= top) return top + 1;
  return std::min(std::bit_ceil(length) + 1, top);
}

void TChunkParser::RelaxCopies(std::size_t k, std::int64_t q, const TCosts& dist,
                               const TCosts& len) {
  const TMatch* kept = &matches_[k * keep_];
  std::uint32_t length = 2;
  const std::uint32_t room = static_cast<std::uint32_t>(m_ - k);
  for (std::size_t j = 0; j < keep_ && kept[j].length != 0; ++j) {
    // The cheapest distance among this match and the longer ones after it.
    std::int64_t dBits = dist.Of(kept[j].distance);
    TMatch best = kept[j];
    for (std::size_t later = j + 1; later < keep_ && kept[later].length != 0; ++later) {
      if (dist.Of(kept[later].distance) < dBits) {
        dBits = dist.Of(kept[later].distance);
        best = kept[later];
      }
    }
    const std::uint32_t top = std::min<std::uint32_t>(kept[j].length, room);
    for (; length <= top; length = NextLength(length, top)) {
      const std::int64_t c = q + dBits + len.Of(length - 2);
      if (c < p_[k + length]) {
        p_[k + length] = static_cast<std::int32_t>(c);
        backP_[k + length] = {static_cast<std::uint16_t>(length), best.distance};
      }
    }
  }
}

std::int64_t TChunkParser::Parse(const std::array<TCosts, 3>& costs,
                                 std::vector<TCommand>& commands) {
  p_.assign(m_ + 1, kUnreached);
  backP_.assign(m_ + 1, TMatch{});
  std::vector<std::uint16_t> backQ(m_ + 1, 0);
  for (std::size_t s = 0; s < kMaxSymbols; ++s) {
    // The run starts a window can hold: its run lengths that fit the chunk.
    const std::size_t lo = s < 2 ? s : std::size_t{1} << (s - 1);
    const std::size_t hi = s < 2 ? s : (std::size_t{1} << s) - 1;
    windows_[s].Clear(lo > m_ ? 1 : std::min(hi, m_) - lo + 1);
  }
  p_[0] = 0;
  std::int64_t q = kInf;
  for (std::size_t k = 0; k <= m_; ++k) {
    q = RunMin(k, costs[0], backQ[k]);
    if (k < m_ && q < kInf) RelaxCopies(k, q, costs[1], costs[2]);
  }
  commands.clear();
  std::size_t at = m_;
  std::uint32_t length = 0;
  std::uint32_t distance = 0;
  while (true) {
    const std::uint32_t run = backQ[at];
    commands.push_back({run, length, distance});
    at -= run;
    if (at == 0) break;
    length = backP_[at].length;
    distance = backP_[at].distance + 1U;
    at -= length;
  }
  // Walked from the end, each run was met just before the copy it precedes.
  std::reverse(commands.begin(), commands.end());
  return q;
}

// The tables of a parse and the chunk's exact size in bits, its literals at 8 each.
struct TChunkCode {
  std::array<TTable, 3> tables;
  std::int64_t bits = 0;
  std::int64_t literals = 0;
};

// How chunks compare: by bits, but the last chunk by the stream's bytes, whose code bits are
// rounded up to whole words (fewer bits can take a word more).
struct TJudge {
  std::int64_t before = 0;  // code bits of the stream before the chunk
  bool last = false;
  std::int64_t Bytes(const TChunkCode& c) const {
    return 2 * ((before + c.bits - 8 * c.literals + 15) / 16) + c.literals;
  }
  bool Better(const TChunkCode& a, const TChunkCode& b) const {
    if (b.bits >= kInf) return true;
    if (last && Bytes(a) != Bytes(b)) return Bytes(a) < Bytes(b);
    return a.bits < b.bits;
  }
};

TChunkCode CodeFor(std::span<const TCommand> commands) {
  std::array<std::array<std::uint32_t, kMaxSymbols>, 3> counts{};
  for (const TCommand& c : commands) {
    ++counts[0][static_cast<std::size_t>(SymbolOf(c.run))];
    if (c.length == 0) continue;
    ++counts[1][static_cast<std::size_t>(SymbolOf(c.distance - 1))];
    ++counts[2][static_cast<std::size_t>(SymbolOf(c.length - 2))];
  }
  TChunkCode code;
  code.bits = 16;
  for (std::size_t t = 0; t < 3; ++t) {
    code.tables[t] = rnc1::BuildTable(counts[t]);
    code.bits += 5 + 4 * code.tables[t].count;
    for (std::size_t s = 0; s < kMaxSymbols; ++s) {
      code.bits += std::int64_t{counts[t][s]} *
                   (code.tables[t].lengths[s] + (s >= 2 ? static_cast<std::int64_t>(s) - 1 : 0));
    }
  }
  for (const TCommand& c : commands) code.literals += c.run;
  code.bits += 8 * code.literals;
  return code;
}

// The matches of every position of the chunk, kKeptMatches each: the nearest and the two
// longest, long ones followed past the match finder's reach.
struct TMatchFinder {
  std::span<const std::uint8_t> data;
  TWindowMatcher tree;
  std::vector<TMatchPair> pairs;
  std::size_t longDistance = 0;
  std::size_t longEnd = 0;

  explicit TMatchFinder(std::span<const std::uint8_t> d)
      : data(d), tree(d, rnc::kRnc1MaxDistance, kTreeLength), pairs(kTreeLength + 1) {}

  std::size_t Extend(std::size_t p, TMatchPair m) {
    if (m.length < kTreeLength) return m.length;
    if (longDistance != m.distance || longEnd < p + m.length) {
      longDistance = m.distance;
      longEnd = p + m.length;
      while (longEnd < data.size() && longEnd - p < rnc::kRnc1MaxLength &&
             data[longEnd] == data[longEnd - longDistance]) {
        ++longEnd;
      }
    }
    return std::min<std::size_t>(longEnd - p, rnc::kRnc1MaxLength);
  }

  // The matches of every distance class, for small data.
  void ChunkExact(std::size_t begin, std::size_t end, std::vector<TMatch>& out) {
    out.assign((end - begin) * kMaxSymbols, TMatch{});
    for (std::size_t p = begin; p < end; ++p) {
      TMatch* kept = &out[(p - begin) * kMaxSymbols];
      for (std::size_t d = 1; d <= p; ++d) {
        std::size_t l = 0;
        while (p + l < end && data[p + l] == data[p + l - d]) ++l;
        TMatch& m = kept[SymbolOf(static_cast<std::uint32_t>(d - 1))];
        if (l >= 2 && l > m.length) {
          m = {static_cast<std::uint16_t>(l), static_cast<std::uint16_t>(d - 1)};
        }
      }
      std::stable_sort(kept, kept + kMaxSymbols, [](TMatch a, TMatch b) {
        return (a.length == 0 ? 0x10000 : a.length) < (b.length == 0 ? 0x10000 : b.length);
      });
    }
  }

  // Finds the matches of the chunk; returns how many each position has.
  std::size_t Chunk(std::size_t begin, std::size_t end, std::vector<TMatch>& out) {
    if (data.size() <= kExactSize) {
      ChunkExact(begin, end, out);
      return kMaxSymbols;
    }
    out.assign((end - begin) * kKeptMatches, TMatch{});
    for (std::size_t p = begin; p < end; ++p) {
      const std::size_t count = tree.Matches(p, pairs.data());
      if (count == 0) continue;
      TMatch* kept = &out[(p - begin) * kKeptMatches];
      std::size_t n = 0;
      const auto keep = [&](TMatchPair m, std::size_t length) {
        kept[n++] = {static_cast<std::uint16_t>(std::min<std::size_t>(length, end - p)),
                     static_cast<std::uint16_t>(m.distance - 1)};
      };
      const std::size_t first = count > kKeptMatches ? count - (kKeptMatches - 1) : 0;
      if (first > 0) keep(pairs[0], pairs[0].length);
      for (std::size_t j = first; j < count; ++j) keep(pairs[j], Extend(p, pairs[j]));
    }
    return kKeptMatches;
  }
};

// The first costs of each search: every symbol alike, or the small ones cheaper (short runs,
// copies and near distances, which keep the tables short).
constexpr std::array<std::array<std::int64_t, 2>, 3> kStarts = {{{4, 0}, {1, 1}, {8, 0}}};

bool SameLengths(const std::array<TTable, 3>& a, const std::array<TTable, 3>& b) {
  for (std::size_t t = 0; t < 3; ++t) {
    if (a[t].count != b[t].count || a[t].lengths != b[t].lengths) return false;
  }
  return true;
}

// Alternates a parse for the costs with the codes of that parse until the size stops
// falling; symbols of table t from cap[t] on are not used. Keeps the smallest in `best`.
void Refine(TChunkParser& parser, std::array<TCosts, 3> costs, std::array<int, 3> cap,
            std::int64_t missing, const TJudge& judge, TChunkCode& bestCode,
            std::vector<TCommand>& best) {
  std::vector<TCommand> commands;
  std::int64_t last = kInf;
  std::array<TTable, 3> lastTables{};
  lastTables[0].count = -1;  // none yet
  for (int round = 0; round < kRounds; ++round) {
    for (std::size_t t = 0; t < 3; ++t) {
      for (std::size_t s = static_cast<std::size_t>(cap[t]); s < kMaxSymbols; ++s) {
        costs[t].bits[s] = kBarred;
      }
    }
    if (parser.Parse(costs, commands) >= kBarred) return;
    const TChunkCode code = CodeFor(commands);
    if (judge.Better(code, bestCode)) {
      bestCode = code;
      best = commands;
    }
    // Codes the parse was made for give that parse again.
    if (code.bits >= last || SameLengths(code.tables, lastTables)) return;
    last = code.bits;
    lastTables = code.tables;
    for (std::size_t t = 0; t < 3; ++t) costs[t].From(code.tables[t], missing);
  }
}

// Uses of the symbols from `cap` on in table t of the commands.
std::size_t UsesFrom(std::span<const TCommand> commands, std::size_t t, int cap) {
  std::size_t uses = 0;
  for (const TCommand& c : commands) {
    const std::uint32_t v = t == 0 ? c.run : t == 1 ? c.distance - 1 : c.length - 2;
    if ((t == 0 || c.length != 0) && SymbolOf(v) >= cap) ++uses;
  }
  return uses;
}

// Data up to this size is also searched in full: every parse (runs of every length, copies of
// every length from one distance of each distance symbol, which all cost alike), each with
// the Huffman tables of its symbols, unless the parses outnumber kTinyParses.
constexpr std::size_t kTinySize = 12;
constexpr std::size_t kTinyParses = 1 << 20;

class TTinySearch {
public:
  TTinySearch(std::span<const std::uint8_t> data, const TJudge& judge, TChunkCode& bestCode,
              std::vector<TCommand>& best)
      : d_(data), judge_(judge), bestCode_(bestCode), best_(best) {}

  // False when the search was cut short.
  bool Run() {
    From(0);
    return visited_ <= kTinyParses;
  }

private:
  void From(std::size_t p) {
    for (std::size_t run = 0; p + run <= d_.size(); ++run) {
      if (++visited_ > kTinyParses) return;
      const std::size_t q = p + run;
      if (q == d_.size()) {
        commands_.push_back({static_cast<std::uint32_t>(run), 0, 0});
        const TChunkCode code = CodeFor(commands_);
        if (judge_.Better(code, bestCode_)) {
          bestCode_ = code;
          best_ = commands_;
        }
        commands_.pop_back();
        return;
      }
      Copies(q, run);
    }
  }

  // Copies at q after a run: per distance symbol, its longest match and every length of it.
  void Copies(std::size_t q, std::size_t run) {
    std::array<std::size_t, kMaxSymbols> longest{};
    std::array<std::size_t, kMaxSymbols> distance{};
    for (std::size_t dist = 1; dist <= q; ++dist) {
      std::size_t len = 0;
      while (q + len < d_.size() && d_[q + len] == d_[q + len - dist]) ++len;
      const auto s = static_cast<std::size_t>(SymbolOf(static_cast<std::uint32_t>(dist - 1)));
      if (len > longest[s]) {
        longest[s] = len;
        distance[s] = dist;
      }
    }
    for (std::size_t s = 0; s < kMaxSymbols; ++s) {
      for (std::size_t len = 2; len <= longest[s]; ++len) {
        commands_.push_back({static_cast<std::uint32_t>(run), static_cast<std::uint32_t>(len),
                             static_cast<std::uint32_t>(distance[s])});
        From(q + len);
        commands_.pop_back();
      }
    }
  }

  std::span<const std::uint8_t> d_;
  const TJudge& judge_;
  TChunkCode& bestCode_;
  std::vector<TCommand>& best_;
  std::vector<TCommand> commands_;
  std::size_t visited_ = 0;
};

// The best chunk over a few searches, each from its first costs; then, where a table's
// highest symbols serve only a few commands, searches without them (a shorter table can
// outweigh their gain).
TChunkCode SearchChunk(TChunkParser& parser, const std::array<TTable, 3>* before,
                       const TJudge& judge, std::vector<TCommand>& best) {
  TChunkCode bestCode;
  bestCode.bits = kInf;
  constexpr std::array<int, 3> kAll = {kMaxSymbols, kMaxSymbols, kMaxSymbols};
  if (before != nullptr) {
    // The codes of the chunk before: similar data converges from them in fewer rounds.
    std::array<TCosts, 3> costs{};
    for (std::size_t t = 0; t < 3; ++t) costs[t].From((*before)[t], kMissingBits);
    Refine(parser, costs, kAll, kMissingBits, judge, bestCode, best);
  }
  // Large chunks: one search (the others gain about 0.1 %, at three times the time).
  const bool small = parser.Length() <= kExactSize;
  if (!small && before != nullptr) return bestCode;
  for (const auto& start : kStarts) {
    std::array<TCosts, 3> costs{};
    for (auto& c : costs) {
      for (std::size_t s = 0; s < kMaxSymbols; ++s) {
        c.bits[s] = start[0] + start[1] * static_cast<std::int64_t>(s) +
                    (s >= 2 ? static_cast<std::int64_t>(s) - 1 : 0);
      }
    }
    for (const std::int64_t missing : kMissing) {
      Refine(parser, costs, kAll, missing, judge, bestCode, best);
      if (!small) return bestCode;
    }
  }
  for (std::size_t t = 0; t < 3; ++t) {
    const TChunkCode found = bestCode;
    for (int cap = found.tables[t].count - 1; cap >= 0; --cap) {
      if (UsesFrom(best, t, cap) > kFewUses) break;
      for (const std::int64_t missing : kMissing) {
        std::array<TCosts, 3> costs{};
        for (std::size_t k = 0; k < 3; ++k) costs[k].From(found.tables[k], missing);
        std::array<int, 3> caps = kAll;
        caps[t] = cap;
        Refine(parser, costs, caps, missing, judge, bestCode, best);
      }
    }
  }
  return bestCode;
}

void WriteChunk(rnc1::TBitWriter& w, std::span<const std::uint8_t> data, std::size_t at,
                std::span<const TCommand> commands, const TChunkCode& code) {
  for (const TTable& t : code.tables) w.Table(t);
  w.Field(static_cast<std::uint32_t>(commands.size()), 16);
  for (const TCommand& c : commands) {
    w.Value(code.tables[0], c.run);
    for (std::uint32_t k = 0; k < c.run; ++k) w.Byte(data[at + k]);
    at += c.run;
    if (c.length == 0) break;
    w.Value(code.tables[1], c.distance - 1);
    w.Value(code.tables[2], c.length - 2);
    at += c.length;
  }
}

}  // namespace

std::vector<std::uint8_t> CompressRNC1(std::span<const std::uint8_t> data,
                                       const TCompressOptions& /*options*/) {
  rnc::CheckSize("RNC1", data.size());
  std::vector<std::uint8_t> out(rnc::kHeaderSize);
  rnc1::TBitWriter w{out};
  w.Field(0, 2);  // lock and key: a plain stream
  TMatchFinder finder(data);
  std::vector<TMatch> matches;
  std::vector<TCommand> best;
  std::array<TTable, 3> before{};
  std::size_t chunks = 0;
  TJudge judge{2, false};  // the lock and key bits
  for (std::size_t begin = 0; begin < data.size(); begin += kRnc1ChunkSize, ++chunks) {
    const std::size_t end = std::min(data.size(), begin + kRnc1ChunkSize);
    const std::size_t keep = finder.Chunk(begin, end, matches);
    TChunkParser parser(end - begin, matches, keep);
    judge.last = end == data.size();
    TChunkCode bestCode = SearchChunk(parser, chunks == 0 ? nullptr : &before, judge, best);
    if (data.size() <= kTinySize) TTinySearch(data, judge, bestCode, best).Run();
    judge.before += bestCode.bits - 8 * bestCode.literals;
    before = bestCode.tables;
    // Command counts fit: a chunk of 32767 bytes has at most 16384 copies.
    WriteChunk(w, data, begin, best, bestCode);
  }
  rnc::PutHeader(1, data, out, static_cast<std::uint8_t>(chunks));
  return out;
}

}  // namespace tegulo
