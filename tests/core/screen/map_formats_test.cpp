// Map entries and their places, checked against the worked examples of the map formats.
#include <gtest/gtest.h>

#include "screen/map_formats.h"
#include "screen/screen.h"

namespace tegulo {
namespace {

TEST(MapEntry, FieldsOfTheWorkedExamples) {
  struct Case {
    int format;
    std::uint32_t value;
    TMapCell cell;
  };
  const Case cases[] = {
      {kMapSNES, 0x6C25, {37, 3, true, false, true}},
      {kMapLinear, 0x6C25, {37, 3, true, false, true}},
      {kMapSNES, 0x83FF, {1023, 0, false, true, false}},
      {kMapGBAText, 0xB42A, {42, 11, true, false, false}},
      {kMapGBAText, 0x0BFF, {1023, 0, false, true, false}},
      {kMapGBAAffine, 0x7F, {127, 0, false, false, false}},
      {kMapMode7, 0xFF, {255, 0, false, false, false}},
      {kMapMode7Interleaved, 0x05, {5, 0, false, false, false}},
  };
  for (const Case& c : cases) {
    const TMapFormat& f = MapFormats()[c.format];
    EXPECT_EQ(DecodeMapEntry(f, c.value), c.cell) << f.name << " " << c.value;
    EXPECT_EQ(EncodeMapEntry(f, c.cell), c.value) << f.name << " " << c.value;
  }
}

TEST(MapEntry, PlaceOfACell) {
  struct Case {
    int format;
    std::int32_t width, x, y;
    std::int64_t byte;  // from the map's start
  };
  const Case cases[] = {
      {kMapSNES, 64, 40, 3, 0x8D0},                    // screen 1 of a 64 x 64 map
      {kMapSNES, 32, 5, 40, 2 * (1024 + 8 * 32 + 5)},  // 32 x 64: the bottom screen
      {kMapSNES, 64, 33, 40, 2 * (3 * 1024 + 8 * 32 + 1)},
      {kMapGBAText, 64, 33, 0, 0x802},  // 512 x 256 pixels
      {kMapLinear, 64, 40, 3, 2 * (3 * 64 + 40)},
      {kMapGBAAffine, 32, 1, 1, 0x21},
      {kMapMode7, 16, 1, 1, 0x81},  // 128 entries a row whatever the size shown
      {kMapMode7Interleaved, 128, 1, 1, 0x102},
  };
  for (const Case& c : cases) {
    const TMapFormat& f = MapFormats()[c.format];
    EXPECT_EQ(MapEntryIndex(f, c.width, c.x, c.y) * f.spacing, c.byte)
        << f.name << " (" << c.x << ", " << c.y << ")";
  }
}

TEST(MapFormat, FoundByNameInAnyCase) {
  EXPECT_EQ(FindMapFormat("SNES"), kMapSNES);
  EXPECT_EQ(FindMapFormat("Mode7-Interleaved"), kMapMode7Interleaved);
  EXPECT_EQ(FindMapFormat("gba"), std::nullopt);
  EXPECT_EQ(FindMapFormat(""), std::nullopt);
}

TEST(MapSize, TypedText) {
  using P = std::pair<std::int32_t, std::int32_t>;
  const std::pair<const char*, std::optional<P>> cases[] = {
      {"32x32", P{32, 32}},   {"64X28", P{64, 28}},     {"32 x 64", P{32, 64}},
      {"$20x$1C", P{32, 28}}, {"0x20x0x10", P{32, 16}}, {"32", std::nullopt},
      {"x32", std::nullopt},  {"32x", std::nullopt},    {"ax3", std::nullopt},
  };
  for (const auto& [text, size] : cases) EXPECT_EQ(ParseMapSize(text), size) << text;
}

}  // namespace
}  // namespace tegulo
