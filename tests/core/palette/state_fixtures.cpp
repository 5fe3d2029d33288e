// Save states and palette files built from the formats' layouts.
#include "state_fixtures.h"

#include <zlib.h>

#include <cstring>
#include <stdexcept>
#include <string_view>

namespace tegulo::fixtures {
namespace {

void PutLe16(TBytes& b, std::size_t at, std::uint16_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void AddLe32(TBytes& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void AddLe64(TBytes& b, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void AddBe32(TBytes& b, std::uint32_t v) {
  for (int i = 3; i >= 0; --i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void Add(TBytes& b, std::string_view s) { b.insert(b.end(), s.begin(), s.end()); }
void Add(TBytes& b, const TBytes& s) { b.insert(b.end(), s.begin(), s.end()); }
void AddZeros(TBytes& b, std::size_t n) { b.insert(b.end(), n, 0); }

void PngChunk(TBytes& png, std::string_view type, const TBytes& data) {
  AddBe32(png, static_cast<std::uint32_t>(data.size()));
  TBytes typed(type.begin(), type.end());
  Add(typed, data);
  Add(png, typed);
  AddBe32(png, static_cast<std::uint32_t>(crc32(0, typed.data(), static_cast<uInt>(typed.size()))));
}

TBytes PngStart() {
  TBytes png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  TBytes ihdr;
  AddBe32(ihdr, 240);
  AddBe32(ihdr, 160);
  Add(ihdr, TBytes{8, 2, 0, 0, 0});
  PngChunk(png, "IHDR", ihdr);
  PngChunk(png, "IDAT", Zlib(TBytes(161 * 240 * 3 / 8, 0)));  // not a whole picture; unread
  return png;
}

// Mesen2 record: key, NUL, u32 size, value.
void Record(TBytes& data, std::string_view key, const TBytes& value) {
  Add(data, key);
  data.push_back(0);
  AddLe32(data, static_cast<std::uint32_t>(value.size()));
  Add(data, value);
}

// Mesen-S block: u32 length, then the bytes.
void Block(TBytes& data, const TBytes& block) {
  AddLe32(data, static_cast<std::uint32_t>(block.size()));
  Add(data, block);
}

}  // namespace

std::uint16_t BgWord(int i) {
  return static_cast<std::uint16_t>(i * 0x0123 + 0x0842 + (i % 3 == 0 ? 0x8000 : 0));
}
std::uint16_t ObjWord(int i) {
  return static_cast<std::uint16_t>(0x7FFF - i * 0x0041 + (i % 5 == 0 ? 0x8000 : 0));
}
TPalette BgColours() {
  TPalette p{};
  for (int i = 0; i < 256; ++i) p[i] = ConsoleColour(BgWord(i));
  return p;
}
TPalette ObjColours() {
  TPalette p{};
  for (int i = 0; i < 256; ++i) p[i] = ConsoleColour(ObjWord(i));
  return p;
}

TBytes Zlib(const TBytes& data) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  TBytes out(size);
  if (compress(out.data(), &size, data.data(), static_cast<uLong>(data.size())) != Z_OK) {
    throw std::runtime_error("compress failed");
  }
  out.resize(size);
  return out;
}

TBytes Gzip(const TBytes& data, int members) {
  TBytes out;
  const std::size_t part = data.size() / static_cast<std::size_t>(members) + 1;
  for (int m = 0; m < members; ++m) {
    const std::size_t from = std::min(data.size(), part * static_cast<std::size_t>(m));
    const std::size_t to = m + 1 == members ? data.size() : std::min(data.size(), from + part);
    z_stream z{};
    deflateInit2(&z, 6, Z_DEFLATED, 16 + 15, 8, Z_DEFAULT_STRATEGY);
    TBytes buf(deflateBound(&z, static_cast<uLong>(to - from)) + 32);
    z.next_in = const_cast<Bytef*>(data.data() + from);
    z.avail_in = static_cast<uInt>(to - from);
    z.next_out = buf.data();
    z.avail_out = static_cast<uInt>(buf.size());
    if (deflate(&z, Z_FINISH) != Z_STREAM_END) throw std::runtime_error("gzip failed");
    buf.resize(z.total_out);
    deflateEnd(&z);
    Add(out, buf);
  }
  return out;
}

TBytes CgramDump() {
  TBytes b(512);
  for (int i = 0; i < 256; ++i) PutLe16(b, 2 * i, BgWord(i));
  return b;
}

TBytes GbaPaletteRam() {
  TBytes b(1024);
  for (int i = 0; i < 256; ++i) {
    PutLe16(b, 2 * i, BgWord(i));
    PutLe16(b, 512 + 2 * i, ObjWord(i));
  }
  return b;
}

TBytes MgbaRaw(std::uint8_t version, bool extdata) {
  TBytes b;
  AddLe32(b, 0x01000000u + version);
  Add(b, TBytes(0x800 - 4, 0x11));
  Add(b, GbaPaletteRam());
  b.resize(0x61000, 0x22);
  if (extdata) {
    // Tags 2 (savedata), 4 (RTC), 0x101 (time), 0x102 (creator), then the end record.
    const std::pair<std::uint32_t, std::uint32_t> records[] = {
        {2, 32768}, {4, 16}, {0x101, 8}, {0x102, 12}};
    std::uint64_t payload = 0x61000 + 16 * 5;
    for (const auto& [tag, size] : records) {
      AddLe32(b, tag);
      AddLe32(b, size);
      AddLe64(b, payload);
      payload += size;
    }
    AddZeros(b, 16);
    for (const auto& r : records) Add(b, TBytes(r.second, 0x33));
  }
  return b;
}

TBytes MgbaGameBoy() {
  TBytes b;
  AddLe32(b, 0x00400003u);
  b.resize(0x12000, 0x44);
  return b;
}

TBytes MgbaPng(const TBytes& block) {
  TBytes png = PngStart();
  PngChunk(png, "gbAs", Zlib(block));
  TBytes extra;
  AddLe32(extra, 2);
  AddLe32(extra, 64);
  Add(extra, Zlib(TBytes(64, 0x55)));
  PngChunk(png, "gbAx", extra);
  PngChunk(png, "IEND", {});
  return png;
}

TBytes MgbaPngWithoutState() {
  TBytes png = PngStart();
  PngChunk(png, "IEND", {});
  return png;
}

TBytes Snes9xStream(int version, bool longName) {
  char header[16];
  std::snprintf(header, sizeof header, "#!s9xsnp:%04d\n", version);
  TBytes b;
  Add(b, header);
  auto block = [&](std::string_view name, const TBytes& data, bool longForm = false) {
    char h[16];
    if (longForm) {
      Add(b, name);
      Add(b, ":--");
      AddBe32(b, static_cast<std::uint32_t>(data.size()));
      Add(b, ":");
    } else {
      std::snprintf(h, sizeof h, "%.3s:%06zu:", name.data(), data.size());
      Add(b, std::string_view(h, 11));
    }
    Add(b, data);
  };
  const std::string_view rom = "Some Game (U).sfc";
  TBytes nam(rom.begin(), rom.end());
  nam.push_back(0);
  block("NAM", nam, longName);
  block("CPU", TBytes(48, 0x01));
  block("REG", TBytes(16, 0x02));
  const std::size_t skip = version >= 11 ? 64 : 63;
  TBytes ppu(2652, 0x03);
  for (int i = 0; i < 256; ++i) {
    const std::uint16_t w = BgWord(i) & 0x7FFF;  // the emulator keeps bit 15 clear
    ppu[skip + 2 * i] = static_cast<std::uint8_t>(w >> 8);
    ppu[skip + 2 * i + 1] = static_cast<std::uint8_t>(w);
  }
  block("PPU", ppu);
  block("DMA", TBytes(100, 0x04));
  block("VRA", TBytes(0x10000, 0x05));
  return b;
}

TBytes VbaStream(std::int32_t version) {
  TBytes b;
  AddLe32(b, static_cast<std::uint32_t>(version));
  Add(b, std::string_view("TEST GAME\0\0\0ATGE", 16));
  const std::size_t at = version <= 2    ? 0x81D7
                         : version == 3  ? 0x81DB
                         : version <= 10 ? 0x81DF
                                         : 0x81FF;
  b.resize(at, 0x66);
  Add(b, GbaPaletteRam());
  b.resize(b.size() + 0x40000 + 0x18000, 0x77);
  return b;
}

TBytes VbaGameBoyStream() {
  TBytes b = VbaStream(9);
  // A Game Boy state carries ROM header bytes from 0x134 on: not all text.
  b[18] = 0x80;
  b[19] = 0xC3;
  return b;
}

TBytes Mesen2(std::uint32_t console, std::uint32_t format, bool compressed) {
  TBytes b;
  Add(b, "MSS");
  AddLe32(b, 0x00020100);
  AddLe32(b, format);
  if (format <= 3) Add(b, TBytes(40, '0'));
  AddLe32(b, console);
  const TBytes preview = Zlib(TBytes(256 * 239 * 4, 0x10));
  for (const std::uint32_t v : {256u * 239u * 4u, 256u, 239u, 100u}) AddLe32(b, v);
  AddLe32(b, static_cast<std::uint32_t>(preview.size()));
  Add(b, preview);
  const std::string_view name = "Some Game.sfc";
  AddLe32(b, static_cast<std::uint32_t>(name.size()));
  Add(b, name);

  TBytes data;
  Record(data, "cpu.a", TBytes(2, 0x01));
  Record(data, "ppu.paletteRam", TBytes(32, 0x02));  // a look-alike of another console
  Record(data, "ppu.vram", TBytes(0x10000, 0x03));
  if (console == 5) {
    Record(data, "paletteRam", GbaPaletteRam());
  } else {
    Record(data, "ppu.cgram", CgramDump());
  }
  Record(data, "spc.ram", TBytes(0x10000, 0x04));
  b.push_back(compressed ? 1 : 0);
  if (compressed) {
    const TBytes packed = Zlib(data);
    AddLe32(b, static_cast<std::uint32_t>(data.size()));
    AddLe32(b, static_cast<std::uint32_t>(packed.size()));
    Add(b, packed);
  } else {
    Add(b, data);
  }
  return b;
}

TBytes MesenS(std::uint32_t format, bool screenshot, bool gameBoy) {
  TBytes b;
  Add(b, "MSS");
  AddLe32(b, 0x00000400);
  AddLe32(b, format);
  Add(b, TBytes(40, 'a'));
  if (format >= 8) b.push_back(gameBoy ? 1 : 0);
  if (format >= 7 && screenshot) {
    const TBytes shot = Zlib(TBytes(256 * 224 * 4, 0x20));
    AddLe32(b, 256);
    AddLe32(b, 224);
    AddLe32(b, static_cast<std::uint32_t>(shot.size()));
    Add(b, shot);
  }
  const std::string_view name = "Some Game.sfc";
  AddLe32(b, static_cast<std::uint32_t>(name.size()));
  Add(b, name);

  TBytes ppu;
  for (std::size_t n : {40u, 12u, 12u, 12u, 12u, 9u, 9u}) Block(ppu, TBytes(n, 0x30));
  AddLe32(ppu, 0x8000);
  Add(ppu, TBytes(0x10000, 0x31));
  AddLe32(ppu, 0x220);
  Add(ppu, TBytes(0x220, 0x32));
  AddLe32(ppu, 0x100);
  Add(ppu, CgramDump());
  Add(ppu, TBytes(20, 0x33));
  TBytes data;
  Block(data, TBytes(30, 0x34));  // CPU
  Block(data, TBytes(50, 0x35));  // memory manager
  Block(data, ppu);
  Block(data, TBytes(70, 0x36));  // DMA
  const TBytes packed = Zlib(data);
  AddLe32(b, static_cast<std::uint32_t>(data.size()));
  AddLe32(b, static_cast<std::uint32_t>(packed.size()));
  Add(b, packed);
  if (!screenshot) AddZeros(b, 4096);  // the libretro core pads its buffer
  return b;
}

TBytes Zip(const std::string& name, const TBytes& data, bool deflated) {
  TBytes packed = data;
  if (deflated) {
    z_stream z{};
    deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    packed.assign(deflateBound(&z, static_cast<uLong>(data.size())) + 16, 0);
    z.next_in = const_cast<Bytef*>(data.data());
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = packed.data();
    z.avail_out = static_cast<uInt>(packed.size());
    deflate(&z, Z_FINISH);
    packed.resize(z.total_out);
    deflateEnd(&z);
  }
  const auto crc =
      static_cast<std::uint32_t>(crc32(0, data.data(), static_cast<uInt>(data.size())));
  auto add16 = [](TBytes& b, std::uint32_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
  };
  auto fields = [&](TBytes& b) {  // version needed ... extra length, shared by both headers
    add16(b, 20);
    add16(b, 0);
    add16(b, deflated ? 8 : 0);
    add16(b, 0);
    add16(b, 0);
    AddLe32(b, crc);
    AddLe32(b, static_cast<std::uint32_t>(packed.size()));
    AddLe32(b, static_cast<std::uint32_t>(data.size()));
    add16(b, static_cast<std::uint32_t>(name.size()));
    add16(b, 0);
  };
  TBytes zip = {'P', 'K', 3, 4};
  fields(zip);
  Add(zip, name);
  Add(zip, packed);
  const std::size_t dirAt = zip.size();
  Add(zip, TBytes{'P', 'K', 1, 2, 20, 0});
  fields(zip);
  add16(zip, 0);  // comment
  add16(zip, 0);  // disk
  add16(zip, 0);  // internal attributes
  AddLe32(zip, 0);
  AddLe32(zip, 0);  // the local header's offset
  Add(zip, name);
  const std::size_t dirSize = zip.size() - dirAt;
  Add(zip, TBytes{'P', 'K', 5, 6, 0, 0, 0, 0, 1, 0, 1, 0});
  AddLe32(zip, static_cast<std::uint32_t>(dirSize));
  AddLe32(zip, static_cast<std::uint32_t>(dirAt));
  add16(zip, 0);
  return zip;
}

TBytes Zsnes() {
  TBytes b;
  Add(b, "ZSNES Save State File V0.6\x1a\x3c");
  b.resize(1560, 0x12);
  Add(b, CgramDump());
  b.resize(275000, 0x13);
  return b;
}

}  // namespace tegulo::fixtures
