// SNES scenes: Snes9x snapshots, Mesen-S and Mesen2 states and ZSNES states, each read into
// the same registers. Every field is read within its block; a block too short for a field
// is a damaged state.
#include <algorithm>
#include <string>

#include "base/uCommon.h"
#include "palette/state_bytes.h"
#include "palette/state_parts.h"
#include "scene/scene.h"

namespace tegulo {
namespace {

// Reads of fixed fields inside one block; `what` names the block in the error.
class TFields {
public:
  TFields(std::span<const std::uint8_t> bytes, std::string what)
      : b_(bytes), what_(std::move(what)) {}
  std::span<const std::uint8_t> Take(std::size_t at, std::size_t n) const {
    if (at > b_.size() || n > b_.size() - at) throw TError(what_ + " is too short");
    return b_.subspan(at, n);
  }
  std::uint8_t U8(std::size_t at) const { return Take(at, 1)[0]; }
  bool Flag(std::size_t at) const { return U8(at) != 0; }
  std::uint16_t U16Le(std::size_t at) const {
    const auto s = Take(at, 2);
    return static_cast<std::uint16_t>(s[0] | (s[1] << 8));
  }
  std::uint16_t U16Be(std::size_t at) const {
    const auto s = Take(at, 2);
    return static_cast<std::uint16_t>((s[0] << 8) | s[1]);
  }
  std::uint32_t U32Le(std::size_t at) const { return U32LeAt(Take(at, 4), 0); }

private:
  std::span<const std::uint8_t> b_;
  std::string what_;
};

std::vector<std::uint16_t> WordsLe(std::span<const std::uint8_t> b, std::size_t n) {
  std::vector<std::uint16_t> w(n);
  for (std::size_t i = 0; i < n; ++i) {
    w[i] = static_cast<std::uint16_t>((b[2 * i] | (b[2 * i + 1] << 8)) & 0x7FFF);
  }
  return w;
}

void CheckSize(std::span<const std::uint8_t> part, std::size_t size, const std::string& what) {
  if (part.size() < size) throw TError(what + " is too short");
}

// Mode 7's outside setting from M7SEL bits 7-6.
std::uint8_t Repeat(bool largeMap, bool fill) {
  if (!largeMap) return 0;
  return fill ? 3 : 2;
}

std::span<const std::uint8_t> Snes9xBlock(const TSnes9xBlocks& s, std::string_view name,
                                          std::string_view holds) {
  const auto b = s.Find(name);
  if (b.empty()) {
    std::string text =
        "the Snes9x snapshot has no " + std::string(name) + " block (" + std::string(holds) + ")";
    if (!s.damage.empty()) text += ": " + s.damage;
    throw TError(text);
  }
  return b;
}

void Snes9xPpu(TSnesRegs& r, const TFields& p, int version) {
  // Fields after CGADD sit one byte earlier before version 11.
  const std::size_t shift = version >= 11 ? 0 : 1;
  for (std::size_t n = 0; n < 4; ++n) {
    TSnesBg& bg = r.bg[n];
    const std::size_t at = 14 + 11 * n;
    bg.mapWord = p.U16Be(at);
    bg.hofs = p.U16Be(at + 2) & 0x3FF;
    bg.vofs = p.U16Be(at + 4) & 0x3FF;
    bg.bigTiles = p.Flag(at + 6);
    bg.tileWord = p.U16Be(at + 7);
    bg.mapSize = p.U16Be(at + 9) & 3;
  }
  r.mode = p.U8(58) & 7;
  r.bg3Priority = p.Flag(59);
  r.objBase = p.U16Be(1987 - shift);
  r.objTable1 = p.U16Be(1989 - shift) + 0x2000u;
  r.objSize = p.U8(1991 - shift) & 7;
  r.firstSprite = p.Flag(1996 - shift) ? p.U8(2547 - shift) & 0x7F : 0;
  r.m7hflip = p.Flag(2570 - shift);
  r.m7vflip = p.Flag(2571 - shift);
  r.m7repeat = p.U8(2572 - shift) & 3;
  r.m7a = static_cast<std::int16_t>(p.U16Be(2573 - shift));
  r.m7b = static_cast<std::int16_t>(p.U16Be(2575 - shift));
  r.m7c = static_cast<std::int16_t>(p.U16Be(2577 - shift));
  r.m7d = static_cast<std::int16_t>(p.U16Be(2579 - shift));
  r.m7x = static_cast<std::int16_t>(p.U16Be(2581 - shift));
  r.m7y = static_cast<std::int16_t>(p.U16Be(2583 - shift));
  r.m7hofs = static_cast<std::int16_t>(p.U16Be(2585 - shift));
  r.m7vofs = static_cast<std::int16_t>(p.U16Be(2587 - shift));
  const bool anyMosaic =
      p.Flag(2591 - shift) || p.Flag(2592 - shift) || p.Flag(2593 - shift) || p.Flag(2594 - shift);
  r.mosaic = p.U8(2589 - shift) > 1 && anyMosaic;
  r.forcedBlank = p.Flag(2636 - shift);
  r.brightness = p.U8(2640 - shift) & 15;
}

}  // namespace

TScene Snes9xScene(std::span<const std::uint8_t> stream) {
  const TSnes9xBlocks s = Snes9xBlocks(stream);
  const auto ppu = Snes9xBlock(s, "PPU", "the video registers and palette memory");
  const auto vra = Snes9xBlock(s, "VRA", "video memory");
  const auto fil = Snes9xBlock(s, "FIL", "the registers as written");
  CheckSize(vra, kSnesVram, "the Snes9x VRA block");
  CheckSize(fil, 0x2134, "the Snes9x FIL block");
  TScene scene;
  scene.console = TConsole::Snes;
  scene.source = "Snes9x snapshot version " + std::to_string(s.version);
  const TFields p(ppu, "the Snes9x PPU block");
  const std::size_t shift = s.version >= 11 ? 0 : 1;
  const auto cgram = p.Take(64 - shift, 512);
  scene.palette.resize(256);
  for (std::size_t i = 0; i < 256; ++i) {
    scene.palette[i] =
        static_cast<std::uint16_t>(((cgram[2 * i] << 8) | cgram[2 * i + 1]) & 0x7FFF);
  }
  const auto oam = p.Take(2003 - shift, 544);
  scene.oam.assign(oam.begin(), oam.end());
  scene.vram.assign(vra.begin(), vra.begin() + kSnesVram);
  TSnesRegs& r = scene.snes;
  Snes9xPpu(r, p, s.version);
  // The registers the PPU block keeps only as written bytes.
  r.mainLayers = fil[0x212C] & 0x1F;
  r.subLayers = fil[0x212D] & 0x1F;
  r.windows = (fil[0x212E] & 0x1F) != 0;
  r.directColour = (fil[0x2130] & 1) != 0;
  r.colourMath = (fil[0x2131] & 0x3F) != 0;
  const std::uint8_t setini = fil[0x2133];
  r.overscan = (setini & 4) != 0;
  r.extBg = (setini & 0x40) != 0;
  r.pseudoHires = (setini & 8) != 0;
  r.interlace = (setini & 1) != 0;
  return scene;
}

TScene MesenSScene(std::span<const std::uint8_t> bytes) {
  const TMesenSPpu m = MesenSPpu(bytes);
  TScene scene;
  scene.console = TConsole::Snes;
  scene.source = "Mesen-S state";
  scene.vram.assign(m.vram.begin(), m.vram.end());
  scene.oam.assign(m.oam.begin(), m.oam.end());
  scene.palette = WordsLe(m.cgram, 256);
  TSnesRegs& r = scene.snes;
  const TFields g(m.registers[0], "the Mesen-S PPU register block");
  r.forcedBlank = g.Flag(0);
  r.brightness = g.U8(1) & 15;
  r.mode = g.U8(12) & 7;
  r.bg3Priority = g.Flag(13) && r.mode == 1;
  r.mainLayers = g.U8(14) & 0x1F;
  r.subLayers = g.U8(15) & 0x1F;
  r.mosaic = g.U8(26) > 0 && (g.U8(27) & 0x0F) != 0;
  r.objSize = g.U8(30) & 7;
  r.objBase = (g.U16Le(31) * 2u) & 0xFFFF;
  r.objTable1 = g.U16Le(33) * 2u;
  r.firstSprite = g.Flag(37) ? (g.U16Le(35) >> 1) & 0x7F : 0;
  r.pseudoHires = g.Flag(43);
  r.interlace = g.Flag(44);
  r.overscan = g.Flag(46);
  r.directColour = g.Flag(47);
  r.colourMath = (g.U8(57) & 0x3F) != 0;
  r.m7x = static_cast<std::int16_t>(g.U16Le(105));
  r.m7y = static_cast<std::int16_t>(g.U16Le(107));
  r.extBg = g.Flag(109);
  r.m7hflip = g.Flag(111);
  r.m7hofs = static_cast<std::int16_t>(g.U16Le(112));
  r.m7repeat = Repeat(g.Flag(114), g.Flag(110));
  r.m7a = static_cast<std::int16_t>(g.U16Le(115));
  r.m7b = static_cast<std::int16_t>(g.U16Le(117));
  r.m7c = static_cast<std::int16_t>(g.U16Le(119));
  r.m7d = static_cast<std::int16_t>(g.U16Le(121));
  r.m7vflip = g.Flag(124);
  r.m7vofs = static_cast<std::int16_t>(g.U16Le(125));
  for (std::size_t n = 0; n < 4; ++n) {
    const TFields l(m.registers[1 + n],
                    "the Mesen-S BG" + std::to_string(n + 1) + " register block");
    TSnesBg& bg = r.bg[n];
    bg.tileWord = l.U16Le(0);
    bg.mapSize = static_cast<std::uint8_t>((l.Flag(2) ? 2 : 0) | (l.Flag(3) ? 1 : 0));
    bg.hofs = l.U16Le(4) & 0x3FF;
    bg.bigTiles = l.Flag(6);
    bg.mapWord = l.U16Le(7);
    bg.vofs = l.U16Le(9) & 0x3FF;
  }
  return scene;
}

namespace {

// A Mesen2 value of the size its C++ type has.
class TMesenKeys {
public:
  explicit TMesenKeys(std::span<const std::uint8_t> data) : data_(data) {}
  std::span<const std::uint8_t> Get(const std::string& key, std::size_t size) const {
    const auto v = MesenRecord(data_, key);
    if (v.size() != size) {
      throw TError("the Mesen2 state has no value " + key + " of " + std::to_string(size) +
                   (size == 1 ? " byte" : " bytes"));
    }
    return v;
  }
  std::uint8_t U8(const std::string& key) const { return Get(key, 1)[0]; }
  bool Flag(const std::string& key) const { return U8(key) != 0; }
  std::uint16_t U16(const std::string& key) const {
    const auto v = Get(key, 2);
    return static_cast<std::uint16_t>(v[0] | (v[1] << 8));
  }

private:
  std::span<const std::uint8_t> data_;
};

void Mesen2Layers(TSnesRegs& r, const TMesenKeys& k) {
  for (std::size_t n = 0; n < 4; ++n) {
    const std::string at = "ppu.layers[" + std::to_string(n) + "].";
    TSnesBg& bg = r.bg[n];
    bg.mapWord = k.U16(at + "tilemapAddress");
    bg.tileWord = k.U16(at + "chrAddress");
    bg.hofs = k.U16(at + "hscroll") & 0x3FF;
    bg.vofs = k.U16(at + "vscroll") & 0x3FF;
    bg.mapSize = static_cast<std::uint8_t>((k.Flag(at + "doubleHeight") ? 2 : 0) |
                                           (k.Flag(at + "doubleWidth") ? 1 : 0));
    bg.bigTiles = k.Flag(at + "largeTiles");
  }
}

}  // namespace

TScene Mesen2Scene(std::span<const std::uint8_t> bytes) {
  const TMesen2Data m = Mesen2Data(bytes);
  if (m.console != kMesenSnes) {
    throw TError("scenes are read from Mesen2 states of SNES games only, not of GBA games");
  }
  const TMesenKeys k(m.data);
  TScene scene;
  scene.console = TConsole::Snes;
  scene.source = "Mesen2 state";
  const auto vram = k.Get("ppu.vram", kSnesVram);
  scene.vram.assign(vram.begin(), vram.end());
  const auto oam = k.Get("ppu.oamRam", 544);
  scene.oam.assign(oam.begin(), oam.end());
  scene.palette = WordsLe(k.Get("ppu.cgram", 512), 256);
  TSnesRegs& r = scene.snes;
  r.forcedBlank = k.Flag("ppu.forcedBlank");
  r.brightness = k.U8("ppu.screenBrightness") & 15;
  r.mode = k.U8("ppu.bgMode") & 7;
  r.bg3Priority = k.Flag("ppu.mode1Bg3Priority") && r.mode == 1;
  r.mainLayers = k.U8("ppu.mainScreenLayers") & 0x1F;
  r.subLayers = k.U8("ppu.subScreenLayers") & 0x1F;
  r.objSize = k.U8("ppu.oamMode") & 7;
  r.objBase = (k.U16("ppu.oamBaseAddress") * 2u) & 0xFFFF;
  r.objTable1 = k.U16("ppu.oamAddressOffset") * 2u;
  r.overscan = k.Flag("ppu.overscanMode");
  r.extBg = k.Flag("ppu.extBgEnabled");
  r.pseudoHires = k.Flag("ppu.hiResMode");
  r.directColour = k.Flag("ppu.directColorMode");
  r.colourMath = (k.U8("ppu.colorMathEnabled") & 0x3F) != 0;
  Mesen2Layers(r, k);
  r.m7x = static_cast<std::int16_t>(k.U16("ppu.mode7.centerX"));
  r.m7y = static_cast<std::int16_t>(k.U16("ppu.mode7.centerY"));
  r.m7hofs = static_cast<std::int16_t>(k.U16("ppu.mode7.hscroll"));
  r.m7vofs = static_cast<std::int16_t>(k.U16("ppu.mode7.vscroll"));
  r.m7a = static_cast<std::int16_t>(k.U16("ppu.mode7.matrix[0]"));
  r.m7b = static_cast<std::int16_t>(k.U16("ppu.mode7.matrix[1]"));
  r.m7c = static_cast<std::int16_t>(k.U16("ppu.mode7.matrix[2]"));
  r.m7d = static_cast<std::int16_t>(k.U16("ppu.mode7.matrix[3]"));
  r.m7repeat = Repeat(k.Flag("ppu.mode7.largeMap"), k.Flag("ppu.mode7.fillWithTile0"));
  r.m7hflip = k.Flag("ppu.mode7.horizontalMirroring");
  r.m7vflip = k.Flag("ppu.mode7.verticalMirroring");
  return scene;
}

namespace {

constexpr std::size_t kZsnesVram = 0x20C13;

// OBSEL's size setting from ZSNES's small and large sizes in 8x8 tiles.
std::uint8_t ZsnesObjSize(std::uint8_t small, std::uint8_t large) {
  static constexpr std::uint8_t kPairs[6][2] = {{1, 4},  {1, 16}, {1, 64},
                                                {4, 16}, {4, 64}, {16, 64}};
  for (std::uint8_t i = 0; i < 6; ++i) {
    if (kPairs[i][0] == small && kPairs[i][1] == large) return i;
  }
  return 0;
}

}  // namespace

TScene ZsnesScene(std::span<const std::uint8_t> bytes) {
  if (!StartsWith(bytes, "ZSNES Save State File")) throw TError("it is not a ZSNES save state");
  if (bytes.size() < kZsnesVram + kSnesVram) throw TError("the ZSNES state is cut short");
  const TFields f(bytes, "the ZSNES state");
  TScene scene;
  scene.console = TConsole::Snes;
  scene.source = "ZSNES state";
  const auto vram = f.Take(kZsnesVram, kSnesVram);
  scene.vram.assign(vram.begin(), vram.end());
  const auto oam = f.Take(536, 544);
  scene.oam.assign(oam.begin(), oam.end());
  scene.palette = WordsLe(f.Take(1560, 512), 256);
  TSnesRegs& r = scene.snes;
  r.brightness = f.U8(78) & 15;
  r.forcedBlank = (f.U8(80) & 0x80) != 0;
  r.objBase = f.U32Le(81) & 0xFFFF;
  r.objTable1 = (f.U32Le(85) - f.U32Le(81)) & 0xFFFF;
  r.objSize = ZsnesObjSize(f.U8(89), f.U8(90));
  r.mode = f.U8(102) & 7;
  r.bg3Priority = f.Flag(103) && r.mode == 1;
  const std::uint8_t big = f.U8(104);
  r.mosaic = f.U8(105) != 0 && f.U8(106) != 0;
  for (std::size_t n = 0; n < 4; ++n) {
    TSnesBg& bg = r.bg[n];
    bg.mapWord = static_cast<std::uint16_t>(f.U16Le(107 + 2 * n) >> 1);
    bg.mapSize = f.U8(139 + n) & 3;
    bg.tileWord = static_cast<std::uint16_t>(f.U16Le(143 + 2 * n) >> 1);
    bg.hofs = f.U16Le(151 + 2 * n) & 0x3FF;
    bg.vofs = f.U16Le(161 + 2 * n) & 0x3FF;
    bg.bigTiles = ((big >> n) & 1) != 0;
  }
  r.mainLayers = f.U8(180) & 0x1F;
  r.subLayers = f.U8(181) & 0x1F;
  r.overscan = f.U16Le(183) == 239;
  const std::uint8_t m7sel = f.U8(213);
  r.m7hflip = (m7sel & 1) != 0;
  r.m7vflip = (m7sel & 2) != 0;
  r.m7repeat = m7sel >> 6;
  r.m7a = static_cast<std::int16_t>(f.U16Le(214));
  r.m7b = static_cast<std::int16_t>(f.U16Le(216));
  r.m7c = static_cast<std::int16_t>(f.U16Le(218));
  r.m7d = static_cast<std::int16_t>(f.U16Le(220));
  r.m7x = static_cast<std::int16_t>(f.U16Le(222));
  r.m7y = static_cast<std::int16_t>(f.U16Le(224));
  // Mode 7 scrolls through BG1's scroll registers.
  r.m7hofs = static_cast<std::int16_t>(f.U16Le(151));
  r.m7vofs = static_cast<std::int16_t>(f.U16Le(161));
  return scene;
}

}  // namespace tegulo
