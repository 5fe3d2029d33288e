// Palette choices as text, and the action each runs.
#include "palette/palette_option.h"

#include "base/numbers.h"
#include "base/uCommon.h"
#include "palette/palette_import.h"

namespace tegulo {

TPaletteOption ParsePaletteOption(const std::string& text) {
  TPaletteOption option;
  auto pathAfter = [&](std::size_t prefix, TPaletteOptionKind kind) {
    option.kind = kind;
    option.path = text.substr(prefix);
    return !option.path.empty();
  };
  if (text == "mono") return option;
  if (text == "mono-reverse") {
    option.kind = TPaletteOptionKind::MonoReverse;
    return option;
  }
  if (text.starts_with("zst:") && pathAfter(4, TPaletteOptionKind::Zsnes)) return option;
  if (text.starts_with("file:") && pathAfter(5, TPaletteOptionKind::File)) return option;
  if (text.starts_with("state:") && pathAfter(6, TPaletteOptionKind::State)) {
    if (option.path.ends_with(":obj")) {
      option.half = TPaletteHalf::Sprites;
      option.path.resize(option.path.size() - 4);
    }
    if (!option.path.empty()) return option;
  }
  if (text.starts_with("rom:")) {
    option = {};
    option.kind = TPaletteOptionKind::Rom;
    const std::string rest = text.substr(4);
    const auto colon = rest.find(':');
    option.address = ParseInt(rest.substr(0, colon));
    if (colon != std::string::npos) option.count = ParseInt(rest.substr(colon + 1));
    return option;
  }
  throw TUnknownPaletteOption(
      "Unknown palette '" + text +
      "' (mono, mono-reverse, rom:ADDR[:COUNT], zst:FILE, state:FILE[:obj] or file:FILE)");
}

void RunPaletteOption(const TPaletteOption& option, TPalette& view, TTileEntry& e,
                      std::span<const std::uint8_t> rom, std::int32_t* held) {
  std::int32_t count = e.PalCount;
  TPaletteReadNote note;
  switch (option.kind) {
    case TPaletteOptionKind::Mono: break;
    case TPaletteOptionKind::MonoReverse: ApplyGreyRamp(view, &e, e.PalCount, true); break;
    case TPaletteOptionKind::Rom:
      count = option.count < 0 ? e.PalCount : option.count;
      ApplyRomPalette(view, &e, rom, option.address, count);
      break;
    case TPaletteOptionKind::Zsnes:
      ApplyImportedPalette(view, &e, ReadZsnesPalette(option.path));
      count = 256;
      break;
    case TPaletteOptionKind::State:
      ApplyImportedPalette(
          view, &e, ReadPaletteFile(option.path, option.half, TPaletteFileRule::AnySource, &note));
      count = note.held;
      break;
    case TPaletteOptionKind::File:
      ApplyImportedPalette(
          view, &e,
          ReadPaletteFile(option.path, option.half, TPaletteFileRule::PaletteFileOnly, &note));
      count = note.held;
      break;
  }
  if (held != nullptr) *held = count;
}

}  // namespace tegulo
