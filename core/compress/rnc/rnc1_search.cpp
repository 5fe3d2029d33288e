// RNC1's compressor: the search for a chunk's parse and tables. A parse for given code lengths
// and the Huffman codes rebuilt from that parse alternate for a few rounds from several first
// costs, the smallest chunk kept; data of a few bytes is searched in full.
#include <algorithm>

#include "compress/rnc/rnc1_search.h"

namespace tegulo::rnc1 {
namespace {

constexpr int kRounds = 8;
// What a symbol the last codes lack costs in the next parse: a code longer than most, and
// the table's growth.
constexpr std::int64_t kMissingBits = 12;
// And the other costs small data tries (its tables weigh more).
constexpr std::array<std::int64_t, 3> kMissing = {kMissingBits, 4, 8};
// Table symbols that serve at most this many commands are tried without.
constexpr std::size_t kFewUses = 4;
constexpr std::array<int, 3> kAll = {kMaxSymbols, kMaxSymbols, kMaxSymbols};

// The first costs of each search: every symbol alike, or the small ones cheaper (short runs,
// copies and near distances, which keep the tables short).
constexpr std::array<std::array<std::int64_t, 2>, 3> kStarts = {{{4, 0}, {1, 1}, {8, 0}}};

// What one search keeps: the best chunk so far and its commands.
struct TBest {
  const TJudge& judge;
  TChunkCode& code;
  std::vector<TCommand>& commands;
  void Offer(const TChunkCode& c, std::span<const TCommand> from) {
    if (!judge.Better(c, code)) return;
    code = c;
    commands.assign(from.begin(), from.end());
  }
};

// Alternates a parse for the costs with the codes of that parse until the size stops
// falling; symbols of table t from cap[t] on are not used. Keeps the smallest in `best`.
void Refine(TChunkParser& parser, std::array<TCosts, 3> costs, std::array<int, 3> cap,
            std::int64_t missing, TBest& best) {
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
    best.Offer(code, commands);
    // Codes the parse was made for give that parse again.
    if (code.bits >= last || SameLengths(code.tables, lastTables)) return;
    last = code.bits;
    lastTables = code.tables;
    for (std::size_t t = 0; t < 3; ++t) costs[t].From(code.tables[t], missing);
  }
}

std::array<TCosts, 3> CostsOf(const std::array<TTable, 3>& tables, std::int64_t missing) {
  std::array<TCosts, 3> costs{};
  for (std::size_t t = 0; t < 3; ++t) costs[t].From(tables[t], missing);
  return costs;
}

// Searches from each of kStarts (only the first of them, with one cost of missing symbols,
// for large chunks).
void SearchStarts(TChunkParser& parser, bool small, TBest& best) {
  for (const auto& start : kStarts) {
    std::array<TCosts, 3> costs{};
    for (auto& c : costs) {
      for (std::size_t s = 0; s < kMaxSymbols; ++s) {
        c.bits[s] = start[0] + start[1] * static_cast<std::int64_t>(s) +
                    (s >= 2 ? static_cast<std::int64_t>(s) - 1 : 0);
      }
    }
    for (const std::int64_t missing : kMissing) {
      Refine(parser, costs, kAll, missing, best);
      if (!small) return;
    }
  }
}

// Where a table's highest symbols serve only a few commands, searches without them (a
// shorter table can outweigh their gain).
void SearchShorterTables(TChunkParser& parser, TBest& best) {
  for (std::size_t t = 0; t < 3; ++t) {
    const TChunkCode found = best.code;
    for (int cap = found.tables[t].count - 1; cap >= 0; --cap) {
      if (UsesFrom(best.commands, t, cap) > kFewUses) break;
      for (const std::int64_t missing : kMissing) {
        std::array<int, 3> caps = kAll;
        caps[t] = cap;
        Refine(parser, CostsOf(found.tables, missing), caps, missing, best);
      }
    }
  }
}

// Every parse of data of a few bytes (runs of every length, copies of every length from one
// distance of each distance symbol, which all cost alike), each with the Huffman tables of
// its symbols, unless the parses outnumber kTinyParses.
constexpr std::size_t kTinyParses = 1 << 20;

class TTinySearch {
public:
  TTinySearch(std::span<const std::uint8_t> data, TBest& best) : d_(data), best_(best) {}

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
        commands_.push_back({static_cast<std::uint16_t>(run), 0, 0});
        best_.Offer(CodeFor(commands_), commands_);
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
        commands_.push_back({static_cast<std::uint16_t>(run), static_cast<std::uint16_t>(len),
                             static_cast<std::uint16_t>(distance[s])});
        From(q + len);
        commands_.pop_back();
      }
    }
  }

  std::span<const std::uint8_t> d_;
  TBest& best_;
  std::vector<TCommand> commands_;
  std::size_t visited_ = 0;
};

}  // namespace

TChunkCode SearchChunk(TChunkParser& parser, const std::array<TTable, 3>* before,
                       const TJudge& judge, std::vector<TCommand>& best) {
  TChunkCode bestCode;
  bestCode.bits = kInf;
  TBest found{judge, bestCode, best};
  if (before != nullptr) {
    // The codes of the chunk before: similar data converges from them in fewer rounds.
    Refine(parser, CostsOf(*before, kMissingBits), kAll, kMissingBits, found);
  }
  // Large chunks: one search (the others gain about 0.1 %, at three times the time).
  const bool small = parser.Length() <= kExactSize;
  if (!small && before != nullptr) return bestCode;
  SearchStarts(parser, small, found);
  if (small) SearchShorterTables(parser, found);
  return bestCode;
}

bool SearchEveryParse(std::span<const std::uint8_t> data, const TJudge& judge, TChunkCode& bestCode,
                      std::vector<TCommand>& best) {
  TBest found{judge, bestCode, best};
  return TTinySearch(data, found).Run();
}

}  // namespace tegulo::rnc1
