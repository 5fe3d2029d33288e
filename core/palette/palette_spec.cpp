// Palette choices as text, and the action each runs.
#include "palette/palette_spec.h"

#include "base/numbers.h"
#include "base/uCommon.h"
#include "palette/palette_import.h"

namespace tegulo {

TPaletteSpec ParsePaletteSpec(const std::string& text) {
  TPaletteSpec spec;
  auto pathAfter = [&](std::size_t prefix, TPaletteSpecKind kind) {
    spec.kind = kind;
    spec.path = text.substr(prefix);
    return !spec.path.empty();
  };
  if (text == "mono") return spec;
  if (text == "mono-reverse") {
    spec.kind = TPaletteSpecKind::MonoReverse;
    return spec;
  }
  if (text.starts_with("zst:") && pathAfter(4, TPaletteSpecKind::Zsnes)) return spec;
  if (text.starts_with("file:") && pathAfter(5, TPaletteSpecKind::File)) return spec;
  if (text.starts_with("state:") && pathAfter(6, TPaletteSpecKind::State)) {
    if (spec.path.ends_with(":obj")) {
      spec.half = TPaletteHalf::Sprites;
      spec.path.resize(spec.path.size() - 4);
    }
    if (!spec.path.empty()) return spec;
  }
  if (text.starts_with("rom:")) {
    spec = {};
    spec.kind = TPaletteSpecKind::Rom;
    const std::string rest = text.substr(4);
    const auto colon = rest.find(':');
    spec.address = ParseInt(rest.substr(0, colon));
    if (colon != std::string::npos) spec.count = ParseInt(rest.substr(colon + 1));
    return spec;
  }
  throw TError("Unknown palette '" + text +
               "' (mono, mono-reverse, rom:ADDR[:COUNT], zst:FILE, state:FILE[:obj] or file:FILE)");
}

void ApplyPaletteSpec(const TPaletteSpec& spec, TPalette& view, TTileEntry& e,
                      std::span<const std::uint8_t> rom) {
  switch (spec.kind) {
    case TPaletteSpecKind::Mono: break;
    case TPaletteSpecKind::MonoReverse: ApplyGreyRamp(view, &e, e.PalCount, true); break;
    case TPaletteSpecKind::Rom:
      ApplyRomPalette(view, &e, rom, spec.address, spec.count < 0 ? e.PalCount : spec.count);
      break;
    case TPaletteSpecKind::Zsnes:
      ApplyImportedPalette(view, &e, ReadZsnesPalette(spec.path));
      break;
    case TPaletteSpecKind::State:
      ApplyImportedPalette(view, &e, ReadPaletteFile(spec.path, spec.half));
      break;
    case TPaletteSpecKind::File:
      ApplyImportedPalette(
          view, &e, ReadPaletteFile(spec.path, spec.half, TPaletteFileRule::PaletteFileOnly));
      break;
  }
}

}  // namespace tegulo
