// Mesen2 and Mesen-S states (.mss): a header with a compressed screen preview, then the
// compressed serializer data. Mesen2 names its values by key; Mesen-S nests blocks by length.
#include <string_view>

#include "compress/zlib_inflate.h"
#include "palette/state_bytes.h"
#include "palette/state_parts.h"
#include "palette/state_readers.h"

namespace tegulo {
namespace {

const char* const kCutShort = "the Mesen state is cut short";
// The emulators refuse serializer data of 10 MB or more.
constexpr std::uint32_t kMaxData = 10'000'000;

constexpr std::string_view kConsoleNames[] = {"SNES", "Game Boy", "NES",       "PC Engine",
                                              "SMS",  "GBA",      "WonderSwan"};

// u32 decompressed size, u32 compressed size, then that many bytes of zlib data.
std::vector<std::uint8_t> SizedZlib(TByteCursor& in) {
  const std::uint32_t size = in.U32Le();
  const std::uint32_t packed = in.U32Le();
  if (size >= kMaxData) throw TError("the Mesen state's data is too large");
  return InflateZlib(in.Take(packed), size);
}

}  // namespace

std::span<const std::uint8_t> MesenRecord(std::span<const std::uint8_t> data,
                                          std::string_view key) {
  TByteCursor in(data, "the Mesen state's data is damaged");
  while (in.Left() > 0) {
    const std::size_t start = in.Pos();
    std::uint8_t c = in.U8();
    while (c != 0) {
      if (c < 0x21 || c > 0x7E) throw TError("the Mesen state's data is damaged");
      c = in.U8();
    }
    const auto name = data.subspan(start, in.Pos() - start - 1);
    const auto value = in.Take(in.U32Le());
    if (name.size() == key.size() && StartsWith(name, key)) return value;
  }
  return {};
}

namespace {

// The next length-prefixed block of Mesen-S's serializer.
std::span<const std::uint8_t> Block(TByteCursor& in) { return in.Take(in.U32Le()); }

// An array of Mesen-S's serializer: u32 element count, then the bytes.
std::span<const std::uint8_t> Array(TByteCursor& in, std::uint32_t count, std::size_t bytes) {
  if (in.U32Le() != count) throw TError("the Mesen-S PPU data is damaged");
  return in.Take(bytes);
}

// The serializer data of a Mesen-S state from the name length on.
std::vector<std::uint8_t> MesenSData(TByteCursor in, bool withScreenshot) {
  if (withScreenshot) {
    in.Skip(8);  // width, height
    in.Skip(in.U32Le());
  }
  in.Skip(in.U32Le());  // ROM name
  return SizedZlib(in);
}

}  // namespace

TMesen2Data Mesen2Data(std::span<const std::uint8_t> bytes) {
  TByteCursor in(bytes, kCutShort);
  if (!StartsWith(in.Take(3), "MSS")) throw TError("it is not a Mesen state");
  in.Skip(4);  // emulator version
  const std::uint32_t format = in.U32Le();
  if (format != 3 && format != 4) {
    throw TError("Mesen2 state format " + std::to_string(format) +
                 " is not supported (3 and 4 are)");
  }
  if (format <= 3) in.Skip(40);  // an old SHA-1 text
  TMesen2Data out;
  out.console = in.U32Le();
  if (out.console != kMesenSnes && out.console != kMesenGba) {
    const std::string name = out.console < std::size(kConsoleNames)
                                 ? std::string(kConsoleNames[out.console])
                                 : "console " + std::to_string(out.console);
    throw TError("it is a Mesen2 state of a " + name + " game, not of a SNES or GBA game");
  }
  in.Skip(16);          // preview size, width, height, scale
  in.Skip(in.U32Le());  // the compressed preview
  in.Skip(in.U32Le());  // ROM name
  const bool compressed = in.U8() == 1;
  if (compressed) {
    out.data = SizedZlib(in);
  } else {
    const auto rest = in.Take(in.Left());
    out.data.assign(rest.begin(), rest.end());
  }
  return out;
}

TPalette Mesen2Palette(std::span<const std::uint8_t> bytes, TPaletteHalf half) {
  const TMesen2Data m = Mesen2Data(bytes);
  if (m.console == kMesenSnes) {
    const auto cgram = MesenRecord(m.data, "ppu.cgram");
    if (cgram.size() != 512) throw TError("the Mesen2 state has no SNES palette");
    if (half == TPaletteHalf::Sprites) throw TError("a SNES state has no sprite palette");
    return ConsoleWordsLe(cgram);
  }
  const auto ram = MesenRecord(m.data, "paletteRam");
  if (ram.size() != 1024) throw TError("the Mesen2 state has no GBA palette");
  return GbaPaletteHalf(ram, half);
}

TMesenSPpu MesenSPpu(std::span<const std::uint8_t> bytes) {
  TByteCursor in(bytes, kCutShort);
  if (!StartsWith(in.Take(3), "MSS")) throw TError("it is not a Mesen state");
  in.Skip(4);  // emulator version
  const std::uint32_t format = in.U32Le();
  if (format < 6 || format > 8) {
    throw TError("Mesen-S state format " + std::to_string(format) +
                 " is not supported (6 to 8 are)");
  }
  in.Skip(40);  // SHA-1 text
  if (format >= 8 && in.U8() == 1) throw TError("it is a Mesen-S state of a Game Boy game");
  TMesenSPpu out;
  if (format >= 7) {
    // The standalone build writes a screenshot here, the libretro core does not.
    try {
      out.data = MesenSData(in, true);
    } catch (const TError& withScreenshot) {
      try {
        out.data = MesenSData(in, false);
      } catch (const TError&) {
        throw withScreenshot;
      }
    }
  } else {
    out.data = MesenSData(in, false);
  }

  TByteCursor top(out.data, "the Mesen-S state's data is cut short");
  Block(top);  // CPU
  Block(top);  // memory manager
  TByteCursor ppu(Block(top), "the Mesen-S PPU data is cut short");
  for (auto& r : out.registers) r = Block(ppu);  // registers, 4 layers, 2 windows
  out.vram = Array(ppu, 0x8000, 0x10000);
  out.oam = Array(ppu, 0x220, 0x220);
  out.cgram = Array(ppu, 0x100, 512);
  return out;
}

TPalette MesenSPalette(std::span<const std::uint8_t> bytes) {
  return ConsoleWordsLe(MesenSPpu(bytes).cgram);
}

}  // namespace tegulo
