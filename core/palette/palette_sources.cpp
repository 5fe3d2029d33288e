// Palettes from the ROM and from save states, and the rules of the palette actions.
#include "palette/palette.h"

#include <algorithm>

#include "base/messages.h"
#include "base/uCommon.h"
#include "io/read_file.h"
#include "palette/palette_import.h"
#include "tiles/safe_entry.h"

namespace tegulo {
namespace {

constexpr std::size_t kZsnesPaletteOffset = 1560;
constexpr std::size_t kZsnesPaletteBytes = 512;

std::uint16_t WordAt(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

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

TPalette ZsnesPaletteFromBytes(std::span<const std::uint8_t> state) {
  TPalette out{};
  const std::span<const std::uint8_t> words =
      state.size() > kZsnesPaletteOffset
          ? state.subspan(kZsnesPaletteOffset,
                          std::min(kZsnesPaletteBytes, state.size() - kZsnesPaletteOffset))
          : std::span<const std::uint8_t>{};
  for (std::size_t i = 0; 2 * i + 2 <= words.size(); ++i) {
    out[i] = ConsoleColour(WordAt(words.data() + 2 * i));
  }
  return out;
}

TPalette ReadZsnesPalette(const std::string& path) {
  try {
    return ZsnesPaletteFromBytes(ReadFileHead(path, kZsnesPaletteOffset + kZsnesPaletteBytes));
  } catch (const TFileReadError& e) {
    // A folder opens but is no save state either: it reads as not found, as before.
    if (e.failure() == TReadFailure::Directory) throw TError(EscapeControls(path) + " not found");
    throw;
  }
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
