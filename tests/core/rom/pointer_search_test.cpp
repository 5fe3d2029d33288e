// Pointer search in each layout's forms, rewriting in the same alias group, and free space.
#include "rom/pointer_search.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/uCommon.h"
#include "layout_fixtures.h"
#include "rom/free_space.h"

using namespace tegulo;
using tegulo::test::Bytes;

namespace {

void Put(Bytes& rom, std::size_t at, std::vector<std::uint8_t> bytes) {
  std::copy(bytes.begin(), bytes.end(), rom.begin() + static_cast<std::ptrdiff_t>(at));
}

struct THitRow {
  std::int64_t at;
  TPointerForm form;
  std::uint32_t value;
};

}  // namespace

TEST(PointerSearch, EveryFormAndAlias) {
  struct Row {
    const char* name;
    TMapping m;
    std::int64_t target;
    std::vector<std::pair<std::size_t, std::vector<std::uint8_t>>> planted;
    TPointerSearch search;
    std::vector<THitRow> expected;
  };
  const TPointerSearch unaligned{true, std::nullopt};
  const TPointerSearch split{false, TSplitTable{0x600, 0x640}};
  const Row rows[] = {
      {"gba aligned and mirrors",
       TMapping::Gba,
       0x1234,
       {{0x400, {0x34, 0x12, 0, 0x08}},
        {0x404, {0x34, 0x12, 0, 0x0C}},
        {0x409, {0x34, 0x12, 0, 0x08}}},
       {},
       {{0x400, TPointerForm::Gba32, 0x08001234}, {0x404, TPointerForm::Gba32, 0x0C001234}}},
      {"gba unaligned",
       TMapping::Gba,
       0x1234,
       {{0x400, {0x34, 0x12, 0, 0x08}}, {0x409, {0x34, 0x12, 0, 0x0A}}},
       unaligned,
       {{0x400, TPointerForm::Gba32, 0x08001234}, {0x409, TPointerForm::Gba32, 0x0A001234}}},
      {"lorom slow and fast banks",
       TMapping::LoRom,
       0x12345,
       {{0x100, {0x45, 0xA3, 0x02}}, {0x203, {0x45, 0xA3, 0x82}}, {0x300, {0x45, 0xA3, 0x03}}},
       {},
       {{0x100, TPointerForm::Snes24, 0x02A345}, {0x203, TPointerForm::Snes24, 0x82A345}}},
      {"hirom banks",
       TMapping::HiRom,
       0x1ABCD,
       {{0x100, {0xCD, 0xAB, 0xC1}},
        {0x110, {0xCD, 0xAB, 0x41}},
        {0x120, {0xCD, 0xAB, 0x01}},
        {0x130, {0xCD, 0xAB, 0x81}},
        {0x140, {0xCD, 0xAB, 0x7F}}},
       {},
       {{0x100, TPointerForm::Snes24, 0xC1ABCD},
        {0x110, TPointerForm::Snes24, 0x41ABCD},
        {0x120, TPointerForm::Snes24, 0x01ABCD},
        {0x130, TPointerForm::Snes24, 0x81ABCD}}},
      {"lorom split table",
       TMapping::LoRom,
       0x12345,
       {{0x604, {0x45, 0xA3}}, {0x642, {0x82}}, {0x610, {0x45, 0xA3}}, {0x648, {0x05}}},
       split,
       {{0x604, TPointerForm::Snes16Split, 0x82A345}}},
  };
  for (const Row& r : rows) {
    Bytes rom =
        r.m == TMapping::Gba ? tegulo::test::GbaRom(0x20000) : tegulo::test::SnesRom(r.m, 0x20000);
    for (const auto& [at, bytes] : r.planted) Put(rom, at, bytes);
    const TRomLayout layout = DetectLayout(rom);
    ASSERT_EQ(layout.mapping, r.m) << r.name;
    const std::vector<TPointerHit> hits = FindPointers(rom, layout, r.target, r.search);
    ASSERT_EQ(hits.size(), r.expected.size()) << r.name;
    for (std::size_t i = 0; i < hits.size(); ++i) {
      EXPECT_EQ(hits[i].at, r.expected[i].at) << r.name << " hit " << i;
      EXPECT_EQ(hits[i].form, r.expected[i].form) << r.name << " hit " << i;
      EXPECT_EQ(hits[i].value, r.expected[i].value) << r.name << " hit " << i;
      // Each place found reads back as a pointer to the target.
      EXPECT_TRUE(PointerAt(rom, layout, hits[i].at, r.target, r.search)) << r.name;
    }
  }
}

TEST(PointerSearch, MovedPointersKeepTheirAliasGroup) {
  struct Row {
    TMapping m;
    std::uint32_t old;
    std::int64_t to;
    std::optional<std::uint32_t> moved;
  };
  const Row rows[] = {
      {TMapping::Gba, 0x08001234, 0x1000000, 0x09000000},
      {TMapping::Gba, 0x0C001234, 0x2000, 0x0C002000},
      {TMapping::LoRom, 0x02A345, 0x18000, 0x038000},
      {TMapping::LoRom, 0x82A345, 0x18000, 0x838000},
      {TMapping::HiRom, 0xC1ABCD, 0x21234, 0xC21234},
      {TMapping::HiRom, 0x01ABCD, 0x28000, 0x028000},
      {TMapping::HiRom, 0x01ABCD, 0x21234, std::nullopt},  // bank 0x02 shows no address < 0x8000
      {TMapping::ExHiRom, 0x456789, 0x460000, 0x460000},
      {TMapping::ExHiRom, 0x456789, 0x10000, std::nullopt},
  };
  for (const Row& r : rows) {
    const TRomLayout layout{r.m, 0, 0x2000000, {}};
    const TPointerHit hit{0, r.m == TMapping::Gba ? TPointerForm::Gba32 : TPointerForm::Snes24,
                          r.old, -1};
    EXPECT_EQ(MovedValue(layout, hit, r.to), r.moved) << std::hex << r.old << " to " << r.to;
  }
  Bytes rom(8, 0);
  WritePointer(rom, {2, TPointerForm::Snes16Split, 0, 6}, 0x83A001);
  EXPECT_EQ(rom, (Bytes{0, 0, 0x01, 0xA0, 0, 0, 0x83, 0}));
}

TEST(PointerSearch, Refusals) {
  // A ROM of nothing but one pointer, repeated: more places than any table holds.
  Bytes flood = tegulo::test::GbaRom(0x40200);
  for (std::size_t i = 0x100; i + 4 <= flood.size(); i += 4) {
    flood[i] = 0x00, flood[i + 1] = 0x01, flood[i + 2] = 0, flood[i + 3] = 0x08;
  }
  const Bytes plain = tegulo::test::Filler(0x1000);
  struct Row {
    const Bytes* rom;
    TRomLayout layout;
    std::string message;
  };
  const Row rows[] = {
      {&plain,
       {TMapping::None, 0, plain.size(), {}},
       "The ROM's layout is not known from its headers"},
      {&plain, {TMapping::LoRom, 0, plain.size(), {}}, "No LoROM address reads the ROM at $002000"},
      {&flood,
       {TMapping::Gba, 0, flood.size(), {}},
       "More than 65536 places hold the address: too many to be pointers"},
  };
  for (const Row& r : rows) {
    try {
      FindPointers(*r.rom, r.layout, r.message[0] == 'M' ? 0x100 : 0x2000, {});
      ADD_FAILURE() << r.message << ": not refused";
    } catch (const TError& e) {
      EXPECT_EQ(e.what(), r.message);
    }
  }
}

TEST(FreeSpace, RunsInUsableBytes) {
  struct Row {
    const char* name;
    TMapping m;
    bool copier;
    std::vector<std::pair<std::size_t, std::size_t>> ffRuns, zeroRuns;  // image offsets
    TFreeOptions options;
    std::vector<std::pair<std::int64_t, std::int64_t>> expected;  // file offsets, lengths
  };
  const Row rows[] = {
      {"lorom: header and bank cut the run",
       TMapping::LoRom,
       false,
       {{0x7000, 0x9000}},
       {},
       {},
       {{0x7000, 0xFB0}, {0x8000, 0x1000}}},
      {"lorom with copier header: offsets move by 512",
       TMapping::LoRom,
       true,
       {{0x1000, 0x1100}},
       {},
       {},
       {{0x1200, 0x100}}},
      {"gba: starts aligned to 4",
       TMapping::Gba,
       false,
       {{0x1001, 0x1100}},
       {},
       {},
       {{0x1004, 0xFC}}},
      {"min drops short runs",
       TMapping::Gba,
       false,
       {{0x1000, 0x1010}, {0x2000, 0x2040}},
       {},
       {},
       {{0x2000, 0x40}}},
      {"00 and any",
       TMapping::HiRom,
       false,
       {{0x1000, 0x1040}},
       {{0x2000, 0x2040}},
       {32, TFillKind::Any, 0},
       {{0x1000, 0x40}, {0x2000, 0x40}}},
      {"00 only",
       TMapping::HiRom,
       false,
       {{0x1000, 0x1040}},
       {{0x2000, 0x2040}},
       {32, TFillKind::Zero, 0},
       {{0x2000, 0x40}}},
      {"align 256",
       TMapping::HiRom,
       false,
       {{0x1010, 0x1240}},
       {},
       {32, TFillKind::Ff, 256},
       {{0x1100, 0x140}}},
      {"gba header never free", TMapping::Gba, false, {{0x00, 0x100}}, {}, {}, {{0xC0, 0x40}}},
  };
  for (const Row& r : rows) {
    Bytes rom = r.m == TMapping::Gba ? tegulo::test::GbaRom(0x20000)
                                     : tegulo::test::SnesRom(r.m, 0x20000, r.copier);
    const std::size_t h = r.copier ? 512 : 0;
    for (const auto& [b, e] : r.ffRuns) std::fill(rom.begin() + h + b, rom.begin() + h + e, 0xFF);
    for (const auto& [b, e] : r.zeroRuns) std::fill(rom.begin() + h + b, rom.begin() + h + e, 0);
    const TRomLayout layout = LayoutWith(rom, r.m);
    std::vector<std::pair<std::int64_t, std::int64_t>> got;
    for (const TFreeRun& run : FindFreeSpace(rom, layout, r.options)) {
      got.emplace_back(run.start, run.length);
    }
    EXPECT_EQ(got, r.expected) << r.name;
  }
}
