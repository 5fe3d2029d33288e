// Repeated bytes in the scan: the shared comparison agrees with a byte-by-byte one, and the
// outcomes handed on to repeating candidates are the ones each would get on its own.
#include "compress/scan/scan_repeat.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "compress/scan/lz10_scan.h"

namespace tegulo {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Period-4 content broken here and there: long repeats, short ones and none.
Bytes BrokenPattern(std::size_t size, std::uint32_t seed,
                    std::initializer_list<std::uint8_t> unit) {
  const Bytes u(unit);
  Bytes b(size);
  std::mt19937 rng(seed);
  for (std::size_t i = 0; i < size; ++i) b[i] = u[i % u.size()];
  for (int k = 0; k < 40; ++k) b[rng() % size] = static_cast<std::uint8_t>(rng());
  return b;
}

bool SameByteByByte(const Bytes& b, std::size_t from, std::size_t to, std::size_t d) {
  if (from < d || to > b.size()) return false;
  for (std::size_t j = from; j < to; ++j) {
    if (b[j] != b[j - d]) return false;
  }
  return true;
}

TEST(TRepeatRange, AgreesWithAComparisonByteByByteRisingAndFalling) {
  const Bytes rom = BrokenPattern(20000, 3, {0x10, 0x00, 0x00, 0x02});
  std::mt19937 rng(4);
  for (const bool rising : {true, false}) {
    TRepeatRange repeats(rom, 4);
    for (int step = 0; step < 4000; ++step) {
      const std::size_t from = rising ? step * 5 : rom.size() - 1 - step * 5;
      const std::size_t to = from + rng() % 3000;
      ASSERT_EQ(repeats.Same(from, to), SameByteByByte(rom, from, to, 4))
          << (rising ? "rising " : "falling ") << from << ".." << to;
    }
  }
}

// Every position judged on its own, an accept rule that looks only at the stream's bytes.
std::vector<TLZ10Stream> OneByOne(const Bytes& rom, std::uint32_t align,
                                  bool (*accept)(const TLZ10Stream&)) {
  std::vector<TLZ10Stream> found;
  std::size_t freeFrom = 0;
  for (std::size_t pos = 0; pos + 4 <= rom.size(); pos += align) {
    if (pos < freeFrom) continue;
    const auto s = CheckLZ10Stream(rom, pos);
    if (!s || s->rawSize < 32 || !accept(*s)) continue;
    found.push_back(*s);
    freeFrom = pos + s->comprSize;
  }
  return found;
}

TEST(ScanLZ10, RefusedStreamsOfRepeatedBytesAreRefusedAsEachOnItsOwn) {
  const struct {
    const char* what;
    bool (*accept)(const TLZ10Stream&);
  } kRules[] = {
      {"none accepted", [](const TLZ10Stream&) { return false; }},
      {"the odd lengths", [](const TLZ10Stream& s) { return s.comprSize % 2 == 1; }},
      {"the short ones", [](const TLZ10Stream& s) { return s.rawSize < 5000; }},
  };
  const Bytes roms[] = {BrokenPattern(60000, 5, {0x10, 0x00, 0x00, 0x02}),
                        BrokenPattern(60000, 6, {0x10, 0x10, 0x30, 0x00}),
                        BrokenPattern(30000, 7, {0x10, 0x00, 0x01, 0x00, 0x00, 0x00, 0x10, 0x02})};
  for (const auto& rule : kRules) {
    for (std::size_t r = 0; r < std::size(roms); ++r) {
      for (const std::uint32_t align : {1U, 4U}) {
        TLZ10ScanOptions options{32, align};
        options.accept = [&rule](const TLZ10Stream& s) {
          return rule.accept(s) ? TLZ10ScanOptions::TAccept::kTakeAndHide
                                : TLZ10ScanOptions::TAccept::kRefuse;
        };
        EXPECT_EQ(ScanLZ10(roms[r], options), OneByOne(roms[r], align, rule.accept))
            << rule.what << ", ROM " << r << ", align " << align;
      }
    }
  }
}

}  // namespace
}  // namespace tegulo
