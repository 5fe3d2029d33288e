// Relocation of grown streams on ROMs of each layout: every pointer follows, the picture
// decodes through each, no other byte changes, and the patches give the same image; and the
// cases that must be refused.
#include "rom/relocate.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "base/uCommon.h"
#include "compress/compressors.h"
#include "compress/refresh.h"
#include "compress/uCompress.h"
#include "entries/file_names.h"
#include "image/png_writer.h"
#include "image/render.h"
#include "layout_fixtures.h"
#include "palette/entry_template.h"
#include "patch_apply.h"
#include "rom/import_document.h"
#include "rom/patches.h"
#include "temp_dir.h"
#include "tiles/uTiles.h"

using namespace tegulo;
using tegulo::test::Bytes;

namespace {

void Put(Bytes& rom, std::size_t at, std::vector<std::uint8_t> bytes) {
  std::copy(bytes.begin(), bytes.end(), rom.begin() + static_cast<std::ptrdiff_t>(at));
}

TTileEntry Entry(std::int64_t address, int scheme) {
  TTileEntry e = NewEntry("$0", 4, 4, 0);
  e.Address = static_cast<std::int32_t>(address);
  ApplyTemplate(e, kTemplate4bppGBA);
  e.Compression = static_cast<std::uint8_t>(scheme);
  return e;
}

// A flat picture packs to a few bytes; noise to most of its 512.
TPixelImage Picture(bool noisy) {
  TPixelImage img{32, 32, Bytes(32 * 32, 3)};
  std::mt19937 rng(7);
  if (noisy) {
    for (auto& p : img.pixels) p = static_cast<std::uint8_t>(rng() & 15);
  }
  return img;
}

// A ROM holding the flat picture's stream at `at`.
Bytes WithStream(Bytes rom, std::int64_t at, int scheme) {
  Bytes data(512, 0x33);
  const Bytes packed = CompressStream(scheme, data, {});
  Put(rom, static_cast<std::size_t>(at), packed);
  return rom;
}

TPixelImage Render(TTileEntry e, const Bytes& rom) {
  TDecodeBuffer buffer(kDecodeBufferSize);
  UnpackEntry(e, rom, buffer);
  TIndexedBitmap bmp;
  DrawTiles(bmp, e, rom, buffer, 0);
  TPixelImage img{32, 32, {}};
  for (std::int32_t y = 0; y < 32; ++y)
    img.pixels.insert(img.pixels.end(), bmp.Row(y), bmp.Row(y) + 32);
  return img;
}

struct TCase {
  const char* name;
  TMapping m;
  std::size_t size;
  bool copier;
  int scheme;
  std::int64_t stream;                       // image offset
  std::pair<std::size_t, std::size_t> free;  // image offsets of the 0xFF run
  std::vector<std::pair<std::size_t, std::vector<std::uint8_t>>> pointers;  // image offsets
  std::optional<TSplitTable> split;                                         // image offsets
  // Other entries of the pointer tables, into the same banks (image offsets).
  std::vector<std::pair<std::size_t, std::vector<std::uint8_t>>> neighbours = {};
};

Bytes Build(const TCase& c) {
  Bytes rom = c.m == TMapping::Gba ? tegulo::test::GbaRom(c.size)
                                   : tegulo::test::SnesRom(c.m, c.size, c.copier);
  const std::size_t h = c.copier ? 512 : 0;
  std::fill(rom.begin() + h + c.free.first, rom.begin() + h + c.free.second, 0xFF);
  for (const auto& [at, bytes] : c.pointers) Put(rom, h + at, bytes);
  for (const auto& [at, bytes] : c.neighbours) Put(rom, h + at, bytes);
  return WithStream(rom, c.stream + h, c.scheme);
}

// A GBA ROM with an LZ77-10 stream at $2000, one pointer to it at $400 and free space from
// $1C000 to the end.
TCase GbaLZ10WithPointerAt0x400() {
  return {"gba",
          TMapping::Gba,
          0x20000,
          false,
          kSchemeLZ10,
          0x2000,
          {0x1C000, 0x20000},
          {{0x400, {0x00, 0x20, 0, 0x08}}},
          std::nullopt};
}

}  // namespace

TEST(Relocate, GrownStreamMovesAndEveryPointerFollows) {
  const TCase cases[] = {
      {"gba, LZ77-10, a 0x08 and a 0x0C pointer",
       TMapping::Gba,
       0x20000,
       false,
       kSchemeLZ10,
       0x2000,
       {0x1C000, 0x20000},
       {{0x400, {0x00, 0x20, 0, 0x08}}, {0x800, {0x00, 0x20, 0, 0x0C}}},
       std::nullopt},
      {"lorom with copier header, FF6, slow and fast 24-bit",
       TMapping::LoRom,
       0x20000,
       true,
       kSchemeFF6,
       0x12345,
       {0x18000, 0x20000},
       {{0x100, {0x45, 0xA3, 0x02}}, {0x203, {0x45, 0xA3, 0x82}}},
       std::nullopt,
       {{0x103, {0x00, 0x80, 0x02}}, {0x200, {0x00, 0x80, 0x82}}}},
      {"lorom, CT, a split table entry",
       TMapping::LoRom,
       0x20000,
       false,
       kSchemeCT,
       0x12345,
       {0x18000, 0x20000},
       {{0x604, {0x45, 0xA3}}, {0x642, {0x82}}},
       TSplitTable{0x600, 0x640}},
      {"hirom, LZ77-10, banks C1 and 41",
       TMapping::HiRom,
       0x30000,
       false,
       kSchemeLZ10,
       0x1ABCD,
       {0x21000, 0x30000},
       {{0x100, {0xCD, 0xAB, 0xC1}}, {0x110, {0xCD, 0xAB, 0x41}}},
       std::nullopt,
       {{0x103, {0x00, 0x00, 0xC1}}, {0x10D, {0x00, 0x80, 0x41}}}},
      {"exhirom, FF6, a stream in the second part",
       TMapping::ExHiRom,
       0x480000,
       false,
       kSchemeFF6,
       0x456789,
       {0x470000, 0x480000},
       {{0x100, {0x89, 0x67, 0x45}}},
       std::nullopt,
       {{0x103, {0x00, 0x00, 0x45}}}},
  };
  for (const TCase& c : cases) {
    const Bytes rom = Build(c);
    const std::int64_t h = c.copier ? 512 : 0;
    TRelocateOptions o;
    o.layout = DetectLayout(rom);
    ASSERT_EQ(o.layout.mapping, c.m) << c.name;
    if (c.split) o.search.split = TSplitTable{c.split->words + h, c.split->banks + h};
    const TTileEntry e = Entry(c.stream + h, c.scheme);
    const TRelocateResult r = WriteBackRelocating(rom, e, Picture(true), {}, o);
    ASSERT_TRUE(r.relocation) << c.name;
    const TRelocation& rel = *r.relocation;
    const Bytes& out = r.writeBack.rom;
    const std::int64_t newEnd = rel.to + static_cast<std::int64_t>(r.writeBack.report.written);
    EXPECT_GE(rel.to, h + static_cast<std::int64_t>(c.free.first)) << c.name;
    EXPECT_LE(newEnd, h + static_cast<std::int64_t>(c.free.second)) << c.name;
    EXPECT_EQ(r.writeBack.entry.Address, rel.to) << c.name;
    ASSERT_EQ(rel.pointers.size(), c.pointers.size() - (c.split ? 1 : 0)) << c.name;
    std::vector<bool> touched(out.size(), false);
    for (std::int64_t i = rel.to; i < newEnd; ++i) touched[static_cast<std::size_t>(i)] = true;
    for (const TPointerHit& p : rel.pointers) {
      const auto now = PointerAt(out, o.layout, p.at, rel.to, o.search);
      ASSERT_TRUE(now) << c.name << " pointer " << p.at;
      TTileEntry through = e;
      through.Address = static_cast<std::int32_t>(*FileOffset(o.layout, now->value));
      EXPECT_EQ(Render(through, out).pixels, Picture(true).pixels) << c.name << " via " << p.at;
      for (std::size_t i = 0; i < p.Length(); ++i)
        touched[static_cast<std::size_t>(p.at) + i] = true;
      if (p.bankAt >= 0) touched[static_cast<std::size_t>(p.bankAt)] = true;
    }
    for (std::size_t i = 0; i < out.size(); ++i) {
      const bool old =
          static_cast<std::int64_t>(i) >= e.Address &&
          static_cast<std::int64_t>(i) < e.Address + static_cast<std::int64_t>(rel.oldLength);
      if (old && !touched[i]) {
        ASSERT_EQ(out[i], 0xFF) << c.name << " old stream byte " << i;
      } else if (!touched[i]) {
        ASSERT_EQ(out[i], rom[i]) << c.name << " byte " << i;
      }
    }
    EXPECT_EQ(tegulo::test::ApplyIps(rom, MakeIpsPatch(rom, out)), out) << c.name;
    EXPECT_EQ(tegulo::test::ApplyBps(rom, MakeBpsPatch(rom, out)), out) << c.name;
  }
}

TEST(Relocate, ChoicesOfTheCaller) {
  TCase c = GbaLZ10WithPointerAt0x400();
  c.pointers.push_back({0x800, {0x00, 0x20, 0, 0x08}});
  const Bytes rom = Build(c);
  TRelocateOptions o;
  o.layout = DetectLayout(rom);
  const TTileEntry e = Entry(0x2000, kSchemeLZ10);

  // Only the pointer given moves; the old stream stays for the other one.
  o.pointers = {0x800};
  o.keepOld = true;
  o.address = 0x1D000;
  const TRelocateResult given = WriteBackRelocating(rom, e, Picture(true), {}, o);
  ASSERT_TRUE(given.relocation);
  EXPECT_EQ(given.relocation->to, 0x1D000);
  const Bytes& out = given.writeBack.rom;
  EXPECT_EQ(Bytes(out.begin() + 0x400, out.begin() + 0x404), (Bytes{0x00, 0x20, 0, 0x08}));
  EXPECT_EQ(Bytes(out.begin() + 0x800, out.begin() + 0x804), (Bytes{0x00, 0xD0, 0x01, 0x08}));
  EXPECT_EQ(Bytes(out.begin() + 0x2000, out.begin() + 0x2010),
            Bytes(rom.begin() + 0x2000, rom.begin() + 0x2010));

  // A stream that still fits stays where it is and no pointer changes.
  const TRelocateResult fits = WriteBackRelocating(rom, e, Picture(false), {}, {});
  EXPECT_FALSE(fits.relocation);
  EXPECT_EQ(fits.writeBack.entry.Address, 0x2000);
}

TEST(Relocate, LinesTellWhatWasDoneOrWhatWouldBe) {
  const Bytes rom = Build(GbaLZ10WithPointerAt0x400());
  TRelocateOptions o;
  o.layout = DetectLayout(rom);
  o.address = 0x1D000;
  TRelocation rel =
      *WriteBackRelocating(rom, Entry(0x2000, kSchemeLZ10), Picture(true), {}, o).relocation;
  struct TCase {
    bool keepOld;
    TRelocation::TTense tense;
    const char* first;
    const char* last;
  };
  const TCase cases[] = {
      {false, TRelocation::TTense::Done,
       "Rewrote 1 pointer from $002000 to $01D000:", "The old stream's 68 bytes are now $FF"},
      {false, TRelocation::TTense::Planned,
       "Rewrite 1 pointer from $002000 to $01D000:", "The old stream's 68 bytes would become $FF"},
      {true, TRelocation::TTense::Done,
       "Rewrote 1 pointer from $002000 to $01D000:", "The old stream's 68 bytes are kept"},
      {true, TRelocation::TTense::Planned,
       "Rewrite 1 pointer from $002000 to $01D000:", "The old stream's 68 bytes would be kept"},
  };
  for (const TCase& c : cases) {
    rel.keptOld = c.keepOld;
    const std::vector<std::string> lines = rel.Lines(o.layout, c.tense);
    ASSERT_EQ(lines.size(), 3u) << c.first;
    EXPECT_EQ(lines[0], c.first);
    EXPECT_EQ(lines[1], "  $000400 32-bit 0x08002000 -> 0x0801D000") << c.first;
    EXPECT_EQ(lines[2], c.last);
  }
}

TEST(Relocate, Refusals) {
  const Bytes rom = Build(GbaLZ10WithPointerAt0x400());
  Bytes noPointer = rom;
  Put(noPointer, 0x400, {1, 2, 3, 4});
  Bytes inside = noPointer;
  Put(inside, 0x2004, {0x00, 0x20, 0, 0x08});
  Bytes full = rom;
  std::fill(full.begin() + 0x1C000, full.end(), 0x11);
  const TRomLayout gba = DetectLayout(rom);
  struct Row {
    const char* name;
    const Bytes* rom;
    TRelocateOptions options;
    std::string message;
  };
  const Row rows[] = {
      {"no pointer",
       &noPointer,
       {gba},
       "No pointer to $002000 was found, so the stream cannot move; nothing was written"},
      {"pointer inside the stream",
       &inside,
       {gba},
       "The pointer at $002004 lies inside the stream it points to"},
      {"given place holds no pointer",
       &rom,
       {gba, std::nullopt, {0x404}},
       "The bytes at $000404 hold no GBA pointer to $002000; nothing was written"},
      {"address not free",
       &rom,
       {gba, 0x3000},
       "cannot go to $003000: the byte at $003000 is not the fill byte; nothing was written"},
      {"address unaligned", &rom, {gba, 0x1C002}, "cannot go to $01C002: not a multiple of 4"},
      {"address past the end", &rom, {gba, 0x1FF00}, "cannot go to $01FF00: outside the ROM"},
      {"address on the pointer",
       &rom,
       {gba, 0x3FC},
       "cannot go to $0003FC: the pointer at $000400 lies there"},
      {"address on the header", &rom, {gba, 0x40}, "cannot go to $000040: the header lies at"},
      {"no free space", &full, {gba}, "No free space holds the new stream of"},
      {"no layout", &rom, {}, "The ROM's layout is not known"},
  };
  for (const Row& r : rows) {
    try {
      WriteBackRelocating(*r.rom, Entry(0x2000, kSchemeLZ10), Picture(true), {}, r.options);
      ADD_FAILURE() << r.name << ": not refused";
    } catch (const TError& e) {
      EXPECT_NE(std::string(e.what()).find(r.message), std::string::npos)
          << r.name << ": " << e.what();
    }
  }
  // SNES: a block never crosses a bank, and a pointer keeps its bank group.
  Bytes lorom = tegulo::test::SnesRom(TMapping::LoRom, 0x20000);
  std::fill(lorom.begin() + 0x17F00, lorom.begin() + 0x18100, 0xFF);
  Put(lorom, 0x100, {0x45, 0xA3, 0x02, 0x00, 0x80, 0x02});
  lorom = WithStream(lorom, 0x12345, kSchemeFF6);
  TRelocateOptions cross{DetectLayout(lorom), 0x17F80};
  try {
    WriteBackRelocating(lorom, Entry(0x12345, kSchemeFF6), Picture(true), {}, cross);
    ADD_FAILURE() << "bank crossing: not refused";
  } catch (const TError& e) {
    EXPECT_NE(std::string(e.what()).find("cross the bank boundary at $018000"), std::string::npos)
        << e.what();
  }
}

// Only pointers are rewritten: bytes that hold the address by chance stay, and the old stream
// is not filled while a pointer that was not rewritten still leads to it.
TEST(Relocate, OnlyPointersMoveAndNoneIsLeftBehind) {
  TCase gba = GbaLZ10WithPointerAt0x400();
  gba.pointers.push_back({0x800, {0x00, 0x20, 0, 0x08}});
  TCase lorom{"lorom",
              TMapping::LoRom,
              0x20000,
              false,
              kSchemeFF6,
              0x12345,
              {0x18000, 0x20000},
              {{0x100, {0x45, 0xA3, 0x02}}, {0x103, {0x45, 0xA3, 0x82}}},
              std::nullopt,
              {{0x3000, {0x45, 0xA3, 0x02}}}};  // a lone match: chance bytes
  TCase lone = lorom;
  lone.pointers.clear();
  const Bytes gbaRom = Build(gba);
  const Bytes loromRom = Build(lorom);
  const Bytes loneRom = Build(lone);
  const TRomLayout gbaLayout = DetectLayout(gbaRom);
  const TRomLayout snes = DetectLayout(loromRom);
  struct Row {
    const char* name;
    const Bytes* rom;
    std::int64_t stream;
    TRelocateOptions options;
    std::string message;                  // "" when the move is made
    std::vector<std::int64_t> rewritten;  // the pointers rewritten then
  };
  TRelocateOptions givenOne{gbaLayout, std::nullopt, {0x800}};
  TRelocateOptions givenKeep = givenOne;
  givenKeep.keepOld = true;
  const Row rows[] = {
      {"a named pointer, another left",
       &gbaRom,
       0x2000,
       givenOne,
       "The pointers at $000400 also point to the stream at $002000 and would be left pointing "
       "at fill bytes: give them with --pointer too, or --keep-old to keep the old stream; "
       "nothing was written",
       {}},
      {"a named pointer, the old stream kept", &gbaRom, 0x2000, givenKeep, "", {0x800}},
      {"both named",
       &gbaRom,
       0x2000,
       {gbaLayout, std::nullopt, {0x400, 0x800}},
       "",
       {0x400, 0x800}},
      {"a table, and a chance match left alone", &loromRom, 0x12345, {snes}, "", {0x100, 0x103}},
      {"only a chance match",
       &loneRom,
       0x12345,
       {snes},
       "No pointer to $012345 was found (1 place holds its address but stands in no table: give "
       "it with --pointer if it is one), so the stream cannot move; nothing was written",
       {}},
      {"a chance match named", &loneRom, 0x12345, {snes, std::nullopt, {0x3000}}, "", {0x3000}},
  };
  for (const Row& r : rows) {
    const TTileEntry e = Entry(r.stream, r.stream == 0x2000 ? kSchemeLZ10 : kSchemeFF6);
    std::string error;
    std::vector<std::int64_t> rewritten;
    try {
      const TRelocateResult result = WriteBackRelocating(*r.rom, e, Picture(true), {}, r.options);
      ASSERT_TRUE(result.relocation) << r.name;
      for (const TPointerHit& p : result.relocation->pointers) rewritten.push_back(p.at);
    } catch (const TError& err) {
      error = err.what();
    }
    EXPECT_EQ(error, r.message) << r.name;
    EXPECT_EQ(rewritten, r.rewritten) << r.name;
  }
}

TEST(Relocate, DocumentEntriesFollowTheirStreams) {
  const Bytes rom = Build(GbaLZ10WithPointerAt0x400());
  // A second entry reads the same stream; a third shows plain tiles of 0xFF at the start of
  // the free run, which must stay clear.
  TTileEntry moved = Entry(0x2000, kSchemeLZ10);
  SetName(moved, "moved");
  TTileEntry sharing = Entry(0x2000, kSchemeLZ10);
  SetName(sharing, "sharing");
  TTileEntry blank = Entry(0x1C000, 0);
  SetName(blank, "blank");
  const std::vector<TTileEntry> doc = {moved, sharing, blank};
  tegulo::test::TTempDir dir;
  TIndexedBitmap bmp;
  bmp.SetSize(32, 32);
  const TPixelImage noisy = Picture(true);
  for (std::int32_t y = 0; y < 32; ++y) {
    std::copy_n(noisy.pixels.begin() + y * 32, 32, bmp.Row(y));
  }
  WritePng(dir.Path(ExportFileName(0, "moved")), bmp);
  TRelocateOptions o;
  o.layout = DetectLayout(rom);
  const TDocImportResult r = ImportDocumentPictures(rom, doc, dir.Path(""), &o);
  ASSERT_TRUE(r.failures.empty()) << r.failures[0].message;
  EXPECT_TRUE(r.moved);
  const std::int32_t to = r.entries[0].Address;
  EXPECT_GE(to, 0x1C200 + 16);
  EXPECT_EQ(r.entries[1].Address, to);
  EXPECT_EQ(r.entries[2].Address, 0x1C000);
  EXPECT_EQ(Render(r.entries[1], r.rom).pixels, noisy.pixels);
  EXPECT_EQ(Bytes(r.rom.begin() + 0x1C000, r.rom.begin() + 0x1C200), Bytes(0x200, 0xFF));
  const TRomLayout layout = DetectLayout(r.rom);
  EXPECT_EQ(PointerAt(r.rom, layout, 0x400, to, {}).has_value(), true);
  // Without relocation the same import is refused as before.
  const TDocImportResult kept = ImportDocumentPictures(rom, doc, dir.Path(""));
  ASSERT_EQ(kept.failures.size(), 1u);
  EXPECT_NE(kept.failures[0].message.find("does not fit"), std::string::npos);
}
