// The free-space check of a stream moved by --at: fill bytes, the old stream's own bytes,
// and the entries of a document that the range would hit.
#include "rom/live_data.h"

#include <gtest/gtest.h>

#include "base/uCommon.h"
#include "palette/entry_template.h"

using namespace tegulo;

namespace {

using Bytes = std::vector<std::uint8_t>;

TTileEntry Named(std::int32_t address, int scheme, std::int32_t comprSize, const char* name) {
  TTileEntry e = NewEntry("$0", 2, 2, 0);
  e.Address = address;
  ApplyTemplate(e, 1);  // 4bpp (GBA): 32 bytes a tile, 128 for the entry
  e.Compression = static_cast<std::uint8_t>(scheme);
  e.ComprSize = comprSize;
  SetName(e, name);
  return e;
}

TEST(CheckFreeSpace, RefusesLiveDataAndNamesWhatItWouldHit) {
  // 0x000-0x0FF data, 0x100-0x1FF 0xFF, 0x200-0x2FF 0x00, 0x300-0x3FF 0x5A.
  Bytes rom(0x400);
  for (std::size_t i = 0; i < 0x100; ++i) rom[i] = static_cast<std::uint8_t>(i);
  std::fill(rom.begin() + 0x100, rom.begin() + 0x200, 0xFF);
  std::fill(rom.begin() + 0x300, rom.end(), 0x5A);
  const std::vector<TTileEntry> doc = {Named(0x040, 1, 0x40, "Old"), Named(0x180, 0, 0, "Tiles"),
                                       Named(0x1F0, 1, 0x20, "Packed"),
                                       Named(0x280, 1, 0, "Unsized")};
  const std::string kTail = "; nothing was written (--overwrite writes there anyway)";
  const struct {
    const char* what;
    TRomRange target, own;
    std::optional<std::uint8_t> fill;
    bool withDoc;
    std::string err;  // "" when free
  } cases[] = {
      {"all 0xFF", {0x100, 0x80}, {}, {}, false, ""},
      {"all 0x00", {0x200, 0x80}, {}, {}, false, ""},
      {"0xFF then 0x00",
       {0x1C0, 0x80},
       {},
       {},
       false,
       "The range $0001C0-$00023F is not free space (not all one fill byte)" + kTail},
      {"another byte",
       {0x300, 0x10},
       {},
       {},
       false,
       "The range $000300-$00030F is not free space (not all one fill byte)" + kTail},
      {"--fill's byte", {0x300, 0x10}, {}, 0x5A, false, ""},
      {"data",
       {0x0F0, 0x20},
       {},
       {},
       false,
       "The range $0000F0-$00010F is not free space (not all one fill byte)" + kTail},
      {"the old stream's own bytes then fill", {0x0C0, 0x80}, {0x0C0, 0x40}, {}, false, ""},
      {"an entry in the fill",
       {0x100, 0x90},
       {},
       {},
       true,
       "The range $000100-$00018F is not free space (it holds entry 1 \"Tiles\")" + kTail},
      {"two entries and data",
       {0x1E0, 0x30},
       {},
       {},
       true,
       "The range $0001E0-$00020F is not free space (not all one fill byte; it holds entries "
       "1 \"Tiles\", 2 \"Packed\")" +
           kTail},
      {"the moved entry itself is passed over",
       {0x040, 0x80},
       {0x040, 0x40},
       {},
       true,
       "The range $000040-$0000BF is not free space (not all one fill byte)" + kTail},
      {"an entry of unknown size takes its first byte",
       {0x280, 1},
       {},
       {},
       true,
       "The range $000280-$000280 is not free space (it holds entry 3 \"Unsized\")" + kTail},
  };
  for (const auto& c : cases) {
    std::string err;
    try {
      CheckFreeSpace(rom, c.target, c.own, c.fill,
                     c.withDoc ? std::span<const TTileEntry>(doc) : std::span<const TTileEntry>());
    } catch (const TError& e) {
      err = e.what();
    }
    EXPECT_EQ(err, c.err) << c.what;
  }
}

}  // namespace
