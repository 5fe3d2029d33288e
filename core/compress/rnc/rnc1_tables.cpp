// RNC1's compressor: the Huffman tables of a parse and the costs they give the next one.
#include "compress/rnc/rnc1_search.h"

namespace tegulo::rnc1 {

void TCosts::From(const TTable& t, std::int64_t missing) {
  for (int s = 0; s < kMaxSymbols; ++s) {
    const auto l = s < t.count ? t.lengths[static_cast<std::size_t>(s)] : 0;
    bits[static_cast<std::size_t>(s)] = (l != 0 ? l : missing) + (s >= 2 ? s - 1 : 0);
  }
}

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

bool SameLengths(const std::array<TTable, 3>& a, const std::array<TTable, 3>& b) {
  for (std::size_t t = 0; t < 3; ++t) {
    if (a[t].count != b[t].count || a[t].lengths != b[t].lengths) return false;
  }
  return true;
}

std::size_t UsesFrom(std::span<const TCommand> commands, std::size_t t, int cap) {
  std::size_t uses = 0;
  for (const TCommand& c : commands) {
    const std::uint32_t v = t == 0 ? c.run : t == 1 ? c.distance - 1 : c.length - 2;
    if ((t == 0 || c.length != 0) && SymbolOf(v) >= cap) ++uses;
  }
  return uses;
}

}  // namespace tegulo::rnc1
