// "RNC1": the compressor. Chunks of kRnc1ChunkSize bytes, each its matches found
// (rnc1_matches.cpp), then the best parse and Huffman tables a search finds for it
// (rnc1_search.cpp over the exact parse of rnc1_parse.cpp and the tables of rnc1_tables.cpp),
// written with its tables, chunk by chunk, into one bit stream after the header.
#include <algorithm>
#include <array>
#include <vector>

#include "compress/rnc/rnc1_search.h"
#include "compress/rnc/rnc_format.h"

namespace tegulo {
namespace {

using rnc1::TChunkCode;
using rnc1::TChunkParser;
using rnc1::TCommand;
using rnc1::TJudge;
using rnc1::TMatchFinder;
using rnc1::TTable;

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
  rnc1::TChunkMatches matches;
  std::vector<TCommand> best;
  std::array<TTable, 3> before{};
  std::size_t chunks = 0;
  TJudge judge{2, false};  // the lock and key bits
  for (std::size_t begin = 0; begin < data.size(); begin += kRnc1ChunkSize, ++chunks) {
    const std::size_t end = std::min(data.size(), begin + kRnc1ChunkSize);
    finder.Chunk(begin, end, matches);
    TChunkParser parser(end - begin, matches);
    judge.last = end == data.size();
    TChunkCode bestCode = rnc1::SearchChunk(parser, chunks == 0 ? nullptr : &before, judge, best);
    if (data.size() <= rnc1::kTinySize) rnc1::SearchEveryParse(data, judge, bestCode, best);
    judge.before += bestCode.bits - 8 * bestCode.literals;
    before = bestCode.tables;
    // Command counts fit: a chunk of 32767 bytes has at most 16384 copies.
    WriteChunk(w, data, begin, best, bestCode);
  }
  rnc::PutHeader(1, data, out, static_cast<std::uint8_t>(chunks));
  return out;
}

}  // namespace tegulo
