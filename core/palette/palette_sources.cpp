// Palettes from the ROM and from save states, and the rules of the palette actions.
#include "palette/palette.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "base/uCommon.h"
#include "tiles/safe_entry.h"

namespace tegulo {
namespace {

constexpr long kZsnesPaletteOffset = 1560;
constexpr std::size_t kZsnesPaletteBytes = 512;

std::uint16_t WordAt(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

std::int32_t PaletteCount(std::int32_t value) { return std::clamp<std::int32_t>(value, 0, 256); }

TPalette PaletteFromRom(std::span<const std::uint8_t> rom, std::int32_t address, std::int32_t n) {
  TPalette out{};
  const std::int32_t count = PaletteCount(n);
  const std::int64_t size = static_cast<std::int64_t>(rom.size());
  for (std::int32_t i = 0; i < count; ++i) {
    const std::int64_t at = static_cast<std::int64_t>(address) + 2LL * i;
    if (at >= 0 && at + 2 <= size) out[i] = ConsoleColour(WordAt(rom.data() + at));
  }
  return out;
}

TPalette ReadZsnesPalette(const std::string& path) {
  std::unique_ptr<std::FILE, FileCloser> f(std::fopen(path.c_str(), "rb"));
  if (!f) throw TError(path + " not found");
  std::uint8_t bytes[kZsnesPaletteBytes] = {};
  std::size_t got = 0;
  // A file shorter than the offset simply yields no bytes.
  if (std::fseek(f.get(), kZsnesPaletteOffset, SEEK_SET) == 0) {
    got = std::fread(bytes, 1, sizeof bytes, f.get());
  }
  // Opening succeeds on a folder, but reading it fails: that is no save state either.
  if (std::ferror(f.get())) throw TError(path + " not found");
  TPalette out{};
  for (std::size_t i = 0; 2 * i + 2 <= got; ++i) out[i] = ConsoleColour(WordAt(bytes + 2 * i));
  return out;
}

void LoadViewPalette(TPalette& view, const TTileEntry& e) {
  view.fill(0);
  const std::int32_t n = SafeReading(e).palCount;
  std::copy_n(std::begin(e.Palette), n, view.begin());
}

void ApplyGreyRamp(TPalette& view, TTileEntry* e, std::int32_t count, bool reverse) {
  view.fill(0);
  MakeMonoPalette(view, PaletteCount(count), reverse);
  if (e != nullptr) MakeMonoPalette(e->Palette, SafeReading(*e).palCount, reverse);
}

void ApplyRomPalette(TPalette& view, TTileEntry* e, std::span<const std::uint8_t> rom,
                     std::int32_t address, std::int32_t count) {
  view = PaletteFromRom(rom, address, count);
  if (e == nullptr) return;
  e->PalAddress = address;
  std::copy_n(view.begin(), SafeReading(*e).palCount, std::begin(e->Palette));
}

void ApplyImportedPalette(TPalette& view, TTileEntry* e, const TPalette& imported) {
  view = imported;
  if (e != nullptr) std::copy(imported.begin(), imported.end(), std::begin(e->Palette));
}

void ApplyPickedColour(TPalette& view, TTileEntry* e, int index, std::uint32_t colour) {
  if (index < 0 || index >= static_cast<int>(view.size())) return;
  colour &= 0x00FFFFFFu;
  view[static_cast<std::size_t>(index)] = colour;
  if (e != nullptr) e->Palette[index] = colour;
}

}  // namespace tegulo
