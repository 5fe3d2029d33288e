// ROM layouts: the worked conversions of the format notes both ways, detection of each layout
// from built headers, and the mirrored checksum against a plain sum.
#include "rom/rom_layout.h"

#include <gtest/gtest.h>

#include <random>

#include <vector>

#include "layout_fixtures.h"

using namespace tegulo;
using tegulo::test::Bytes;

namespace {

TRomLayout Layout(TMapping m, std::size_t size, std::size_t copier = 0) {
  return TRomLayout{m, copier, size + copier, {}};
}

}  // namespace

TEST(RomLayout, WorkedConversions) {
  struct Row {
    TMapping m;
    std::int64_t offset;
    std::vector<std::uint32_t> aliases;  // the usual one first
  };
  const Row rows[] = {
      {TMapping::Gba, 0x000000, {0x08000000, 0x0A000000, 0x0C000000}},
      {TMapping::Gba, 0x123456, {0x08123456, 0x0A123456, 0x0C123456}},
      {TMapping::Gba, 0x1000000, {0x09000000, 0x0B000000, 0x0D000000}},
      {TMapping::LoRom, 0x000000, {0x008000, 0x808000}},
      {TMapping::LoRom, 0x007FC0, {0x00FFC0, 0x80FFC0}},
      {TMapping::LoRom, 0x012345, {0x02A345, 0x82A345}},
      {TMapping::LoRom, 0x0ABCDE, {0x15BCDE, 0x95BCDE}},
      {TMapping::LoRom, 0x1FFFFF, {0x3FFFFF, 0xBFFFFF}},
      {TMapping::LoRom, 0x200000, {0x408000, 0xC08000}},
      {TMapping::LoRom, 0x3F8000, {0xFF8000}},
      {TMapping::HiRom, 0x00FFC0, {0xC0FFC0, 0x40FFC0, 0x00FFC0, 0x80FFC0}},
      {TMapping::HiRom, 0x012345, {0xC12345, 0x412345}},
      {TMapping::HiRom, 0x0ABCDE, {0xCABCDE, 0x4ABCDE, 0x0ABCDE, 0x8ABCDE}},
      {TMapping::HiRom, 0x3E1234, {0xFE1234}},
      {TMapping::ExHiRom, 0x123456, {0xD23456}},
      {TMapping::ExHiRom, 0x456789, {0x456789}},
      {TMapping::ExHiRom, 0x40FFC0, {0x40FFC0, 0x00FFC0}},
  };
  for (const Row& r : rows) {
    const TRomLayout layout = Layout(r.m, 0x2000000);
    const TBusAliases a = BusAliases(layout, r.offset);
    EXPECT_EQ(std::vector<std::uint32_t>(a.View().begin(), a.View().end()), r.aliases)
        << MappingName(r.m) << " " << std::hex << r.offset;
    for (const std::uint32_t bus : r.aliases) {
      EXPECT_EQ(FileOffset(layout, bus), r.offset) << MappingName(r.m) << " " << std::hex << bus;
    }
  }
}

TEST(RomLayout, AddressesThatReadNoRom) {
  struct Row {
    TMapping m;
    std::uint32_t bus;
    std::optional<std::int64_t> offset;
  };
  const Row rows[] = {
      {TMapping::LoRom, 0x8ABCDE, 0x053CDE},       {TMapping::HiRom, 0x8ABCDE, 0x0ABCDE},
      {TMapping::LoRom, 0x0A1234, std::nullopt},   {TMapping::HiRom, 0x0A1234, std::nullopt},
      {TMapping::ExHiRom, 0x0A1234, std::nullopt}, {TMapping::LoRom, 0x400000, 0x200000},
      {TMapping::LoRom, 0x7E8000, std::nullopt},   {TMapping::HiRom, 0x7F0000, std::nullopt},
      {TMapping::LoRom, 0xFE0000, std::nullopt},   {TMapping::HiRom, 0x123456, std::nullopt},
      {TMapping::Gba, 0x07FFFFFC, std::nullopt},   {TMapping::Gba, 0x0E000000, std::nullopt},
      {TMapping::Gba, 0x08800000, std::nullopt},  // past the 8 MiB image
      {TMapping::None, 0x008000, std::nullopt},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(FileOffset(Layout(r.m, 0x800000), r.bus), r.offset)
        << MappingName(r.m) << " " << std::hex << r.bus;
  }
  // A copier header moves every file offset by 512, and its bytes read no address.
  const TRomLayout copier = Layout(TMapping::LoRom, 0x20000, 512);
  EXPECT_EQ(FileOffset(copier, 0x02A345), 0x012345 + 512);
  EXPECT_EQ(BusAliases(copier, 0x012345 + 512).values[0], 0x02A345u);
  EXPECT_EQ(BusAliases(copier, 100).count, 0u);
  EXPECT_EQ(BusAliases(copier, 0x20000 + 512).count, 0u);
}

TEST(RomLayout, Detection) {
  using tegulo::test::GbaRom;
  using tegulo::test::SnesRom;
  struct Row {
    const char* name;
    Bytes rom;
    TMapping expected;
    std::size_t copier;
  };
  Bytes badGba = GbaRom(0x10000);
  badGba[0xBD] ^= 1;
  Bytes unpaired = SnesRom(TMapping::LoRom, 0x20000);
  unpaired[0x7FC0 + 0x1C] ^= 1;  // complement broken; the mode byte still says LoROM
  Bytes wrongSize = SnesRom(TMapping::LoRom, 0x20000);
  wrongSize[0x7FC0 + 0x17] = 0x0C;  // 4 MiB for a 128 KiB file
  Bytes oneByte = tegulo::test::Filler(0x20000);
  oneByte[0x7FC0 + 0x15] = 0x20;
  Bytes noSign = SnesRom(TMapping::LoRom, 0x20000, false, 0x00);
  noSign[0x7FC0 + 0x1C] ^= 1;
  const Row rows[] = {
      {"gba", GbaRom(0x10000), TMapping::Gba, 0},
      {"gba with a bad complement", badGba, TMapping::None, 0},
      {"lorom", SnesRom(TMapping::LoRom, 0x20000), TMapping::LoRom, 0},
      {"lorom, copier header", SnesRom(TMapping::LoRom, 0x20000, true), TMapping::LoRom, 512},
      {"lorom 3 x 32 KiB", SnesRom(TMapping::LoRom, 0x18000), TMapping::LoRom, 0},
      {"lorom, no checksum pair", unpaired, TMapping::None, 0},
      {"lorom, a size byte that does not fit", wrongSize, TMapping::None, 0},
      {"filler with one plausible mode byte", oneByte, TMapping::None, 0},
      {"lorom, no strong sign", noSign, TMapping::None, 0},
      {"hirom", SnesRom(TMapping::HiRom, 0x20000), TMapping::HiRom, 0},
      {"hirom, copier header", SnesRom(TMapping::HiRom, 0x30000, true), TMapping::HiRom, 512},
      {"exhirom", SnesRom(TMapping::ExHiRom, 0x480000), TMapping::ExHiRom, 0},
      {"interleaved hirom", SnesRom(TMapping::LoRom, 0x20000, false, 0x21), TMapping::None, 0},
      {"filler", tegulo::test::Filler(0x20000), TMapping::None, 0},
      {"empty", Bytes{}, TMapping::None, 0},
  };
  for (const Row& r : rows) {
    const TRomLayout layout = DetectLayout(r.rom);
    EXPECT_EQ(layout.mapping, r.expected) << r.name;
    EXPECT_EQ(layout.copierHeader, r.copier) << r.name;
    EXPECT_EQ(layout.size, r.rom.size()) << r.name;
  }
  EXPECT_NE(DetectLayout(rows[12].rom).note.find("interleaved"), std::string::npos);
}

// Random bytes give no layout: one header byte that happens to fit is chance.
TEST(RomLayout, RandomBytesHaveNoLayout) {
  std::mt19937 rng(8);
  int detected = 0;
  for (int i = 0; i < 400; ++i) {
    Bytes rom(0x10000);
    for (std::uint8_t& b : rom) b = static_cast<std::uint8_t>(rng());
    detected += DetectLayout(rom).mapping != TMapping::None ? 1 : 0;
  }
  EXPECT_EQ(detected, 0);
}

TEST(RomLayout, ChecksumMirrorsTheRest) {
  // 2 + 1 blocks count as 2 + 2 x the last (a rest that is a power of two, as in ROMs).
  for (const std::size_t size : {0x8000u, 0xC000u, 0x18000u, 0x10000u, 0x28000u}) {
    const Bytes image = tegulo::test::Filler(size);
    EXPECT_EQ(SnesChecksum(image, 0x7FC0), tegulo::test::PlainChecksum(image, 0x7FC0))
        << std::hex << size;
  }
}

TEST(RomLayout, NamesAndReservedBytes) {
  for (const char* name : {"gba", "LoROM", "hirom", "EXHIROM", "none"}) {
    EXPECT_TRUE(ParseMapping(name).has_value()) << name;
  }
  EXPECT_FALSE(ParseMapping("sa1").has_value());
  struct Row {
    TMapping m;
    std::size_t copier;
    std::vector<std::pair<std::int64_t, std::int64_t>> ranges;
  };
  const Row rows[] = {
      {TMapping::Gba, 0, {{0, 0xC0}}},
      {TMapping::LoRom, 512, {{0, 512}, {512 + 0x7FB0, 512 + 0x8000}}},
      {TMapping::HiRom, 0, {{0xFFB0, 0x10000}}},
      {TMapping::ExHiRom, 0, {{0x40FFB0, 0x410000}}},
      {TMapping::None, 0, {}},
  };
  for (const Row& r : rows) {
    std::vector<std::pair<std::int64_t, std::int64_t>> got;
    for (const TByteRange& x : ReservedRanges(Layout(r.m, 0x800000, r.copier))) {
      got.emplace_back(x.begin, x.end);
    }
    EXPECT_EQ(got, r.ranges) << MappingName(r.m);
  }
}
