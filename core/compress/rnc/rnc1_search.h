// RNC1's compressor inside: a chunk's matches, its exact parse for given code lengths, the
// Huffman tables of a parse and the search that alternates the two. Shared by the files of
// the compressor (rnc1_matches.cpp, rnc1_parse.cpp, rnc1_tables.cpp, rnc1_search.cpp,
// rnc1_compressor.cpp); nothing outside them includes it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <limits>
#include <optional>
#include <span>
#include <vector>

#include "compress/rnc/rnc1_bits.h"
#include "compress/search/window_matches.h"

namespace tegulo::rnc1 {

inline constexpr std::int64_t kInf = std::numeric_limits<std::int64_t>::max() / 4;
// Data up to this size gets, at each position, the longest match of every distance class
// (found by trying every distance): the parse is then exact for its costs.
inline constexpr std::size_t kExactSize = 1024;
// Data up to this size is also searched in full (TTinySearch).
inline constexpr std::size_t kTinySize = 12;

struct TMatch {
  std::uint16_t length = 0;  // 0: none
  std::uint16_t distance = 0;
};

// The matches of a chunk's positions, by length (each covering the shorter lengths), in
// position order: how many each position has, and all of them one after the other.
struct TChunkMatches {
  std::vector<std::uint8_t> count;
  std::vector<TMatch> match;
};

// A chunk's run of literals and the copy after it (all below 65536 in a chunk of 32767 bytes).
struct TCommand {
  std::uint16_t run = 0;     // literals before the copy
  std::uint16_t length = 0;  // 0: the chunk's last run
  std::uint16_t distance = 0;
};

// Bits of a value under a table's code lengths; symbols the table lacks cost `missing`.
struct TCosts {
  std::array<std::int64_t, kMaxSymbols> bits{};
  void From(const TTable& t, std::int64_t missing);
  std::int64_t Of(std::uint32_t v) const { return bits[static_cast<std::size_t>(SymbolOf(v))]; }
};

// The sliding minimum of P[i] - 8 i over the start positions of a run of one length class:
// a deque of positions in a ring of as many as the class has run lengths.
struct TWindowMin {
  std::vector<std::uint16_t> ring;  // positions in a chunk: below 32768
  std::size_t head = 0;
  std::size_t size = 0;
  void Clear(std::size_t capacity);
  std::uint32_t Front() const { return ring[head]; }
  std::uint32_t Back() const { return ring[Wrap(head + size - 1)]; }
  void PushBack(std::uint32_t i) {
    ring[Wrap(head + size)] = static_cast<std::uint16_t>(i);
    ++size;
  }
  void PopFront() {
    head = Wrap(head + 1);
    --size;
  }

private:
  // A place below twice the ring's size, brought into it.
  std::size_t Wrap(std::size_t at) const { return at >= ring.size() ? at - ring.size() : at; }
};

// The exact cheapest parse of a chunk for given costs: a run of literals before every copy,
// each run and copy costed by its length class.
class TChunkParser {
public:
  TChunkParser(std::size_t length, const TChunkMatches& matches) : m_(length), matches_(matches) {}

  std::size_t Length() const { return m_; }
  // The commands of a cheapest parse for the costs (runs, distances, lengths); its cost in
  // bits, kBarred or more when only barred symbols reach the end.
  std::int64_t Parse(const std::array<TCosts, 3>& costs, std::vector<TCommand>& commands);

private:
  std::int64_t RunMin(std::size_t k, const TCosts& runs, std::uint16_t& runLength);
  void RelaxCopies(std::size_t k, std::span<const TMatch> kept, std::int64_t q, const TCosts& dist,
                   const TCosts& len);
  void Walk(const TCosts& dist, std::vector<TCommand>& commands,
            std::span<const std::uint16_t> backQ);

  std::size_t m_;
  const TChunkMatches& matches_;
  // The cheapest with a copy ending at k (or the chunk's start); kUnreached where none is
  // (barred costs never fit).
  std::vector<std::int32_t> p_;
  // The length of that copy; its distance is found again from the matches and the costs.
  std::vector<std::uint16_t> backP_;
  std::array<TWindowMin, kMaxSymbols> windows_;
};

// The cost of a symbol a search leaves out.
inline constexpr std::int64_t kBarred = kInf / 4;

// The tables of a parse and the chunk's exact size in bits, its literals at 8 each.
struct TChunkCode {
  std::array<TTable, 3> tables;
  std::int64_t bits = 0;
  std::int64_t literals = 0;
};

// The Huffman tables of a parse (runs, distances, lengths) and the chunk's size under them.
TChunkCode CodeFor(std::span<const TCommand> commands);

// Whether two parses' tables give every symbol the same code length.
bool SameLengths(const std::array<TTable, 3>& a, const std::array<TTable, 3>& b);

// Uses of the symbols from `cap` on in table t (0 runs, 1 distances, 2 lengths) of the
// commands.
std::size_t UsesFrom(std::span<const TCommand> commands, std::size_t t, int cap);

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

// The matches of every position of a chunk, in the order of the chunks.
class TMatchFinder {
public:
  explicit TMatchFinder(std::span<const std::uint8_t> d);
  // Finds the matches of data[begin..end), which follows the last chunk asked for.
  void Chunk(std::size_t begin, std::size_t end, TChunkMatches& out);

private:
  std::size_t Extend(std::size_t p, TMatchPair m);
  void ChunkExact(std::size_t begin, std::size_t end, TChunkMatches& out,
                  std::deque<TMatch>& found) const;
  void ChunkTree(std::size_t begin, std::size_t end, TChunkMatches& out, std::deque<TMatch>& found);

  std::span<const std::uint8_t> data_;
  std::optional<TWindowMatcher> tree_;  // none for data small enough to search in full
  std::vector<TMatchPair> pairs_;
  std::size_t longDistance_ = 0;
  std::size_t longEnd_ = 0;
};

// The best chunk over a few searches, each from its first costs (those of the chunk
// before, when there is one, among them), its commands in `best`.
TChunkCode SearchChunk(TChunkParser& parser, const std::array<TTable, 3>* before,
                       const TJudge& judge, std::vector<TCommand>& best);

// For data of kTinySize bytes or fewer: every parse, each with the tables of its symbols;
// replaces bestCode and best where one is better. False when the search was cut short.
bool SearchEveryParse(std::span<const std::uint8_t> data, const TJudge& judge, TChunkCode& bestCode,
                      std::vector<TCommand>& best);

}  // namespace tegulo::rnc1
